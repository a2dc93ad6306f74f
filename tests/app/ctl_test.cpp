// mouse-suite-ctl against the virtual mouse, on its own (headless) and with the configurator
// running in this process and taking the commands over its message channel: what each
// command does to the mouse, the profile and the page; refused values; a mouse that is
// absent or does not take a command; several invocations at once.
#include "app/command_runner.h"
#include "app/configurator_root.h"
#include "app/my_quick_view.h"
#include "app/widget.h"
#include "bench/bench_shell.h"
#include "platform/capture/copydata_message.h"
#include "platform/capture/message_channel.h"
#include "store/store_test_support.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QQuickItem>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

struct Run {
    int exit = -1;
    QString out, err;
};

// A copy of mouse-suite-ctl beside a fresh copy of the installation data, a virtual mouse,
// and with `withConfigurator` the configurator of this process owning the mouse.
struct Rig {
    explicit Rig(bool withConfigurator, bool plugged = true, const QStringList& mouseArgs = {})
        : folder(mouseArgs), mouse(*folder.mouse) {
        program = folder.dir.filePath(QStringLiteral("mouse-suite-ctl"));
        QFile::copy(QStringLiteral(CTL_BIN), program);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
        if (!plugged)
            mouse.ctl({"unplug"});
        if (!withConfigurator)
            return;
        root = std::make_unique<ConfiguratorRoot>();
        runner = std::make_unique<CommandRunner>(*root);
        channel = std::make_unique<MessageChannel>();
        channel->setRequestHandler(
            msgchannel::kControlTag,
            [this](const QByteArray& data, const MessageChannel::Reply& reply) {
                runner->runRequest(data, reply);
            });
        channel->setCopyDataHandler([](const msgchannel::CopyData&, void*) {}, qApp, nullptr);
        QSignalSpy discoveries(&root->link(), &Hid_Thread::discoveryFinished);
        root->window().checkDevice();
        discoveries.wait(10000);
        if (plugged)
            QTRY_VERIFY_WITH_TIMEOUT(item("content") && item("content")->isVisible(), 10000);
    }
    ~Rig() {
        channel.reset();
        runner.reset();
        root.reset();
    }

    // Runs mouse-suite-ctl to its end, the event loop turning meanwhile (the configurator
    // answers from it).
    QProcess* start(const QStringList& args) {
        auto* p = new QProcess;
        p->setWorkingDirectory(folder.dir.path());
        p->start(program, args);
        return p;
    }
    static Run finish(QProcess* p) {
        QElapsedTimer clock;
        clock.start();
        while (p->state() != QProcess::NotRunning && clock.elapsed() < 90000)
            if (!p->waitForFinished(5))
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        Run r{p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1,
              QString::fromUtf8(p->readAllStandardOutput()),
              QString::fromUtf8(p->readAllStandardError())};
        delete p;
        return r;
    }
    Run ctl(const QStringList& args) { return finish(start(args)); }

    QString file(const QString& rel) const { return folder.dir.filePath(rel); }
    // A profile value as written, read afresh (a list joined with ", ").
    QString stored(const QString& key, int profile = 0) const {
        QSettings s(file(QStringLiteral("modules/setting/p%1.bin").arg(profile + 1)),
                    QSettings::IniFormat);
        // In this process the configurator's own settings object may answer with its types.
        const QVariant v = s.value(key);
        if (v.typeId() != QMetaType::QStringList && v.typeId() != QMetaType::QVariantList)
            return v.toString();
        QStringList items;
        for (const QVariant& item : v.toList())
            items << item.toString();
        return items.join(QStringLiteral(", "));
    }
    void store(const QString& key, const QVariant& value, int profile = 0) const {
        QSettings s(file(QStringLiteral("modules/setting/p%1.bin").arg(profile + 1)),
                    QSettings::IniFormat);
        s.setValue(key, value);
    }
    // "a.b" into the mouse's state; "key#n" is the n-th byte of a hex string.
    QString state(const QString& path) const {
        QJsonValue v = mouse.state();
        for (const QString& part : path.section('#', 0, 0).split('.'))
            v = v.isArray() ? v.toArray().at(part.toInt()) : v.toObject().value(part);
        const QString text = v.isString() ? v.toString() : QString::number(v.toDouble());
        return path.contains('#') ? text.split(' ').value(path.section('#', 1).toInt()) : text;
    }
    QQuickItem* page() const { return root->window().view()->rootObject(); }
    QQuickItem* item(const char* name) const { return page()->findChild<QQuickItem*>(name); }
    // What the page's panels show, by path ("stages.1.value").
    QString shown(const QString& path) const {
        QVariant v;
        QMetaObject::invokeMethod(page(), "commandStatus", Q_RETURN_ARG(QVariant, v));
        v = v.value<QJSValue>().toVariant();
        for (const QString& part : path.split('.'))
            v = v.typeId() == QMetaType::QVariantList ? v.toList().value(part.toInt())
                                                      : v.toMap().value(part);
        return v.toString();
    }
    // The command codes sent to the mouse since the log was last cleared.
    QStringList sentCodes() const {
        QStringList codes;
        for (const QJsonObject& r : mouse.log(QStringLiteral("feature")))
            if (r.value("dir").toString() == QLatin1String("to_device"))
                codes << r.value("plain").toString().section(' ', 1, 1);
        return codes;
    }

