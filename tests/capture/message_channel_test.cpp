// The message channel: the warning check on its own, the frame reader, and the Linux
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
using msgchannel::warningText;

namespace {

QByteArray frameBytes(std::uint32_t dwData, const QByteArray& data) {
    const auto f =
        msgchannel::encodeFrame(dwData, data.constData(), static_cast<std::uint32_t>(data.size()));
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<qsizetype>(f.size()));
}

QByteArray header(std::uint32_t dwData, std::uint32_t cbData) {
    QByteArray h;
    for (std::uint32_t v : {dwData, cbData})
        for (int shift = 0; shift < 32; shift += 8)
            h.append(static_cast<char>(v >> shift));
    return h;
}

std::optional<QString> shownFor(std::uintptr_t dwData, const QByteArray& bytes, qsizetype cbData) {
    const auto text =
        warningText(CopyData{dwData, static_cast<std::uint32_t>(cbData), bytes.constData()});
    if (!text)
        return std::nullopt;
    return QString::fromStdString(*text);
}

// The child of a fork: connects to `path` as user `uid` (while still reaching the root-owned
// socket file through the file-system user id) and sends `frame`; then waits for the server
// to close the connection. Only async-signal-safe calls.
[[noreturn]] void connectAsOtherUser(const char* path, uid_t uid, const char* frame,
                                     std::size_t size) {
    if (setresuid(static_cast<uid_t>(-1), uid, static_cast<uid_t>(-1)) != 0)
        _exit(10);
    setfsuid(0);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        _exit(11);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path, sizeof addr.sun_path - 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        _exit(12);
    if (write(fd, frame, size) != static_cast<ssize_t>(size))
        _exit(13);
    char buf[16];
    while (read(fd, buf, sizeof buf) > 0) {
    }
    _exit(0);
}

} // namespace

class MessageChannelTest : public QObject {
    Q_OBJECT

  public:
    struct Received {
        quint32 dwData;
        QByteArray bytes;
    };
    QList<Received> received;
    QStringList shown;
    MessageChannel* stopFromHandler = nullptr;

    // What the program's start-up does with a message, and a record of what came.
    static void onMessage(const CopyData& message, void* context) {
        auto* self = static_cast<MessageChannelTest*>(context);
        self->received.append({static_cast<quint32>(message.dwData),
                               QByteArray(static_cast<const char*>(message.lpData),
                                          static_cast<qsizetype>(message.cbData))});
        if (const auto text = warningText(message))
            self->shown << QString::fromStdString(*text);
        if (self->stopFromHandler)
            self->stopFromHandler->stop();
    }

