#include "control/command.h"

#include "model/dpi_table.h"
#include "model/key_functions.h"
#include "model/led_steps.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <array>

namespace ctl {
namespace {

constexpr int kProfiles = 6;
constexpr int kStages = 6;
constexpr int kButtons = 6;
// Report rates in Hz and the interval in ms the mouse takes for each.
constexpr std::array<std::pair<int, int>, 4> kRates{{{125, 8}, {250, 4}, {500, 2}, {1000, 1}}};
// Axis sensitivity: ten steps of 20.
constexpr int kAxisStep = 20;
constexpr int kAxisSteps = 10;

const QStringList kLighting{QStringLiteral("off"), QStringLiteral("static"),
                            QStringLiteral("breath"), QStringLiteral("neon"),
                            QStringLiteral("tapping")};

// A whole number written in plain digits (no sign, no blanks), else nothing.
std::optional<int> wholeNumber(const QString& text) {
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    for (const QChar c : text)
        if (!c.isDigit() || c.unicode() > '9')
            return std::nullopt;
    return text.toInt();
}

QString dpiList() {
    QStringList values;
    for (const int v : model::kDpiValues)
        values << QString::number(v);
    return values.join(QStringLiteral(", "));
}

// Reads the words of one command; `fail` keeps the first problem.
class Reader {
  public:
    Reader(const QStringList& words, const QString& folder) : words_(words), folder_(folder) {}

    bool failed() const { return !problem_.isEmpty(); }
    QString problem() const { return problem_; }
    void fail(const QString& problem) {
        if (problem_.isEmpty())
            problem_ = problem;
    }
    bool atEnd() const { return at_ >= words_.size(); }
    QString next(const QString& what) {
        if (atEnd()) {
            fail(QStringLiteral("%1 is missing").arg(what));
            return {};
        }
        return words_.at(at_++);
    }
    // A number from 1 to `count`, returned from 0.
    int ordinal(const QString& what, int count) {
        const QString word = next(what);
        if (failed())
            return -1;
        const auto n = wholeNumber(word);
        if (!n || *n < 1 || *n > count) {
            fail(QStringLiteral("%1 \"%2\" is not a number from 1 to %3")
                     .arg(what, word)
                     .arg(count));
            return -1;
        }
        return *n - 1;
    }
    QString file(const QString& what) {
        const QString word = next(what);
        if (failed())
            return {};
        if (word.isEmpty()) {
            fail(QStringLiteral("%1 is empty").arg(what));
            return {};
        }
        return QDir::cleanPath(QDir(folder_).absoluteFilePath(word));
    }
    void end() {
        if (!atEnd())
            fail(QStringLiteral("unexpected \"%1\"").arg(words_.at(at_)));
    }