    bench::ShellFolder folder;
    testsupport::VirtualMouse& mouse;
    QString program;
    std::unique_ptr<ConfiguratorRoot> root;
    std::unique_ptr<CommandRunner> runner;
    std::unique_ptr<MessageChannel> channel;
};

} // namespace

class CtlTest : public QObject {
    Q_OBJECT
    QTemporaryDir runtime_;

  private slots:
    void initTestCase() {
        // Locks and the message socket of this test's own.
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toUtf8());
        qunsetenv("DISPLAY");
    }

    void settingsReachMouseProfileAndPage_data() {
        QTest::addColumn<bool>("withConfigurator");
        QTest::addColumn<QStringList>("args");
        // "profile key=value", "state path=value", "page path=value"
        QTest::addColumn<QStringList>("expect");
        const QList<std::pair<const char*, std::pair<QStringList, QStringList>>> rows{
            {"dpi",
             {{"dpi", "set", "2", "2500"},
              {"sensor/dpi_Q7=500, 2500, 1500, 2000, 3000, 4000, 250, 250", "dpi_codes#1=45",
               "stages.1.value=2500"}}},
            {"dpi lowest of last stage",
             {{"dpi", "set", "6", "250"},
              {"sensor/dpi_Q7=500, 1000, 1500, 2000, 3000, 250, 250, 250", "stages.5.value=250"}}},
            {"stage off",
             {{"dpi", "enable", "4", "off"},
              {"sensor/dpi_Select=1, 1, 1, 0, 0, 0, 0, 0", "dpi_codes#3=80", "stages.3.on=false"}}},
            {"rate", {{"rate", "250"}, {"sensor/reportRate_Q7=4", "report_rate=4", "interval=4"}}},
            {"lighting",
             {{"lighting", "neon", "--level", "2"},
              {"color_Q7/ledEffect=3, 1, 2", "led_effect.effect=3", "led_effect.option1=12",
               "effect=3", "level=1"}}},
            {"lighting off",
             {{"lighting", "off"},
              {"color_Q7/ledEffect=1, 0, 2", "led_effect.effect=0", "level=0"}}},
            {"axis",
             {{"axis", "40", "200"},
              {"XYSensitive/0=1", "XYSensitive/1=9", "xy_sensitivity.x=40", "xy_sensitivity.y=200",
               "x=40", "y=200"}}},
            {"button",
             {{"button", "6", "volume-up"},
              {"keydefine_Q7/5=3, 0, 233, 0", "button_table#20=03", "button_table#22=e9",
               "buttons.5=Volume Up"}}},
        };
        for (const bool with : {false, true})
            for (const auto& [name, row] : rows)
                QTest::addRow("%s %s", with ? "configurator" : "headless", name)
                    << with << row.first << row.second;
    }
    void settingsReachMouseProfileAndPage() {
        QFETCH(bool, withConfigurator);
        QFETCH(QStringList, args);
        QFETCH(QStringList, expect);
        Rig rig(withConfigurator);
        QVERIFY(rig.mouse.started());
        const Run r = rig.ctl(args);
        QVERIFY2(r.exit == 0, qPrintable(r.err));
        QCOMPARE(r.err, QString());
        for (const QString& e : expect) {
            const QString what = e.section('=', 0, 0), want = e.section('=', 1);
            if (what.contains('/'))
                QCOMPARE(rig.stored(what), want);
            else if (what.contains('#') || what.contains('_'))
                QCOMPARE(rig.state(what), want);
            else if (withConfigurator)
                QCOMPARE(rig.shown(what), want);
        }
    }

    // What status says is what the mouse runs, both ways and in both forms.
    void statusSaysWhatTheMouseRuns() {
        for (const bool with : {false, true}) {
            Rig rig(with);
            QCOMPARE(rig.ctl({"rate", "250"}).exit, 0);
            QCOMPARE(rig.ctl({"lighting", "breath", "--level", "2"}).exit, 0);
            Run r = rig.ctl({"status"});
            QCOMPARE(r.exit, 0);
            for (const char* line :
                 {"Mouse:         found, firmware 1.0A\n", "Profile:       1 \"profile_0\"\n",
                  "Report rate:   250 Hz\n", "  1   500  on   #ff0000\n",
                  "  6  4000  off  #ff00ff\n", "Lighting:      breath, level 2\n",
                  "Axis:          X 100, Y 100\n", "  6  DPI +\n"})
                QVERIFY2(r.out.contains(QString::fromUtf8(line)), qPrintable(r.out));
            r = rig.ctl({"--json", "status"});
            const QJsonObject s = QJsonDocument::fromJson(r.out.toUtf8()).object();
            QCOMPARE(s["reportRate"].toInt(), 250);
            QCOMPARE(s["dpi"][0]["stage"].toInt(), 1);
            QCOMPARE(s["dpi"][3]["on"].toBool(), true);
            QCOMPARE(s["dpi"][4]["on"].toBool(), false);
            QCOMPARE(s["lighting"]["effect"].toString(), QStringLiteral("breath"));
            QCOMPARE(s["lighting"]["level"].toInt(), 2);
            QCOMPARE(s["profile"]["number"].toInt(), 1);
            QCOMPARE(s["buttons"][0]["function"].toString(), QStringLiteral("Left Button"));
            QCOMPARE(s["mouse"]["firmware"].toString(), QStringLiteral("1.0A"));
        }
    }

    // Nothing is written or sent for a value the mouse cannot take or the page refuses.
    void refusedValuesChangeNothing_data() {
        QTest::addColumn<bool>("withConfigurator");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        for (const bool with : {false, true}) {
            const char* mode = with ? "configurator" : "headless";
            QTest::addRow("%s dpi", mode)
                << with << QStringList{"dpi", "set", "1", "800"} << "it takes 250, 500, 750, 1000";
            QTest::addRow("%s last left button", mode)
                << with << QStringList{"button", "1", "back"} << "must keep a left button";
            QTest::addRow("%s unknown profile", mode)
                << with << QStringList{"profile", "switch", "4"}
                << "profile 4 is not in the profile list";
        }
    }
    void refusedValuesChangeNothing() {
        QFETCH(bool, withConfigurator);
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        Rig rig(withConfigurator);
        QVERIFY(rig.ctl({"status"}).exit == 0); // the mouse holds the profile
        QFile profile(rig.file("modules/setting/p1.bin"));
        QVERIFY(profile.open(QIODevice::ReadOnly));
        const QByteArray before = profile.readAll();
        const QString buttons = rig.state("button_table");
        const Run r = rig.ctl(args);
        QCOMPARE(r.exit, 2);
        QVERIFY2(r.err.startsWith("mouse-suite-ctl: ") && r.err.contains(says), qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), 1);
        profile.seek(0);
        QCOMPARE(profile.readAll(), before);
        QCOMPARE(rig.state("button_table"), buttons);
        if (withConfigurator)
            QCOMPARE(rig.shown("buttons.0"), QStringLiteral("Left Button"));
    }

    // No mouse, a mouse that refuses the handshake, one that stops taking commands.
    void absentOrRefusingMouseIsSaid() {
        for (const bool with : {false, true}) {
            Rig unplugged(with, false);
            const Run r = unplugged.ctl({"--json", "status"});
            QCOMPARE(r.exit, 1);
            QCOMPARE(r.err, QStringLiteral("mouse-suite-ctl: No mouse is plugged in.\n"));
            QCOMPARE(QJsonDocument::fromJson(r.out.toUtf8())["mouse"]["found"].toBool(true), false);
            QCOMPARE(unplugged.ctl({"rate", "250"}).exit, 1);
            QCOMPARE(unplugged.stored("sensor/reportRate_Q7"), QStringLiteral("1"));
            // The lists and exports need no mouse.
            QCOMPARE(unplugged.ctl({"profile", "list"}).out, QStringLiteral("* 1  profile_0\n"));
            QCOMPARE(unplugged.ctl({"profile", "export", "1", "p"}).exit, 0);
            QCOMPARE(ModulesDir::readAt(unplugged.file("p.pf")),
                     ModulesDir::readAt(unplugged.file("modules/setting/p1.bin")));
        }
        {
            Rig refusing(false, true, {"--encrypted", "--code", "654321"});
            refusing.mouse.ctl({"fault", "garbage", "50"});
            const Run r = refusing.ctl({"dpi", "set", "1", "750"});
            QCOMPARE(r.exit, 1);
            QVERIFY2(r.err.contains("refused the handshake") || r.err.contains("No mouse"),
                     qPrintable(r.err));
            QCOMPARE(refusing.stored("sensor/dpi_Q7").section(',', 0, 0), QStringLiteral("500"));
        }
        Rig rig(true);
        QCOMPARE(rig.ctl({"status"}).exit, 0); // behind whatever acceptance sent
        rig.mouse.ctl({"fault", "send-feature", "20"});
        const Run r = rig.ctl({"dpi", "set", "1", "750"});
        QCOMPARE(r.exit, 1);
        QVERIFY2(r.err.startsWith("mouse-suite-ctl: The mouse did not take: DPI stages"),
                 qPrintable(r.err));
        // The profile and the page keep the user's choice, and the page says it did not take.
        QCOMPARE(rig.stored("sensor/dpi_Q7").section(',', 0, 0), QStringLiteral("750"));
        QCOMPARE(rig.shown("stages.0.value"), QStringLiteral("750"));
        QVERIFY(rig.item("sendFailedNotice")->isVisible());
    }

    // Two at once never interleave on the mouse: each headless invocation has the mouse
    // from its handshake to its last command; the configurator takes them in turn.
    void concurrentInvocationsTakeTurns() {
        for (const bool with : {false, true}) {
            Rig rig(with);
            QCOMPARE(rig.ctl({"status"}).exit, 0);
            rig.mouse.clearLog();
            QProcess* a = rig.start({"dpi", "set", "1", "4000"});
            QProcess* b = rig.start({"axis", "200", "20"});
            const Run ra = Rig::finish(a), rb = Rig::finish(b);
            QVERIFY2(ra.exit == 0 && rb.exit == 0, qPrintable(ra.err + rb.err));
            QCOMPARE(rig.state("dpi_codes#0"), QStringLiteral("48"));
            QCOMPARE(rig.state("xy_sensitivity.x"), QStringLiteral("200"));
            QCOMPARE(rig.stored("XYSensitive/1"), QStringLiteral("0"));
            if (with)
                continue;
            // Sessions start with the handshake's 00; each holds one of the two commands.
            const QStringList sessions =
                rig.sentCodes().join(' ').split(QStringLiteral("00"), Qt::SkipEmptyParts);
            QCOMPARE(sessions.size(), 2);
            QVERIFY2(sessions[0].contains("11") != sessions[0].contains("0E"),
                     qPrintable(sessions[0]));
            QVERIFY2(sessions[1].contains("11") != sessions[1].contains("0E"),
                     qPrintable(sessions[1]));
        }
    }

    // Switch by name, export, import back and factory reset, on a profile that is not 1.
    void profilesSwitchExportImportAndReset() {
        for (const bool with : {false, true}) {
            Rig rig(with);
            {
                QFile names(rig.file("modules/setting/name.bin"));
                QVERIFY(names.open(QIODevice::WriteOnly | QIODevice::Truncate));
                names.write("[profile]\nprofileName=work0, game night2\n");
            }
            rig.store("sensor/dpi_Q7",
                      QStringList{"3500", "1000", "1500", "2000", "3000", "4000", "250", "250"}, 2);
            rig.store("XYSensitive/0", 7, 2);
            if (with) // the page reads the list when it shows the profiles
                QMetaObject::invokeMethod(rig.item("Profile"), "init");
            Run r = rig.ctl({"profile", "switch", "game"}); // a name is the whole name
            QCOMPARE(r.exit, 2);
            QVERIFY2(r.err.contains("the profiles are 1 work, 3 game night"), qPrintable(r.err));
            r = rig.ctl({"profile", "switch", "game night"});
            QVERIFY2(r.exit == 0, qPrintable(r.err));
            QCOMPARE(rig.state("dpi_codes#0"), QStringLiteral("47"));
            QCOMPARE(rig.state("xy_sensitivity.x"), QStringLiteral("160"));
            QCOMPARE(QSettings(rig.file("modules/setting/apConfig.bin"), QSettings::IniFormat)
                         .value("Q7/profileNo")
                         .toInt(),
                     2);
            if (with)
                QCOMPARE(rig.shown("profile"), QStringLiteral("2"));
            // The mouse holds it now: the next start on this profile does not send it again.
            rig.mouse.clearLog();
            QCOMPARE(rig.ctl({"status"}).exit, 0);
            QVERIFY2(!rig.sentCodes().contains("12"), qPrintable(rig.sentCodes().join(' ')));
            r = rig.ctl({"--json", "profile", "list"});
            QCOMPARE(r.out,
                     QStringLiteral("{\"current\":3,\"profiles\":[{\"current\":false,\"name\":"
                                    "\"work\",\"number\":1},{\"current\":true,\"name\":"
                                    "\"game night\",\"number\":3}]}\n"));

            r = rig.ctl({"profile", "export", "3", "saved"});
            QCOMPARE(r.out, QStringLiteral("wrote %1\n").arg(rig.file("saved.pf")));
            QCOMPARE(rig.ctl({"dpi", "set", "1", "250"}).exit, 0);
            QCOMPARE(rig.state("dpi_codes#0"), QStringLiteral("01"));
            r = rig.ctl({"profile", "import", "saved.pf"});
            QVERIFY2(r.exit == 0, qPrintable(r.err));
            QCOMPARE(rig.stored("sensor/dpi_Q7", 2).section(',', 0, 0), QStringLiteral("3500"));
            QCOMPARE(rig.state("dpi_codes#0"), QStringLiteral("47"));
            // Not a profile, or nothing there: said, and nothing changes.
            QFile junk(rig.file("junk.pf"));
            QVERIFY(junk.open(QIODevice::WriteOnly));
            junk.write("not a profile");
            junk.close();
            r = rig.ctl({"profile", "import", "junk.pf"});
            QCOMPARE(r.exit, 1);
            QVERIFY2(r.err.contains("not a profile"), qPrintable(r.err));
            QCOMPARE(rig.ctl({"profile", "export", "3", "/nonexistent/dir/x"}).exit, 1);

            r = rig.ctl({"factory-reset", "--yes"});
            QVERIFY2(r.exit == 0, qPrintable(r.err));
            QCOMPARE(rig.stored("sensor/dpi_Q7", 2).section(',', 0, 0), QStringLiteral("500"));
            QCOMPARE(rig.stored("XYSensitive/0", 2), QStringLiteral("4"));
            QCOMPARE(rig.state("dpi_codes#0"), QStringLiteral("02"));
            // Profile 1 is untouched.
            QCOMPARE(rig.stored("sensor/dpi_Q7", 0).section(',', 0, 0), QStringLiteral("500"));
        }
    }

    void macrosImportListAndExport() {
        for (const bool with : {false, true}) {
            Rig rig(with);
            const QByteArray macro =
                "[config]\nindex=0\ntotal=1\nrepeat=2\ndid=0\n\n[macro]\n0=\"0,1 4\"\n";
            QFile in(rig.file("Rapid fire.mc"));
            QVERIFY(in.open(QIODevice::WriteOnly));
            in.write(macro);
            in.close();
            // Button 4 plays it (from slot 4): the import sends it there.
            if (!with) {
                rig.store("keydefine_Q7/3", QStringList{"9", "0", "4", "0"});
                rig.store("macro/3", "Rapid fire");
            }
            const QString slotBefore = rig.state("macros.3");
            Run r = rig.ctl({"macro", "import", "Rapid fire.mc"});
            QVERIFY2(r.exit == 0, qPrintable(r.err));
            if (!with)
                QVERIFY(rig.state("macros.3") != slotBefore);
            QCOMPARE(rig.ctl({"macro", "list"}).out, QStringLiteral("Rapid fire\n"));
            r = rig.ctl({"macro", "export", "Rapid fire", "out"});
            QCOMPARE(r.exit, 0);
            QFile out(rig.file("out.mc"));
            QVERIFY(out.open(QIODevice::ReadOnly));
            QCOMPARE(out.readAll(), macro);
            if (with) {
                QVariant names;
                QMetaObject::invokeMethod(rig.item("MacroEditor"), "names",
                                          Q_RETURN_ARG(QVariant, names));
                QCOMPARE(names.value<QJSValue>().toVariant().toStringList(),
                         QStringList{"Rapid fire"});
            }
            r = rig.ctl({"macro", "import", "out.mc", "../escape"});
            QCOMPARE(r.exit, 2);
            QVERIFY2(r.err.contains("\"../escape\" cannot name a macro"), qPrintable(r.err));
            QCOMPARE(rig.ctl({"macro", "export", "Nope", "x"}).exit, 2);
            QVERIFY(!QFile::exists(rig.file("modules/escape.bin")));
        }
    }
};

QTEST_MAIN(CtlTest)
#include "ctl_test.moc"
