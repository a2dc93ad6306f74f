#include "platform/cli/command_line.h"

#include <cstdio>

namespace cli {
namespace {

// Qt's own options that take a value, and those that stand alone.
const QStringList kQtValueOptions = {"-platform",           "-display",       "-style",
                                     "-qwindowgeometry",    "-qwindowtitle",  "-qwindowicon",
                                     "-platformpluginpath", "-platformtheme", "-plugin",
                                     "-stylesheet"};
const QStringList kQtFlags = {"-reverse", "-widgetcount"};

bool known(const Program& program, const QString& name) {
    for (const Option& o : program.options)
        if (o.name == name)
            return true;
    return false;
}

void print(std::FILE* to, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fflush(to);
}

} // namespace

Parsed parse(const QStringList& args, const Program& program) {
    Parsed parsed;
    const auto usage = [&](const QString& problem) {
        parsed.action = Parsed::Action::Usage;
        parsed.problem = problem;
        return parsed;
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == "--help" || arg == "-h") {
            parsed.action = Parsed::Action::Help;
            return parsed;
        }
        if (arg == "--version") {
            parsed.action = Parsed::Action::Version;
            return parsed;
        }
        if (arg == "--manpage") {
            parsed.action = Parsed::Action::Manpage;
            return parsed;
        }
        if (known(program, arg)) {
            if (!parsed.given.contains(arg))
                parsed.given << arg;
            continue;
        }
        if (kQtValueOptions.contains(arg)) {
            if (++i >= args.size())
                return usage(QStringLiteral("option %1 needs a value").arg(arg));
            continue;
        }
        if (kQtFlags.contains(arg))
            continue;
        if (arg.startsWith('-'))
            return usage(QStringLiteral("unknown option %1").arg(arg));
        return usage(QStringLiteral("unexpected argument %1").arg(arg));
    }
    return parsed;
}

QString usageLine(const Program& program) {
    QString line = QStringLiteral("usage: %1 [--help] [--version]").arg(program.name);
    for (const Option& o : program.options)
        line += QStringLiteral(" [%1]").arg(o.name);
    return line + '\n';
}

QString helpText(const Program& program) {
    QString text = (program.synopsis.isEmpty() ? usageLine(program) : program.synopsis + '\n') +
                   '\n' + program.summary + "\n\n";
    if (!program.description.isEmpty())
        text += program.description + "\n\n";
    QList<Option> all = program.options;
    all << Option{"--help", "Print this help and exit."}
        << Option{"--version", "Print the version and exit."};
    qsizetype width = 0;
    for (const Option& o : all)
        width = std::max(width, o.name.size());
    for (const Option& o : all)
        text += QStringLiteral("  %1  %2\n").arg(o.name.leftJustified(width), o.help);
    return text;
}

QString versionText(const Program& program) {
    return QStringLiteral("%1 %2\n").arg(program.name, program.version);
}

namespace {

// Text as roff shows it: backslashes and hyphens escaped, no line taken for a request.
QString roff(QString text) {
    text.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    text.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.startsWith(QLatin1Char('.')) || line.startsWith(QLatin1Char('\'')))
            line.prepend(QStringLiteral("\\&"));
    return lines.join(QLatin1Char('\n'));
}

// Paragraphs separated by blank lines, each a roff paragraph; lines that begin with
// spaces (usage lines, examples) are kept as they are.
QString paragraphs(const QString& text) {
    QString out;
    for (const QString& paragraph : text.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts)) {
        if (paragraph.startsWith(QLatin1Char(' ')) || paragraph.contains(QStringLiteral("\n ")))
            out += QStringLiteral(".PP\n.nf\n") + roff(paragraph) + QStringLiteral("\n.fi\n");
        else
            out += QStringLiteral(".PP\n") + roff(paragraph) + '\n';
    }
    return out;
}

} // namespace

QString manPage(const Program& program) {
    const QString command = program.command.isEmpty() ? program.name : program.command;
    QString whatis = program.summary.section(QLatin1Char('.'), 0, 0).simplified();
    if (!whatis.isEmpty())
        whatis[0] = whatis[0].toLower();
    QString page = QStringLiteral(".TH %1 1 \"\" \"%2 %3\" \"User Commands\"\n")
                       .arg(command.toUpper(), command, program.version);
    page += QStringLiteral(".SH NAME\n%1 \\- %2\n").arg(roff(command), roff(whatis));
    page += QStringLiteral(".SH SYNOPSIS\n.nf\n");
    QString synopsis = program.synopsis.isEmpty() ? usageLine(program).trimmed() : program.synopsis;
    synopsis.replace(QStringLiteral("usage: "), QString());
    if (command != program.name)
        synopsis.replace(program.name + ' ', command + ' ');
    page += roff(synopsis) + QStringLiteral("\n.fi\n");
    page += QStringLiteral(".SH DESCRIPTION\n") + paragraphs(program.summary.simplified());
    if (!program.description.isEmpty())
        page += paragraphs(program.description);
    page += QStringLiteral(".SH OPTIONS\n");
    QList<Option> all = program.options;
    all << Option{"--help", "Print the help and exit."}
        << Option{"--version", "Print the version and exit."};
    for (const Option& o : all)
        page += QStringLiteral(".TP\n.B %1\n%2\n").arg(roff(o.name), roff(o.help));
    for (const Section& s : program.sections)
        page += QStringLiteral(".SH %1\n").arg(s.title) + paragraphs(s.text);
    return page;
}

int handle(int argc, char** argv, const Program& program, Parsed* parsed) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const Parsed p = parse(args, program);
    if (parsed)
        *parsed = p;
    switch (p.action) {
    case Parsed::Action::Help:
        print(stdout, helpText(program));
        return 0;
    case Parsed::Action::Version:
        print(stdout, versionText(program));
        return 0;
    case Parsed::Action::Manpage:
        print(stdout, manPage(program));
        return 0;
    case Parsed::Action::Usage:
        print(stderr, QStringLiteral("%1: %2\n").arg(program.name, p.problem) + usageLine(program));
        return 2;
    case Parsed::Action::Run:
        break;
    }
    const QString problem = displayProblem(args);
    if (!problem.isEmpty()) {
        print(stderr, QStringLiteral("%1: %2\n").arg(program.name, problem));
        return 1;
    }
    return -1;
}

} // namespace cli