  private:
    QStringList words_;
    QString folder_;
    QString problem_;
    int at_ = 0;
};

void readProfile(Reader& r, Command& c) {
    const QString sub = r.next(QStringLiteral("what to do with profiles (list, switch, export "
                                              "or import)"));
    if (sub == QLatin1String("list")) {
        c.verb = Verb::ProfileList;
    } else if (sub == QLatin1String("switch")) {
        c.verb = Verb::ProfileSwitch;
        const QString which = r.next(QStringLiteral("the profile (a number or a name)"));
        if (const auto n = wholeNumber(which)) {
            if (*n < 1 || *n > kProfiles)
                r.fail(QStringLiteral("profile %1 does not exist: profiles are numbered 1 to %2")
                           .arg(which)
                           .arg(kProfiles));
            c.profile = *n - 1;
        } else {
            c.name = which;
        }
    } else if (sub == QLatin1String("export")) {
        c.verb = Verb::ProfileExport;
        c.profile = r.ordinal(QStringLiteral("the profile number"), kProfiles);
        c.file = r.file(QStringLiteral("the file to write"));
    } else if (sub == QLatin1String("import")) {
        c.verb = Verb::ProfileImport;
        c.file = r.file(QStringLiteral("the file to read"));
        if (!r.atEnd())
            c.profile = r.ordinal(QStringLiteral("the profile number"), kProfiles);
    } else if (!r.failed()) {
        r.fail(QStringLiteral("\"profile %1\" is not a command; try list, switch, export or "
                              "import")
                   .arg(sub));
    }
}

void readDpi(Reader& r, Command& c) {
    const QString sub = r.next(QStringLiteral("what to do with the DPI stages (set or enable)"));
    if (sub == QLatin1String("set")) {
        c.verb = Verb::DpiSet;
        c.stage = r.ordinal(QStringLiteral("the stage"), kStages);
        const QString word = r.next(QStringLiteral("the DPI value"));
        const auto n = wholeNumber(word);
        bool known = false;
        for (const int v : model::kDpiValues)
            known = known || (n && *n == v);
        if (!r.failed() && !known)
            r.fail(QStringLiteral("the mouse cannot run %1 DPI; it takes %2").arg(word, dpiList()));
        c.value = n.value_or(0);
    } else if (sub == QLatin1String("enable")) {
        c.verb = Verb::DpiEnable;
        c.stage = r.ordinal(QStringLiteral("the stage"), kStages);
        if (!r.failed() && c.stage >= model::kSteppedStages)
            r.fail(QStringLiteral("the DPI button steps through stages 1 to %1 only; stage %2 "
                                  "cannot be switched on or off")
                       .arg(model::kSteppedStages)
                       .arg(c.stage + 1));
        const QString word = r.next(QStringLiteral("on or off"));
        if (word == QLatin1String("on") || word == QLatin1String("off"))
            c.on = word == QLatin1String("on");
        else if (!r.failed())
            r.fail(QStringLiteral("\"%1\" is neither on nor off").arg(word));
    } else if (!r.failed()) {
        r.fail(QStringLiteral("\"dpi %1\" is not a command; try set or enable").arg(sub));
    }
}

void readRate(Reader& r, Command& c) {
    c.verb = Verb::Rate;
    const QString word = r.next(QStringLiteral("the report rate"));
    const auto hz = wholeNumber(word);
    for (const auto& [rate, ms] : kRates)
        if (hz && *hz == rate)
            c.value = ms;
    if (!r.failed() && c.value == 0)
        r.fail(QStringLiteral("the mouse cannot report at %1 Hz; it takes 125, 250, 500 or 1000")
                   .arg(word));
}

void readLighting(Reader& r, Command& c, int level) {
    c.verb = Verb::Lighting;
    const QString word = r.next(QStringLiteral("the lighting effect"));
    c.effect = int(kLighting.indexOf(word));
    if (!r.failed() && c.effect < 0)
        r.fail(QStringLiteral("\"%1\" is no lighting effect; try %2")
                   .arg(word, kLighting.join(QStringLiteral(", "))));
    c.levelGiven = level > 0;
    c.value = level - 1;
    if (c.effect == 0 && c.levelGiven)
        r.fail(QStringLiteral("the light that is off has no level"));
    if (c.effect == model::kLedStatic && level == 1)
        r.fail(QStringLiteral("static at level 1 is the light off: use \"lighting off\", or a "
                              "level from 2 to %1")
                   .arg(model::kLedSteps));
}

void readAxis(Reader& r, Command& c) {
    c.verb = Verb::Axis;
    int* into[] = {&c.value, &c.second};
    const char* axes[] = {"X", "Y"};
    for (int i = 0; i < 2; ++i) {
        const QString word = r.next(QStringLiteral("the %1 sensitivity").arg(axes[i]));
        const auto n = wholeNumber(word);
        if (!r.failed() &&
            (!n || *n < kAxisStep || *n > kAxisStep * kAxisSteps || *n % kAxisStep != 0))
            r.fail(QStringLiteral("the %1 sensitivity %2 is not one the mouse takes; it takes "
                                  "20, 40, ... 200")
                       .arg(axes[i], word));
        *into[i] = n.value_or(0);
    }
}

void readButton(Reader& r, Command& c) {
    c.verb = Verb::Button;
    c.button = r.ordinal(QStringLiteral("the button"), kButtons);
    // The function may be one word ("dpi-up") or the menu's name in several ("DPI +").
    QString function;
    while (!r.atEnd())
        function += (function.isEmpty() ? QString() : QStringLiteral(" ")) + r.next({});
    if (function.isEmpty()) {
        r.fail(QStringLiteral("the function is missing"));
        return;
    }
    c.name = model::keyFunctionCode(function);
    if (c.name.isEmpty() && !r.failed())
        r.fail(QStringLiteral("\"%1\" is no function of the key menu; \"%2 functions\" lists "
                              "them")
                   .arg(function, QStringLiteral("mouse-suite-ctl button")));
}

void readMacro(Reader& r, Command& c) {
    const QString sub = r.next(QStringLiteral("what to do with macros (list, export or import)"));
    if (sub == QLatin1String("list")) {
        c.verb = Verb::MacroList;
    } else if (sub == QLatin1String("export")) {
        c.verb = Verb::MacroExport;
        c.name = r.next(QStringLiteral("the macro's name"));
        c.file = r.file(QStringLiteral("the file to write"));
    } else if (sub == QLatin1String("import")) {
        c.verb = Verb::MacroImport;
        c.file = r.file(QStringLiteral("the file to read"));
        c.name = r.atEnd() ? QFileInfo(c.file).completeBaseName() : r.next({});
        if (!r.failed() && c.name.trimmed().isEmpty())
            r.fail(QStringLiteral("the macro needs a name"));
    } else if (!r.failed()) {
        r.fail(
            QStringLiteral("\"macro %1\" is not a command; try list, export or import").arg(sub));
    }
}

} // namespace

Parsed parse(const QStringList& args, const QString& workingFolder) {
    Command c;
    QStringList words;
    int level = 0;
    QString problem;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--json")) {
            c.json = true;
        } else if (a == QLatin1String("--yes") || a == QLatin1String("-y")) {
            c.yes = true;
        } else if (a == QLatin1String("--level") || a.startsWith(QLatin1String("--level="))) {
            const QString value = a.contains(QLatin1Char('='))
                                      ? a.section(QLatin1Char('='), 1)
                                      : (i + 1 < args.size() ? args.at(++i) : QString());
            const auto n = wholeNumber(value);
            if (!n || *n < 1 || *n > model::kLedSteps) {
                problem = QStringLiteral("--level \"%1\" is not a number from 1 to %2")
                              .arg(value)
                              .arg(model::kLedSteps);
                break;
            }
            level = *n;
        } else if (a == QLatin1String("--")) {
            words << args.mid(i + 1);
            break;
        } else if (a.startsWith(QLatin1String("--")) && a.size() > 2) {
            problem = QStringLiteral("unknown option %1").arg(a);
            break;
        } else {
            words << a;
        }
    }
    if (!problem.isEmpty())
        return {std::nullopt, problem};

    Reader r(words, workingFolder);
    const QString verb = r.next(QStringLiteral("the command"));
    if (verb == QLatin1String("status")) {
        c.verb = Verb::Status;
    } else if (verb == QLatin1String("profile")) {
        readProfile(r, c);
    } else if (verb == QLatin1String("dpi")) {
        readDpi(r, c);
    } else if (verb == QLatin1String("rate")) {
        readRate(r, c);
    } else if (verb == QLatin1String("lighting")) {
        readLighting(r, c, level);
    } else if (verb == QLatin1String("axis")) {
        readAxis(r, c);
    } else if (verb == QLatin1String("button") && words.size() == 2 &&
               words.at(1) == QLatin1String("functions")) {
        c.verb = Verb::ButtonFunctions;
        r.next({});
    } else if (verb == QLatin1String("button")) {
        readButton(r, c);
    } else if (verb == QLatin1String("macro")) {
        readMacro(r, c);
    } else if (verb == QLatin1String("factory-reset")) {
        c.verb = Verb::FactoryReset;
    } else if (!r.failed()) {
        r.fail(QStringLiteral("\"%1\" is not a command").arg(verb));
    }
    if (level > 0 && c.verb != Verb::Lighting)
        r.fail(QStringLiteral("--level belongs to the lighting command"));
    r.end();
    if (r.failed())
        return {std::nullopt, r.problem()};
    return {c, {}};
}

