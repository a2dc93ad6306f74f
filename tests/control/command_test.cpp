// mouse-suite-ctl's arguments: what each command line means, and every value the mouse
// cannot take refused with the reason before anything is written or sent.
#include "control/command.h"
#include "model/key_functions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using ctl::Verb;

class CommandTest : public QObject {
    Q_OBJECT

  private slots:
    void readsCommands_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("verb");
        // "field=value" pairs of what must be read; profile, stage and button from 0.
        QTest::addColumn<QStringList>("expect");
        const auto row = [](const char* name, const QStringList& args, Verb verb,
                            const QStringList& expect) {
            QTest::newRow(name) << args << int(verb) << expect;
        };
        row("status json", {"--json", "status"}, Verb::Status, {"json=1"});
        row("switch by number", {"profile", "switch", "6"}, Verb::ProfileSwitch,
            {"profile=5", "name="});
        row("switch by name", {"profile", "switch", "game 2"}, Verb::ProfileSwitch,
            {"profile=-1", "name=game 2"});
        row("export", {"profile", "export", "1", "out/p.pf"}, Verb::ProfileExport,
            {"profile=0", "file=/work/out/p.pf"});
        row("import to current", {"profile", "import", "/tmp/a.pf"}, Verb::ProfileImport,
            {"profile=-1", "file=/tmp/a.pf"});
        row("import to 3", {"profile", "import", "../a.pf", "3"}, Verb::ProfileImport,
            {"profile=2", "file=/a.pf"});
        row("dpi lowest", {"dpi", "set", "1", "250"}, Verb::DpiSet, {"stage=0", "value=250"});
        row("dpi highest", {"dpi", "set", "6", "4000"}, Verb::DpiSet, {"stage=5", "value=4000"});
        row("enable last stepped", {"dpi", "enable", "4", "off"}, Verb::DpiEnable,
            {"stage=3", "on=0"});
        row("enable first", {"dpi", "enable", "1", "on"}, Verb::DpiEnable, {"stage=0", "on=1"});
        row("rate 125", {"rate", "125"}, Verb::Rate, {"value=8"});
        row("rate 1000", {"rate", "1000"}, Verb::Rate, {"value=1"});
        row("lighting off", {"lighting", "off"}, Verb::Lighting, {"effect=0", "levelGiven=0"});
        row("breath level 1", {"lighting", "breath", "--level", "1"}, Verb::Lighting,
            {"effect=2", "value=0", "levelGiven=1"});
        row("tapping level=5", {"lighting", "--level=5", "tapping"}, Verb::Lighting,
            {"effect=4", "value=4"});
        row("static level 2", {"lighting", "static", "--level", "2"}, Verb::Lighting,
            {"effect=1", "value=1"});
        row("axis limits", {"axis", "20", "200"}, Verb::Axis, {"value=20", "second=200"});
        row("button word", {"button", "6", "volume-up"}, Verb::Button,
            {"button=5", "name=0300e900"});
        row("button menu name", {"button", "1", "DPI", "+"}, Verb::Button,
            {"button=0", "name=07000100"});
        row("button folded", {"button", "2", "LEFT_BUTTON"}, Verb::Button,
            {"button=1", "name=0100f000"});
        row("functions", {"button", "functions"}, Verb::ButtonFunctions, {});
        row("macro export", {"macro", "export", "Jump", "j.mc"}, Verb::MacroExport,
            {"name=Jump", "file=/work/j.mc"});
        row("macro import named by file", {"macro", "import", "x/Rapid fire.mc"}, Verb::MacroImport,
            {"name=Rapid fire", "file=/work/x/Rapid fire.mc"});
        row("macro import named", {"macro", "import", "a.mc", "B"}, Verb::MacroImport, {"name=B"});
        row("reset", {"factory-reset", "--yes"}, Verb::FactoryReset, {"yes=1"});
    }
    void readsCommands() {
        QFETCH(QStringList, args);
        QFETCH(int, verb);
        QFETCH(QStringList, expect);
        const ctl::Parsed p = ctl::parse(args, QStringLiteral("/work"));
        QVERIFY2(p.command, qPrintable(p.problem));
        const ctl::Command& c = *p.command;
        QCOMPARE(int(c.verb), verb);
        const QMap<QString, QString> fields{{"json", QString::number(c.json)},
                                            {"yes", QString::number(c.yes)},
                                            {"profile", QString::number(c.profile)},
                                            {"stage", QString::number(c.stage)},
                                            {"button", QString::number(c.button)},
                                            {"value", QString::number(c.value)},
                                            {"second", QString::number(c.second)},
                                            {"on", QString::number(c.on)},
                                            {"effect", QString::number(c.effect)},
                                            {"levelGiven", QString::number(c.levelGiven)},
                                            {"name", c.name},
                                            {"file", c.file}};
        for (const QString& e : expect)
            QCOMPARE(e.section('=', 0, 0) + '=' + fields.value(e.section('=', 0, 0)), e);
    }

    void refusesWhatTheMouseCannotTake_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        const auto row = [](const char* name, const QStringList& args, const char* says) {
            QTest::newRow(name) << args << QString::fromUtf8(says);
        };
        row("nothing", {}, "the command is missing");
        row("unknown", {"frob"}, "\"frob\" is not a command");
        row("unknown option", {"status", "--fast"}, "unknown option --fast");
        row("extra word", {"status", "now"}, "unexpected \"now\"");
        row("dpi between values", {"dpi", "set", "1", "800"},
            "cannot run 800 DPI; it takes 250, 500");
        row("dpi above", {"dpi", "set", "1", "4250"}, "cannot run 4250 DPI");
        row("dpi negative", {"dpi", "set", "1", "-250"}, "cannot run -250 DPI");
        row("stage 0", {"dpi", "set", "0", "500"}, "the stage \"0\" is not a number from 1 to 6");
        row("stage 7", {"dpi", "set", "7", "500"}, "from 1 to 6");
        row("enable unstepped", {"dpi", "enable", "5", "on"}, "stages 1 to 4 only; stage 5");
        row("enable maybe", {"dpi", "enable", "2", "maybe"}, "\"maybe\" is neither on nor off");
        row("rate", {"rate", "300"}, "cannot report at 300 Hz");
        row("rate text", {"rate", "fast"}, "cannot report at fast Hz");
        row("effect", {"lighting", "rainbow"}, "\"rainbow\" is no lighting effect");
        row("level 0", {"lighting", "neon", "--level", "0"},
            "--level \"0\" is not a number from 1 to 5");
        row("level 6", {"lighting", "neon", "--level=6"}, "from 1 to 5");
        row("static at 1", {"lighting", "static", "--level", "1"},
            "static at level 1 is the light off");
        row("off with level", {"lighting", "off", "--level", "3"}, "off has no level");
        row("level elsewhere", {"rate", "500", "--level", "3"}, "--level belongs to the lighting");
        row("axis below", {"axis", "0", "100"}, "the X sensitivity 0 is not one");
        row("axis above", {"axis", "100", "220"}, "the Y sensitivity 220");
        row("axis off step", {"axis", "100", "110"}, "the Y sensitivity 110");
        row("axis one", {"axis", "100"}, "the Y sensitivity is missing");
        row("button 7", {"button", "7", "back"}, "the button \"7\" is not a number from 1 to 6");
        row("button function", {"button", "1", "fly"}, "\"fly\" is no function of the key menu");
        row("button no function", {"button", "1"}, "the function is missing");
        row("profile 7", {"profile", "switch", "7"}, "profile 7 does not exist");
        row("profile 0", {"profile", "switch", "0"}, "profile 0 does not exist");
        row("profile sub", {"profile", "delete", "1"}, "\"profile delete\" is not a command");
        row("export without file", {"profile", "export", "1"}, "the file to write is missing");
        row("macro sub", {"macro", "run"}, "\"macro run\" is not a command");
        row("macro blank name", {"macro", "import", "a.mc", " "}, "the macro needs a name");
    }
    void refusesWhatTheMouseCannotTake() {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        const ctl::Parsed p = ctl::parse(args, QStringLiteral("/work"));
        QVERIFY(!p.command);
        QVERIFY2(p.problem.contains(says), qPrintable(p.problem));
    }

    // Every function the command line names is the menu's: names and words both resolve,
    // and the answer the running program sends back survives the trip.
    void namesAndAnswersRoundTrip() {
        for (const model::KeyFunction& f : model::keyFunctions()) {
            QCOMPARE(model::keyFunctionCode(f.name), f.code);
            QCOMPARE(model::keyFunctionCode(f.word), f.code);
            QCOMPARE(model::keyFunctionOfCode(f.code.toUpper())->word, f.word);
        }
        QVERIFY(model::keyFunctionCode(QString()).isEmpty());
        QVERIFY(!model::keyFunctionOfCode(QStringLiteral("09000100")));
        const ctl::Outcome o{1, QStringLiteral("out\n"), QStringLiteral("no mouse")};
        const ctl::Outcome back = ctl::outcomeFromJson(
            QJsonDocument::fromJson(QJsonDocument(ctl::toJson(o)).toJson()).object());
        QCOMPARE(back.exit, 1);
        QCOMPARE(back.out, o.out);
        QCOMPARE(back.err, o.err);
        // An answer that is not one counts as the mouse not reached, never as done.
        QCOMPARE(ctl::outcomeFromJson({}).exit, 1);
        QCOMPARE(ctl::outcomeFromJson({{"exit", 7}}).exit, 1);
        const QString listed = ctl::buttonFunctions(false).out;
        QVERIFY(listed.contains(QStringLiteral("volume-up        Volume Up\n")));
        QCOMPARE(QJsonDocument::fromJson(ctl::buttonFunctions(true).out.toUtf8())["functions"]
                     .toArray()
                     .size(),
                 model::keyFunctions().size());
    }
};

QTEST_GUILESS_MAIN(CommandTest)
#include "command_test.moc"