  private:
    QTemporaryDir dir;
    QString name;
    std::unique_ptr<MessageChannel> channel;

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
        socket.disconnectFromServer();
    }

  private slots:
    void warningCheck_data() {
        QTest::addColumn<quint64>("dwData");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("cbData");
        QTest::addColumn<bool>("show");
        QTest::addColumn<QString>("text");

        const QByteArray hello("Firmware update pending");
        const QByteArray utf8 = QStringLiteral("Ünïcødé 警告 😀").toUtf8();
        QTest::newRow("multi-byte text")
            << quint64(0x250F) << utf8 << int(utf8.size()) << true << QString::fromUtf8(utf8);
        QTest::newRow("length in characters")
            << quint64(0x250F) << utf8 << int(QString::fromUtf8(utf8).size()) << false << QString();
        QTest::newRow("dwData high bits")
            << quint64(0x1250F) << hello << int(hello.size()) << false << QString();
        QTest::newRow("zero inside")
            << quint64(0x250F) << QByteArray("ab\0cd", 5) << 5 << false << QString();
        QTest::newRow("zero inside, length of the text")
            << quint64(0x250F) << QByteArray("ab\0cd", 5) << 2 << true << QString("ab");
        QTest::newRow("malformed UTF-8") << quint64(0x250F)
                                         << QByteArray("a\xFF"
                                                       "b")
                                         << 3 << false << QString();
        // Three bytes that decode to a single U+FFFD of three bytes: the lengths agree,
        // so the replacement character is what is shown.
        QTest::newRow("cut-off four-byte sequence")
            << quint64(0x250F) << QByteArray("\xF0\x9F\x98") << 3 << true
            << QString(QChar::ReplacementCharacter);
        QTest::newRow("empty") << quint64(0x250F) << QByteArray() << 0 << true << QString();
    }

    void warningCheck() {
        QFETCH(quint64, dwData);
        QFETCH(QByteArray, bytes);
        QFETCH(int, cbData);
        QFETCH(bool, show);
        QFETCH(QString, text);
        // The receiver's copy holds exactly cbData bytes; a zero past them is not there.
        QByteArray copy = bytes.left(cbData);
        copy.append(QByteArray(cbData - copy.size(), '\0'));
        const auto result = shownFor(static_cast<std::uintptr_t>(dwData), copy, cbData);
        QCOMPARE(result.has_value(), show);
        if (show)
            QCOMPARE(*result, text);
    }

    void warningNeverReadsPastTheData() {
        // No zero in the data: decoding stops at cbData.
        const char data[4] = {'a', 'b', 'c', 'd'};
        const auto text = warningText(CopyData{0x250F, 3, data});
        QVERIFY(text);
        QCOMPARE(*text, std::string("abc"));
        QCOMPARE(warningText(CopyData{0x250F, 0, nullptr}), std::optional<std::string>(""));
        QCOMPARE(warningText(CopyData{0x250F, 4, nullptr}), std::nullopt);
    }

    void utf8Decoding() {
        auto decode = [](const QByteArray& b) {
            return QByteArray::fromStdString(msgchannel::decodeUtf8(
                reinterpret_cast<const std::uint8_t*>(b.constData()), std::size_t(b.size())));
        };
        const QByteArray fffd("\xEF\xBF\xBD");
        QCOMPARE(decode("plain"), QByteArray("plain"));
        QCOMPARE(decode(QStringLiteral("ä€😀").toUtf8()), QStringLiteral("ä€😀").toUtf8());
        QCOMPARE(decode("\xE0\x80\x80"), fffd + fffd + fffd);   // overlong
        QCOMPARE(decode("\xED\xA0\x80"), fffd + fffd + fffd);   // surrogate
        QCOMPARE(decode("\xF4\x90\x80\x80"), fffd.repeated(4)); // above U+10FFFF
        QCOMPARE(decode("\xE2\x82"
                        "A"),
                 fffd + "A");                   // cut short
        QCOMPARE(decode("\xF0\x9F\x98"), fffd); // cut at the end
        QCOMPARE(decode("\x80"
                        "a"),
                 fffd + "a"); // stray continuation
        QCOMPARE(decode("\xC2"), fffd);
    }

    void frameEncoding() {
        const QByteArray f = frameBytes(0x250F, "hi");
        QCOMPARE(f, QByteArray("\x0F\x25\x00\x00\x02\x00\x00\x00hi", 10));
        QCOMPARE(frameBytes(0x04030201, QByteArray()), QByteArray("\x01\x02\x03\x04\0\0\0\0", 8));
    }

    void frameReaderLimit() {
        {
            msgchannel::FrameReader reader;
            const QByteArray big(int(msgchannel::kMaxFrameData), 'x');
            const QByteArray f = frameBytes(1, big);
            QVERIFY(reader.append(reinterpret_cast<const std::uint8_t*>(f.constData()),
                                  std::size_t(f.size())));
            QCOMPARE(reader.takeFrames().size(), std::size_t(1));
        }
        {
            msgchannel::FrameReader reader;
            const QByteArray h = header(0x250F, msgchannel::kMaxFrameData + 1);
            QVERIFY(!reader.append(reinterpret_cast<const std::uint8_t*>(h.constData()), 8));
            QVERIFY(reader.broken());
            QCOMPARE(reader.pendingBytes(), std::size_t(0));
            const QByteArray ok = frameBytes(0x250F, "x");
            QVERIFY(!reader.append(reinterpret_cast<const std::uint8_t*>(ok.constData()),
                                   std::size_t(ok.size())));
            QVERIFY(reader.takeFrames().empty());
        }
        {
            // A good frame before a bad header still counts.
            msgchannel::FrameReader reader;
            const QByteArray s = frameBytes(0x250F, "ok") + header(1, 0xFFFFFFFFu);
            QVERIFY(!reader.append(reinterpret_cast<const std::uint8_t*>(s.constData()),
                                   std::size_t(s.size())));
            QCOMPARE(reader.takeFrames().size(), std::size_t(1));
        }
    }

    void peerCredentials() {
        int fds[2];
        QCOMPARE(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        const std::uint32_t me = static_cast<std::uint32_t>(geteuid());
        QCOMPARE(msgchannel::peerUid(fds[0]), std::optional<std::uint32_t>(me));
        QVERIFY(msgchannel::peerIsUser(fds[0], me));
        QVERIFY(!msgchannel::peerIsUser(fds[0], me + 1));
        QVERIFY(!msgchannel::peerIsUser(fds[1], me == 0 ? 1000 : 0));
        close(fds[0]);
        close(fds[1]);

        int pipeFds[2];
        QCOMPARE(pipe(pipeFds), 0);
        QCOMPARE(msgchannel::peerUid(pipeFds[0]), std::nullopt);
        QVERIFY(!msgchannel::peerIsUser(pipeFds[0], me));
        close(pipeFds[0]);
        close(pipeFds[1]);
        QVERIFY(!msgchannel::peerIsUser(-1, me));
    }

    // Without a session folder the socket goes to a folder of the user's own, and a
    // folder of that name someone else prepared is refused, not used.
    void defaultServerNeedsAPrivateFolder() {
        QTemporaryDir tmp;
        const QByteArray oldTmp = qgetenv("TMPDIR"), oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", tmp.path().toUtf8());
        const QString own = tmp.filePath(QStringLiteral("mouse-suite-%1").arg(geteuid()));
        // A session folder open to others is passed over.
        QVERIFY(QDir(tmp.path()).mkdir("session"));
        QFile::setPermissions(tmp.filePath("session"), QFile::ReadOwner | QFile::WriteOwner |
                                                           QFile::ExeOwner | QFile::ReadOther |
                                                           QFile::ExeOther);
        qputenv("XDG_RUNTIME_DIR", tmp.filePath("session").toUtf8());
        const QString name = MessageChannel::defaultServerName();
        QCOMPARE(name, own + QStringLiteral("/configurator-messages-%1").arg(geteuid()));
        QCOMPARE(QFileInfo(own).permissions() & 0x0077, QFileDevice::Permissions());
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(MessageChannel::defaultServerName(), name);

        QVERIFY(QDir(own).removeRecursively());
        QVERIFY(QFile::link(tmp.filePath("session"), own));
        QVERIFY(MessageChannel::defaultServerName().isEmpty());
        QVERIFY(!MessageChannel().setCopyDataHandler(&MessageChannelTest::onMessage, qApp, this));
        QVERIFY(QFile::remove(own));
        QVERIFY(QDir(tmp.path()).mkdir(QFileInfo(own).fileName()));
        QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                       QFile::WriteOther | QFile::ExeOther);
        QVERIFY(MessageChannel::defaultServerName().isEmpty());
        QVERIFY(runtimedir::privateFolder().error.contains(own));
        if (geteuid() == 0) {
            QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QCOMPARE(chown(QFile::encodeName(own).constData(), 65534, 65534), 0);
            QVERIFY(runtimedir::privateFolder().error.contains("another user"));
        }
        qputenv("TMPDIR", oldTmp);
        if (!oldRuntime.isEmpty())
            qputenv("XDG_RUNTIME_DIR", oldRuntime);
    }

    void init() {
        QVERIFY(dir.isValid());
        name = dir.filePath(QStringLiteral("channel-%1").arg(QTest::currentTestFunction()));
        channel = std::make_unique<MessageChannel>(name);
        QVERIFY(channel->setCopyDataHandler(&MessageChannelTest::onMessage, qApp, this));
        QCOMPARE(channel->serverName(), name);
        received.clear();
        shown.clear();
        stopFromHandler = nullptr;
    }

    void cleanup() { channel.reset(); }

    void warningReachesHandlerOnce() {
        QVERIFY(msgchannel::sendCopyData(name, 0x250F, "Low battery"));
        QTRY_COMPARE_WITH_TIMEOUT(shown, QStringList{"Low battery"}, 20000);
        sendMarkerAndWait();
        QCOMPARE(shown, QStringList{"Low battery"});
        QCOMPARE(received.size(), 1);
        QCOMPARE(received[0].dwData, 0x250Fu);
        QCOMPARE(received[0].bytes, QByteArray("Low battery"));
    }

    void wrongLengthOrDwDataShowsNothing() {
        QVERIFY(msgchannel::sendCopyData(name, 0x250F, QByteArray("with zero", 10)));
        QVERIFY(msgchannel::sendCopyData(name, 0x2510, "not for us"));
        sendMarkerAndWait();
        // Both frames reached the handler, which showed nothing.
        QCOMPARE(received.size(), 2);
        QCOMPARE(received[0].bytes.size(), 10);
        QCOMPARE(received[1].dwData, 0x2510u);
        QVERIFY(shown.isEmpty());
    }

    void truncatedFrameDropped() {
        sendRaw(frameBytes(0x250F, "truncated text").left(12));
        sendRaw(header(0x250F, 5)); // header only
        sendRaw(QByteArray("\x0F\x25", 2));
        sendMarkerAndWait();
        QVERIFY(received.isEmpty());
        QVERIFY(shown.isEmpty());
    }

    void oversizedFrameDropped() {
        QLocalSocket socket;
        socket.connectToServer(name);
        QVERIFY(socket.waitForConnected(5000));
        socket.write(header(0x250F, 0x7FFFFFFF) + "some text");
        QVERIFY(socket.waitForBytesWritten(5000) || socket.bytesToWrite() == 0);
        // The server hangs up at once instead of waiting for two gigabytes.
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QLocalSocket::UnconnectedState, 20000);
        sendMarkerAndWait();
        QVERIFY(received.isEmpty());
        QVERIFY(shown.isEmpty());
        QVERIFY(!msgchannel::sendCopyData(name, 0x250F,
                                          QByteArray(int(msgchannel::kMaxFrameData) + 1, 'x')));
    }

    void severalFramesOnOneConnection() {
        sendRaw(frameBytes(0x250F, "one") + frameBytes(0x250F, QByteArray("two", 4)) +
                frameBytes(7, QByteArray()) + frameBytes(0x250F, "three"));
        sendMarkerAndWait();
        QCOMPARE(shown, QStringList({"one", "three"}));
        QCOMPARE(received.size(), 4);
        QCOMPARE(received[2].dwData, 7u);
        QVERIFY(received[2].bytes.isEmpty());
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

    void stopFromInsideHandler() {
        stopFromHandler = channel.get();
        sendRaw(frameBytes(0x250F, "first") + frameBytes(0x250F, "second"));
        QTRY_COMPARE_WITH_TIMEOUT(shown, QStringList{"first"}, 20000);
        QVERIFY(channel->serverName().isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(shown, QStringList{"first"});
        QVERIFY(!msgchannel::sendCopyData(name, 0x250F, "after stop", 500));
        // It can be opened again.
        stopFromHandler = nullptr;
        QVERIFY(channel->setCopyDataHandler(&MessageChannelTest::onMessage, qApp, this));
        sendMarkerAndWait();
    }

    void liveServerIsNotTakenOver() {
        MessageChannel second(name);
        QVERIFY(!second.setCopyDataHandler(&MessageChannelTest::onMessage, qApp, this));
        QVERIFY(second.serverName().isEmpty());
        sendMarkerAndWait();
    }

    void staleSocketIsTakenOver() {
        channel.reset();
        // A socket file whose process died without removing it.
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(name);
        std::strncpy(addr.sun_path, path.constData(), sizeof addr.sun_path - 1);
        QCOMPARE(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        close(fd);
        QVERIFY(QFileInfo::exists(name));
        channel = std::make_unique<MessageChannel>(name);
        QVERIFY(channel->setCopyDataHandler(&MessageChannelTest::onMessage, qApp, this));
        sendMarkerAndWait();
    }

    void unreachableServer() {
        QVERIFY(!msgchannel::sendCopyData(dir.filePath("nobody-here"), 0x250F, "x", 500));
    }

    void peerOfAnotherUserRefused() {
        if (geteuid() != 0)
            QSKIP("only root can connect as another user here");
        const QByteArray path = QFile::encodeName(name);
        auto runChild = [&](uid_t uid, const QByteArray& frame) {
            const pid_t pid = fork();
            if (pid == 0)
                connectAsOtherUser(path.constData(), uid, frame.constData(),
                                   std::size_t(frame.size()));
            return pid;
        };
        auto waitChild = [](pid_t pid) {
            int status = -1;
            QDeadlineTimer deadline(20000);
            while (waitpid(pid, &status, WNOHANG) != pid) {
                if (deadline.hasExpired()) {
                    kill(pid, SIGKILL);
                    waitpid(pid, &status, 0);
                    return -1;
                }
                QTest::qWait(10);
            }
            return status;
        };

        // Another user: refused, and the server hangs up, which ends the child.
        const pid_t other = runChild(65534, frameBytes(0x250F, "from nobody"));
        QVERIFY(other > 0);
        const int status = waitChild(other);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        sendMarkerAndWait();
        QVERIFY(shown.isEmpty());
        QVERIFY(received.isEmpty());

        // The same way in as ourselves gets through, so the refusal was the user id.
        const pid_t self = runChild(geteuid(), frameBytes(0x250F, "from root"));
        QVERIFY(self > 0);
        QTRY_COMPARE_WITH_TIMEOUT(shown, QStringList{"from root"}, 20000);
        channel.reset(); // closes the connection, which lets the child end
        QCOMPARE(WEXITSTATUS(waitChild(self)), 0);
    }
};

QTEST_GUILESS_MAIN(MessageChannelTest)
#include "message_channel_test.moc"
