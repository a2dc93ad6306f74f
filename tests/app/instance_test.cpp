// The configurator as a user starts it: the real program from a copy of the portable
// folder, on the test display, against a virtual mouse that is not plugged in.
#include "platform/capture/message_channel.h"
#include "support/virtual_mouse_fixture.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The program's (visible) top-level windows named exactly `title`.
int visibleWindows(qint64 pid, const QString& title, bool onlyVisible = true) {
    QProcess p;
    p.start("xdotool", QStringList{"search", "--all", "--pid", QString::number(pid)} +
                           (onlyVisible ? QStringList{"--onlyvisible"} : QStringList{}) +
                           QStringList{"--name", "^" + QRegularExpression::escape(title) + "$"});
    p.waitForFinished(10000);
    return int(p.readAllStandardOutput().count('\n'));
}

} // namespace

class InstanceTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X display (./test.sh starts one)");
        // The instance lock and the message channel live in the session's runtime folder:
        // a private one keeps a configurator running elsewhere out of this test's way.
        QVERIFY(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
    }

    void oneInstanceFoundFromAnywhereWithItsHotKeyAndWarnings() {
        testsupport::VirtualMouse mouse;
        QVERIFY(mouse.started());
        QCOMPARE(mouse.ctl({"unplug"}), 0);
        QTemporaryDir dir; // a portable folder of its own
        testsupport::copyTree(DIST_DIR "/modules", dir.filePath("modules"));
        QVERIFY(QFile::copy(DIST_DIR "/configurator", dir.filePath("configurator")));
        const QString title = "Instance Probe 4711";
        QSettings(dir.filePath("modules/setting/apConfig.bin"), QSettings::IniFormat)
            .setValue("common/name1", title);
        // Started from another working directory, as from a desktop menu.
        // Installed, it is started through a link of another name.
        QVERIFY(QFile::link(dir.filePath("configurator"), dir.filePath("mouse-suite")));
        const auto start = [&](QProcess& p,
                               QProcess::ProcessChannelMode mode = QProcess::ForwardedErrorChannel,
                               const QString& name = QStringLiteral("configurator")) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("VIRTUAL_MOUSE_SOCKET", mouse.socketPath());
            env.insert("QT_QPA_PLATFORM", "xcb");
            p.setProcessEnvironment(env);
            p.setWorkingDirectory(QDir::rootPath());
            p.setProcessChannelMode(mode);
            p.start(dir.filePath(name), {});
        };
        QProcess first;
        start(first, QProcess::SeparateChannels, "mouse-suite"); // its lines are read below
        QVERIFY(first.waitForStarted());
        const qint64 pid = first.processId();
        // It found ./modules beside itself (the title) and, with no mouse, hid the window.
        // The window exists before it is first shown, so "not visible" counts only once the
        // handshake has failed (the window was shown before it ran).
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(pid, title, false) == 1, 15000);
        // One window class however it was started: the desktop entry's StartupWMClass.
        QProcess classes;
        classes.start("xdotool", {"search", "--all", "--pid", QString::number(pid), "--classname",
                                  "^configurator$"});
        QVERIFY(classes.waitForFinished(10000));
        QVERIFY(!classes.readAllStandardOutput().trimmed().isEmpty());
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += first.readAllStandardError()).contains("Device Error"),
                                 15000);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(pid, title) == 0, 15000);
        // Pressed until it works: the key capture starts after the window hid.
        QTRY_VERIFY_WITH_TIMEOUT((QProcess::execute("xdotool", {"key", "shift+alt+F12"}),
                                  visibleWindows(pid, title) == 1),
                                 15000);

        QProcess second;
        start(second, QProcess::SeparateChannels);
        QVERIFY(second.waitForFinished(15000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 1);
        // It says why it stops and who holds the lock, and asked that one for its window.
        QCOMPARE(QString::fromUtf8(second.readAllStandardError()).trimmed(),
                 QStringLiteral("configurator: it is already running (process %1); its window "
                                "was asked to show.")
                     .arg(pid));

        // Another process's warning: a box titled like the window.
        QVERIFY(msgchannel::sendCopyData(MessageChannel::defaultServerName(), 0x250F, "careful"));
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(pid, title) == 2, 15000);
        QCOMPARE(first.state(), QProcess::Running);
    }

  private:
    QTemporaryDir runtime_;
};

QTEST_GUILESS_MAIN(InstanceTest)
#include "instance_test.moc"
