// What mouse-suite-ctl is asked to do, read from its arguments and checked before anything
// is written or sent: a value the mouse cannot take is refused here, with the values it can.
// The same reading runs in the program that carries the command out (mouse-suite-ctl on its
// own, or the running configurator that got the arguments over the message channel).
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace ctl {

enum class Verb {
    Status,
    ProfileList,
    ProfileSwitch,
    ProfileExport,
    ProfileImport,
    DpiSet,
    DpiEnable,
    Rate,
    Lighting,
    Axis,
    Button,
    ButtonFunctions, // the names `button` takes; answered without the mouse
    MacroList,
    MacroExport,
    MacroImport,
    FactoryReset,
};

// Numbers are counted from 0 as the pages count them (profile, stage, button); the command
// line counts from 1.
struct Command {
    Verb verb = Verb::Status;
    bool json = false; // --json: readings as one JSON object
    bool yes = false;  // --yes: factory-reset without asking
    int profile = -1;  // -1: the current one (profile import) / given by name
    int stage = -1;
    int button = -1;
    int value = 0;   // DPI, report interval in ms, lighting slider, X
    int second = 0;  // Y
    bool on = false; // dpi enable
    int effect = 0;  // lighting: 1 static, 2 breath, 3 neon, 4 finger tapping; 0 off
    bool levelGiven = false;
    QString name; // profile or macro name; the button function's code
    QString file; // absolute path
};

struct Parsed {
    std::optional<Command> command;
    QString problem; // why the arguments are not a command (exit 2)
};

// `args`: what follows the program name; `workingFolder`: where relative file names lie.
Parsed parse(const QStringList& args, const QString& workingFolder);

// What a command came to: the exit code (0 done, 1 the mouse did not take it or is not
// there, 2 usage), what goes to standard output and the one sentence for standard error.
struct Outcome {
    int exit = 0;
    QString out;
    QString err;
};

QJsonObject toJson(const Outcome& outcome);
Outcome outcomeFromJson(const QJsonObject& object);

// The answer to "button functions": the words and names `button` takes.
Outcome buttonFunctions(bool json);

// The usage lines.
QString synopsis();

} // namespace ctl
