// A D-Bus session bus of the test's own (dbus-daemon --session), so that fakes of the
// desktop's services (portals, the compositor) reach no real desktop and no other test.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace testsupport {

class PrivateBus {
  public:
    // Starts the daemon; false (and `problem` set) when there is none or it did not start.
    bool start() {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (program.isEmpty()) {
            problem = QStringLiteral("no dbus-daemon");
            return false;
        }
        daemon_.start(program, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                QStringLiteral("--print-address=1")});
        QByteArray out;
        while (!out.contains('\n') && daemon_.waitForReadyRead(20000))
            out += daemon_.readAllStandardOutput();
        address = QString::fromUtf8(out).trimmed();
        if (address.isEmpty())
            problem = QStringLiteral("dbus-daemon gave no address");
        return !address.isEmpty();
    }
    ~PrivateBus() {
        daemon_.terminate();
        if (!daemon_.waitForFinished(20000))
            daemon_.kill();
    }

    QString address;
    QString problem;

  private:
    QProcess daemon_;
};

} // namespace testsupport