QJsonObject toJson(const Outcome& outcome) {
    return {{QStringLiteral("exit"), outcome.exit},
            {QStringLiteral("out"), outcome.out},
            {QStringLiteral("err"), outcome.err}};
}

Outcome outcomeFromJson(const QJsonObject& object) {
    Outcome o;
    o.exit = object.value(QStringLiteral("exit")).toInt(1);
    o.out = object.value(QStringLiteral("out")).toString();
    o.err = object.value(QStringLiteral("err")).toString();
    if (o.exit < 0 || o.exit > 2)
        o.exit = 1;
    return o;
}

Outcome buttonFunctions(bool json) {
    QJsonArray list;
    QString text;
    for (const model::KeyFunction& f : model::keyFunctions()) {
        list.append(
            QJsonObject{{QStringLiteral("word"), f.word}, {QStringLiteral("name"), f.name}});
        text += f.word.leftJustified(17) + f.name + '\n';
    }
    if (json)
        return {0,
                QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("functions"), list}})
                                      .toJson(QJsonDocument::Compact)) +
                    '\n',
                {}};
    return {0, text, {}};
}

QString synopsis() {
    return QStringLiteral("mouse-suite-ctl [--json] status\n"
                          "mouse-suite-ctl [--json] profile list\n"
                          "mouse-suite-ctl profile switch N|NAME\n"
                          "mouse-suite-ctl profile export N FILE\n"
                          "mouse-suite-ctl profile import FILE [N]\n"
                          "mouse-suite-ctl dpi set STAGE VALUE\n"
                          "mouse-suite-ctl dpi enable STAGE on|off\n"
                          "mouse-suite-ctl rate 125|250|500|1000\n"
                          "mouse-suite-ctl lighting off|static|breath|neon|tapping [--level N]\n"
                          "mouse-suite-ctl axis X Y\n"
                          "mouse-suite-ctl button N FUNCTION\n"
                          "mouse-suite-ctl button functions\n"
                          "mouse-suite-ctl [--json] macro list\n"
                          "mouse-suite-ctl macro export NAME FILE\n"
                          "mouse-suite-ctl macro import FILE [NAME]\n"
                          "mouse-suite-ctl factory-reset [--yes]");
}

} // namespace ctl
