// The seam hands out the virtual mouse's client only when VIRTUAL_MOUSE_SOCKET names it.
#include "hid_seam.h"
#include "virtual_mouse_fixture.h"

#include <QProcess>
#include <QTest>

class SeamChoiceTest : public QObject {
    Q_OBJECT

    QString probe() const { return QCoreApplication::applicationDirPath() + "/seam_probe"; }

    // Runs the probe with the variable set to `socket` (unset when null).
    QString run(const char* socket) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("VIRTUAL_MOUSE_SOCKET");
        if (socket)
            env.insert("VIRTUAL_MOUSE_SOCKET", QString::fromUtf8(socket));
        p.setProcessEnvironment(env);
        p.start(probe(), {});
        if (!p.waitForFinished(20000))
            return "timeout";
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

  private slots:
    void choiceByText() {
        QCOMPARE(QString(hidseam::apiFor(nullptr).name), QString("hidapi"));
        QCOMPARE(QString(hidseam::apiFor("").name), QString("hidapi"));
        QCOMPARE(QString(hidseam::apiFor("/tmp/some.sock").name), QString("virtual-mouse"));
        // The real functions really are hidapi's.
        QVERIFY(hidseam::apiFor(nullptr).open_path == &hid_open_path);
    }

    void freshProcessFollowsTheEnvironment() {
        testsupport::VirtualMouse mouse;
        QVERIFY(mouse.started());
        const QByteArray socket = mouse.socketPath().toUtf8();
        QCOMPARE(run(socket.constData()), QString("virtual-mouse mouse"));
        QVERIFY(run(nullptr).startsWith("hidapi "));
        QVERIFY(run("").startsWith("hidapi "));
    }

    void hotplugSourceFollowsTheEnvironment() {
        testsupport::VirtualMouse mouse;
        QVERIFY(mouse.started());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VIRTUAL_MOUSE_SOCKET", mouse.socketPath());
        p.setProcessEnvironment(env);
        p.start(probe(), {"watch"});
        QByteArray out;
        while (!out.contains("watching") && p.waitForReadyRead(10000))
            out += p.readAllStandardOutput();
        QVERIFY(out.contains("watching"));
        QCOMPARE(mouse.ctl({"unplug"}), 0);
        QVERIFY(p.waitForFinished(20000));
        out += p.readAllStandardOutput();
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(out.contains("removed virtual-mouse/"));
    }
};

QTEST_GUILESS_MAIN(SeamChoiceTest)
#include "seam_choice_test.moc"
