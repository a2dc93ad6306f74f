// The configurator as a user starts it: the real program from a copy of the portable
// folder, on the test display, against a virtual mouse.
#include "message_channel.h"
#include "virtual_mouse_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList xdotool(const QStringList& args) {
    QProcess p;
    p.start("xdotool", args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// Visible top-level windows of a process.
// The program's windows named exactly `title` (on a desktop without a tray, a waiting
// window with a longer title stands in while the main one is hidden).
int visibleWindows(qint64 pid, const QString& title) {
    return int(xdotool({"search", "--all", "--onlyvisible", "--pid", QString::number(pid), "--name",
                        "^" + QRegularExpression::escape(title) + "$"})
                   .size());
}

int visibleWindows(qint64 pid) {
    return int(xdotool({"search", "--onlyvisible", "--pid", QString::number(pid)}).size());
}

bool waitFor(const std::function<bool()>& condition, int ms = 15000) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(100);
    }
    return true;
}

// A portable folder of its own, so the test's settings and lock are private to it.
struct Install {
    explicit Install(const QString& title) {
        testsupport::copyTree(QStringLiteral(DIST_DIR "/modules"), dir.filePath("modules"));
        QFile::copy(QStringLiteral(DIST_DIR "/configurator"), program());
        QSettings config(dir.filePath("modules/setting/apConfig.bin"), QSettings::IniFormat);
        config.setValue("common/name1", title);
    }
    QString program() const { return dir.filePath("configurator"); }

    // Started from another working directory, as from a desktop menu.
    void start(QProcess& p, const testsupport::VirtualMouse& mouse) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VIRTUAL_MOUSE_SOCKET", mouse.socketPath());
        env.insert("QT_QPA_PLATFORM", "xcb");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QDir::rootPath());
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(program(), {});
    }

    QTemporaryDir dir;
};

struct Running {
    ~Running() {
        if (p.state() != QProcess::NotRunning) {
            p.terminate();
            if (!p.waitForFinished(5000)) {
                p.kill();
                p.waitForFinished(5000);
            }
        }
    }
    QProcess p;
};

} // namespace

class InstanceTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X display (./test.sh starts one)");
    }

    void oneInstanceFoundFromAnywhere() {
        testsupport::VirtualMouse mouse;
        QVERIFY(mouse.started());
        Install install("Instance Probe 4711");
        Running first;
        install.start(first.p, mouse);
        QVERIFY(first.p.waitForStarted());
        // It found ./modules beside itself: the title comes from its configuration.
        QVERIFY(waitFor([&] {
            return !xdotool({"search", "--onlyvisible", "--name", "Instance Probe 4711"}).isEmpty();
        }));
        QVERIFY(waitFor([&] { return !mouse.log("feature").empty(); }));

        QProcess second;
        install.start(second, mouse);
        QVERIFY(second.waitForFinished(15000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(first.p.state(), QProcess::Running);
        QCOMPARE(visibleWindows(first.p.processId()), 1);
    }

    void hotKeyBringsBackTheHiddenWindow() {
        testsupport::VirtualMouse mouse;
        QVERIFY(mouse.started());
        QCOMPARE(mouse.ctl({"unplug"}), 0);
        Install install("Hot Key Probe");
        Running app;
        install.start(app.p, mouse);
        QVERIFY(app.p.waitForStarted());
        const qint64 pid = app.p.processId();
        // No mouse: the window hides.
        QVERIFY(waitFor([&] { return !xdotool({"search", "--name", "Hot Key Probe"}).isEmpty(); }));
        QVERIFY(waitFor([&] { return visibleWindows(pid, "Hot Key Probe") == 0; }));
        xdotool({"key", "alt+F12"});
        QTest::qWait(700);
        QCOMPARE(visibleWindows(pid, "Hot Key Probe"), 0);
        xdotool({"key", "shift+alt+F12"});
        QVERIFY(waitFor([&] { return visibleWindows(pid, "Hot Key Probe") == 1; }, 5000));
    }

    void messageChannelShowsOneWarning() {
        testsupport::VirtualMouse mouse;
        QVERIFY(mouse.started());
        Install install("Channel Probe");
        Running app;
        install.start(app.p, mouse);
        QVERIFY(app.p.waitForStarted());
        const qint64 pid = app.p.processId();
        QVERIFY(waitFor([&] { return visibleWindows(pid) == 1; }));
        const QString server = MessageChannel::defaultServerName();
        // The zero counted in the length: nothing.
        QVERIFY(msgchannel::sendCopyData(server, 0x250F, QByteArray("careful\0", 8)));
        QTest::qWait(700);
        QCOMPARE(visibleWindows(pid), 1);
        QVERIFY(msgchannel::sendCopyData(server, 0x250F, QByteArray("careful")));
        QVERIFY(waitFor([&] { return visibleWindows(pid) == 2; }, 5000));
        // Another dwData: still one box.
        QVERIFY(msgchannel::sendCopyData(server, 0x1234, QByteArray("careful")));
        QTest::qWait(700);
        QCOMPARE(visibleWindows(pid), 2);
    }
};

QTEST_GUILESS_MAIN(InstanceTest)
#include "instance_test.moc"
