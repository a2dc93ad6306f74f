// The message channel: the warning check and the frame reader on their own, then the Linux
// local server end to end, including peers of another user.
#include "local_peer.h"
#include "message_channel.h"
#include "runtime_dir.h"

#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using msgchannel::CopyData;
using msgchannel::FrameReader;
using msgchannel::warningText;

namespace {

QByteArray frameBytes(std::uint32_t dwData, const QByteArray& data) {
    const auto f = msgchannel::encodeFrame(dwData, data.constData(), std::uint32_t(data.size()));
    return QByteArray(reinterpret_cast<const char*>(f.data()), qsizetype(f.size()));
}

bool append(FrameReader& reader, const QByteArray& bytes) {
    return reader.append(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                         std::size_t(bytes.size()));
}

// The child of a fork: connects to `path` as user `uid` (still reaching the root-owned
// socket file through the file-system user id), sends `frame` and waits for the server to
// hang up. Only async-signal-safe calls.
[[noreturn]] void connectAs(const char* path, uid_t uid, const char* frame, std::size_t size) {
    if (setresuid(uid_t(-1), uid, uid_t(-1)) != 0)
        _exit(10);
    setfsuid(0);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path, sizeof addr.sun_path - 1);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        _exit(11);
    if (write(fd, frame, size) != ssize_t(size))
        _exit(12);
    char buf[16];
    while (read(fd, buf, sizeof buf) > 0) {
    }
    _exit(0);
}

} // namespace

class MessageChannelTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString name;
    std::unique_ptr<MessageChannel> channel;
    QList<QByteArray> received; // "dwData:bytes" in hex dwData
    QStringList shown;
    MessageChannel* stopFromHandler = nullptr;

    // What the program's start-up does with a message, and a record of what came.
    static void onMessage(const CopyData& message, void* context) {
        auto* self = static_cast<MessageChannelTest*>(context);
        self->received << QByteArray::number(quint32(message.dwData), 16) + ':' +
                              QByteArray(static_cast<const char*>(message.lpData),
                                         qsizetype(message.cbData));
        if (const auto text = warningText(message))
            self->shown << QString::fromStdString(*text);
        if (self->stopFromHandler)
            self->stopFromHandler->stop();
    }

    // A well-formed warning after whatever the case sent, and wait for it. Connections
    // are taken in order, so whatever the earlier ones were going to deliver is in.
    void sendMarkerAndWait() {
        QVERIFY(msgchannel::sendCopyData(name, msgchannel::kWarningTag, "marker"));
        QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty() && shown.last() == "marker", 20000);
        shown.removeLast();
        received.removeLast();
    }

    void sendRaw(const QByteArray& bytes) {
        QLocalSocket socket;
        socket.connectToServer(name);
        QVERIFY(socket.waitForConnected(5000));
        socket.write(bytes);
        while (socket.bytesToWrite() > 0)
            QVERIFY(socket.waitForBytesWritten(5000));
    }

  private slots:
    // Shown only for dwData 0x250F and a cbData that is the length of the text, which is
    // well-formed UTF-8: anything else comes back longer, with U+FFFD in it.
    void warningCheck() {
        const QByteArray utf8 = QStringLiteral("Ünïcødé 警告 😀").toUtf8();
        const struct {
            quint64 dwData;
            QByteArray bytes; // the receiver's copy: exactly cbData bytes
            QString text;     // null: nothing shown
        } rows[] = {{0x250F, utf8, QString(utf8)},
                    {0x250F, utf8.left(QString(utf8).size()), {}}, // length in characters
                    {0x1250F, "hi", {}},
                    {0x250F, QByteArray("ab\0cd", 5), {}},
                    {0x250F, QByteArray("ab\0", 2), "ab"},
                    {0x250F, "a\377b", {}},
                    {0x250F, "\xE0\x80\x80", {}},                     // overlong
                    {0x250F, "\xED\xA0\x80", {}},                     // surrogate
                    {0x250F, "\xF4\x90\x80\x80", {}},                 // above U+10FFFF
                    {0x250F, "\200a", {}},                            // stray continuation
                    {0x250F, "\xF0\x9F\x98", QString(QChar(0xFFFD))}, // one U+FFFD, 3 bytes
                    {0x250F, {}, ""}};
        for (const auto& row : rows) {
            const auto text =
                warningText({std::uintptr_t(row.dwData), std::uint32_t(row.bytes.size()),
                             row.bytes.isEmpty() ? nullptr : row.bytes.constData()});
            QCOMPARE(text ? QString::fromStdString(*text) : QString(), row.text);
        }
        QCOMPARE(warningText(CopyData{0x250F, 4, nullptr}), std::nullopt);
    }

    void frames() {
        QCOMPARE(frameBytes(0x250F, "hi"), QByteArray("\x0F\x25\0\0\x02\0\0\0hi", 10));
        QCOMPARE(frameBytes(0x04030201, {}), QByteArray("\x01\x02\x03\x04\0\0\0\0", 8));
        FrameReader reader;
        QVERIFY(append(reader, QByteArray("\x07\0\0\0\3\0\0\0abc\x0F\x25", 13)));
        QCOMPARE(reader.pendingBytes(), std::size_t(2)); // a header begun is held back
        QVERIFY(append(reader, QByteArray("\0\0\x01\0\0\0", 6)));
        QVERIFY(reader.takeFrames().size() == 1 && reader.pendingBytes() == 8);
        QVERIFY(append(reader, "x"));
        const auto frames = reader.takeFrames();
        QVERIFY(frames.size() == 1 && frames[0].dwData == 0x250F && frames[0].data.size() == 1);

        // The largest frame passes; one byte more breaks the reader for good.
        QVERIFY(append(reader, frameBytes(1, QByteArray(msgchannel::kMaxFrameData, 'x'))));
        QCOMPARE(reader.takeFrames().size(), std::size_t(1));
        // A frame before the bad header still counts.
        QVERIFY(
            !append(reader, frameBytes(0x250F, "ok") + QByteArray("\x0F\x25\0\0\x01\0\x01\0", 8)));
        QVERIFY(reader.broken() && reader.pendingBytes() == 0);
        QVERIFY(!append(reader, frameBytes(0x250F, "x")));
        QCOMPARE(reader.takeFrames().size(), std::size_t(1));
    }

    void peerCredentials() {
        int fds[2], pipeFds[2];
        QVERIFY(socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0 && pipe(pipeFds) == 0);
        const std::uint32_t me = geteuid();
        QCOMPARE(msgchannel::peerUid(fds[0]), std::optional<std::uint32_t>(me));
        QVERIFY(msgchannel::peerIsUser(fds[0], me) && !msgchannel::peerIsUser(fds[0], me + 1));
        QVERIFY(!msgchannel::peerIsUser(pipeFds[0], me) && !msgchannel::peerIsUser(-1, me));
        for (int fd : {fds[0], fds[1], pipeFds[0], pipeFds[1]})
            close(fd);
    }

    // Without a session folder the socket goes to a folder of the user's own; a folder of
    // that name someone else prepared is refused, not used.
    void defaultServerNeedsAPrivateFolder() {
        QTemporaryDir tmp;
        const QByteArray oldTmp = qgetenv("TMPDIR"), oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", tmp.path().toUtf8());
        const QString own = tmp.filePath(QStringLiteral("mouse-suite-%1").arg(geteuid()));
        const QString session = tmp.filePath("session"); // open to others: passed over
        QVERIFY(QDir(tmp.path()).mkdir("session"));
        QFile::setPermissions(session, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadOther | QFile::ExeOther);
        qputenv("XDG_RUNTIME_DIR", session.toUtf8());
        QCOMPARE(MessageChannel::defaultServerName(),
                 own + QStringLiteral("/configurator-messages-%1").arg(geteuid()));
        QCOMPARE(QFileInfo(own).permissions() & 0x0077, QFileDevice::Permissions());

        QVERIFY(QDir(own).removeRecursively() && QFile::link(session, own));
        QVERIFY(MessageChannel::defaultServerName().isEmpty());
        QVERIFY(!MessageChannel().setCopyDataHandler(&onMessage, qApp, this));
        QVERIFY(QFile::remove(own) && QDir(tmp.path()).mkdir(QFileInfo(own).fileName()));
        QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                       QFile::WriteOther | QFile::ExeOther);
        QVERIFY(runtimedir::privateFolder().error.contains(own));
        if (geteuid() == 0) {
            QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QCOMPARE(chown(QFile::encodeName(own).constData(), 65534, 65534), 0);
            QVERIFY(runtimedir::privateFolder().error.contains("another user"));
        }
        qputenv("TMPDIR", oldTmp);
        qputenv("XDG_RUNTIME_DIR", oldRuntime);
    }

    void init() {
        QVERIFY(dir.isValid());
        name = dir.filePath(QStringLiteral("channel-%1").arg(QTest::currentTestFunction()));
        channel = std::make_unique<MessageChannel>(name);
        QVERIFY(channel->setCopyDataHandler(&onMessage, qApp, this));
        QCOMPARE(channel->serverName(), name);
        received.clear();
        shown.clear();
        stopFromHandler = nullptr;
    }

    void cleanup() { channel.reset(); }

    // Every whole frame reaches the handler once, in order; a cut-off one does not.
    void framesReachTheHandler() {
        QVERIFY(msgchannel::sendCopyData(name, 0x250F, "Low battery"));
        sendRaw(frameBytes(0x250F, "one") + frameBytes(0x250F, QByteArray("two", 4)) +
                frameBytes(7, {}) + frameBytes(0x2510, "other") + frameBytes(0x250F, "three"));
        sendRaw(frameBytes(0x250F, "cut off").left(12));
        sendMarkerAndWait();
        QCOMPARE(received,
                 (QList<QByteArray>{"250f:Low battery", "250f:one", QByteArray("250f:two\0", 9),
                                    "7:", "2510:other", "250f:three"}));
        QCOMPARE(shown, QStringList({"Low battery", "one", "three"}));
    }

    void framesSplitAcrossWrites() {
        QLocalSocket socket;
        socket.connectToServer(name);
        QVERIFY(socket.waitForConnected(5000));
        const QByteArray f = frameBytes(0x250F, "in pieces");
        for (qsizetype i = 0; i < f.size(); i += 3) {
            socket.write(f.mid(i, 3));
            QVERIFY(socket.waitForBytesWritten(5000));
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE_WITH_TIMEOUT(shown, QStringList{"in pieces"}, 20000);
    }

    void oversizedFrameHangsUp() {
        QLocalSocket socket;
        socket.connectToServer(name);
        QVERIFY(socket.waitForConnected(5000));
        socket.write(QByteArray("\x0F\x25\0\0\xFF\xFF\xFF\x7F", 8) + "some text");
        // At once, instead of waiting for two gigabytes.
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QLocalSocket::UnconnectedState, 20000);
        sendMarkerAndWait();
        QVERIFY(received.isEmpty());
        QVERIFY(!msgchannel::sendCopyData(name, 0x250F,
                                          QByteArray(msgchannel::kMaxFrameData + 1, 'x')));
    }

    void stopFromInsideHandler() {
        stopFromHandler = channel.get();
        sendRaw(frameBytes(0x250F, "first") + frameBytes(0x250F, "second"));
        QTRY_COMPARE_WITH_TIMEOUT(shown, QStringList{"first"}, 20000);
        QVERIFY(channel->serverName().isEmpty());
        QVERIFY(!msgchannel::sendCopyData(name, 0x250F, "after stop", 500));
        stopFromHandler = nullptr; // and it opens again
        QVERIFY(channel->setCopyDataHandler(&onMessage, qApp, this));
        sendMarkerAndWait();
        QCOMPARE(shown, QStringList{"first"});
    }

    void liveServerIsNotTakenOver() {
        MessageChannel second(name);
        QVERIFY(!second.setCopyDataHandler(&onMessage, qApp, this));
        QVERIFY(second.serverName().isEmpty());
        sendMarkerAndWait();
    }

    void staleSocketIsTakenOver() {
        channel.reset();
        // A socket file whose process died without removing it.
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, QFile::encodeName(name).constData(), sizeof addr.sun_path - 1);
        QCOMPARE(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        close(fd);
        channel = std::make_unique<MessageChannel>(name);
        QVERIFY(channel->setCopyDataHandler(&onMessage, qApp, this));
        sendMarkerAndWait();
    }

    void peerOfAnotherUserRefused() {
        if (geteuid() != 0)
            QSKIP("only root can connect as another user here");
        const QByteArray path = QFile::encodeName(name);
        auto run = [&](uid_t uid, const QByteArray& frame) {
            const pid_t pid = fork();
            if (pid == 0)
                connectAs(path.constData(), uid, frame.constData(), std::size_t(frame.size()));
            return pid;
        };
        auto exitCode = [](pid_t pid) {
            int status = 0;
            for (QDeadlineTimer end(20000); waitpid(pid, &status, WNOHANG) != pid; QTest::qWait(10))
                if (end.hasExpired()) {
                    kill(pid, SIGKILL);
                    waitpid(pid, &status, 0);
                    return -1;
                }
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        };
        // Refused, and the server hangs up, which ends the child.
        QCOMPARE(exitCode(run(65534, frameBytes(0x250F, "from nobody"))), 0);
        sendMarkerAndWait();
        QVERIFY(received.isEmpty());
        // The same way in as ourselves gets through: the refusal was the user id.
        const pid_t self = run(geteuid(), frameBytes(0x250F, "from root"));
        QTRY_COMPARE_WITH_TIMEOUT(shown, QStringList{"from root"}, 20000);
        channel.reset(); // hangs up, which lets the child end
        QCOMPARE(exitCode(self), 0);
    }
};

QTEST_GUILESS_MAIN(MessageChannelTest)
#include "message_channel_test.moc"
