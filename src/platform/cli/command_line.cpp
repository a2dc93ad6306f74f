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
    QString text = usageLine(program) + '\n' + program.summary + "\n\n";
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
