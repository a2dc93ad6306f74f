// What the desktop programs accept on their command line (and what their manual pages
// say: the page is written from the same description as --help), and the one check that must
// come before Qt makes a window: whether there is a display at all. Both run on the plain
// argument vector, before the application object exists, so `--help` and `--version`
// work on a server and a missing display is one sentence instead of a Qt abort.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace cli {

struct Option {
    QString name; // with its dashes: "--start-in-tray"
    QString help;
};

// A section of the manual page beyond the synopsis, description and options.
struct Section {
    QString title; // "FILES"
    QString text;  // paragraphs separated by blank lines
};

struct Program {
    QString name;    // as typed: "configurator"
    QString summary; // one or two sentences: what it does (its first sentence names the page)
    QString version;
    QList<Option> options;    // besides --help and --version
    QString description = {}; // paragraphs after the summary, in --help and the page
    QList<Section> sections = {};
    QString command = {};  // the name on PATH when installed, if not `name` ("mouse-suite")
    QString synopsis = {}; // usage lines, when the options alone do not tell them
};

struct Parsed {
    // Manpage: `--manpage`, which the build uses to write the manual page.
    enum class Action { Run, Help, Version, Usage, Manpage };
    Action action = Action::Run;
    QStringList given; // the options of Program::options that were given
    QString problem;   // for Usage: what was wrong
    bool has(const QString& name) const { return given.contains(name); }
};

// Reads the arguments after the program name. Options Qt itself understands ("-platform
// offscreen", "-style …", "-display …") are let through for the application object.
Parsed parse(const QStringList& args, const Program& program);

QString usageLine(const Program& program);
QString helpText(const Program& program);
QString versionText(const Program& program);
// The manual page (section 1) in roff.
QString manPage(const Program& program);

// Empty when Qt will find a display to show windows on; otherwise one sentence saying why
// not. A platform chosen by the caller (QT_QPA_PLATFORM, -platform) is trusted.
QString displayProblem(const QStringList& args);

// The prologue of a desktop program: help, version and usage are printed here and give
// the exit code to end with (0, 0 and 2), as does a missing display (1). -1: go on.
int handle(int argc, char** argv, const Program& program, Parsed* parsed = nullptr);

} // namespace cli
