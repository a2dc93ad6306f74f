// The message channel: warning check and frame reader, then the Linux local server.
#include "platform/capture/message_channel.h"
#include "platform/runtime/runtime_dir.h"

#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <future>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

    // Connections are taken in order: once this warning is in, all sent before it is too.
    void sendMarkerAndWait() {
        QVERIFY(msgchannel::sendCopyData(name, msgchannel::kWarningTag, "marker"));
        QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty() && shown.last() == "marker", 20000);
        shown.removeLast();
        received.removeLast();
    }

    // In pieces of `piece` bytes, each read by the server on its own.
    void sendRaw(const QByteArray& bytes, qsizetype piece = 1 << 30) {
        QLocalSocket socket;
        socket.connectToServer(name);
        QVERIFY(socket.waitForConnected(5000));
        for (qsizetype i = 0; i < bytes.size(); i += piece) {
            socket.write(bytes.mid(i, piece));
            while (socket.bytesToWrite() > 0)
                QVERIFY(socket.waitForBytesWritten(5000));
            QCoreApplication::processEvents();
        }
    }

  private slots:
    // Shown only for dwData 0x250F and well-formed UTF-8 exactly cbData long. Rows: dwData,
    // the receiver's copy (cbData bytes), the text shown (null: none).
    void warningCheck() {
        const QByteArray utf8 = QStringLiteral("Ünïcødé 警告 😀").toUtf8();
        const std::tuple<quint64, QByteArray, QString> rows[] = {
            {0x250F, utf8, QString(utf8)},
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
        for (const auto& [dwData, bytes, shownText] : rows) {
            const auto text = warningText({std::uintptr_t(dwData), std::uint32_t(bytes.size()),
                                           bytes.isEmpty() ? nullptr : bytes.constData()});
            QCOMPARE(text ? QString::fromStdString(*text) : QString(), shownText);
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

    // Without a usable session folder the socket goes to a private folder of the user's.
    void defaultServerNeedsAPrivateFolder() {
        QTemporaryDir tmp;
        const QByteArray oldTmp = qgetenv("TMPDIR"), oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", tmp.path().toUtf8());
        const QString own = tmp.filePath(QStringLiteral("mouse-suite-%1").arg(geteuid()));
        const QString session = tmp.filePath("session"); // open to others: passed over
        QVERIFY(QDir(tmp.path()).mkdir("session"));
        QCOMPARE(chmod(QFile::encodeName(session).constData(), 0705), 0);
        qputenv("XDG_RUNTIME_DIR", session.toUtf8());
        QCOMPARE(MessageChannel::defaultServerName(),
                 own + QStringLiteral("/configurator-messages-%1").arg(geteuid()));
        QCOMPARE(QFileInfo(own).permissions() & 0x0077, QFileDevice::Permissions());

        QVERIFY(QDir(own).removeRecursively() && QFile::link(session, own));
        QVERIFY(MessageChannel::defaultServerName().isEmpty());
        QVERIFY(!MessageChannel().setCopyDataHandler(&onMessage, qApp, this));
        QVERIFY(QFile::remove(own) && QDir(tmp.path()).mkdir(QFileInfo(own).fileName()));
        QCOMPARE(chmod(QFile::encodeName(own).constData(), 0703), 0);
        QVERIFY(runtimedir::privateFolder().error.contains(own));
        if (geteuid() == 0) {
            QCOMPARE(chmod(QFile::encodeName(own).constData(), 0700), 0);
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
        sendRaw(frameBytes(0x250F, "in pieces"), 3);
        sendRaw(frameBytes(0x250F, "cut off").left(12));
        sendMarkerAndWait();
        QCOMPARE(received,
                 (QList<QByteArray>{"250f:Low battery", "250f:one", QByteArray("250f:two\0", 9),
                                    "7:", "2510:other", "250f:three", "250f:in pieces"}));
        QCOMPARE(shown, QStringList({"Low battery", "one", "three", "in pieces"}));
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

    // A live server is left alone; a socket file whose process died is taken over.
    void socketFileTakeover() {
        MessageChannel second(name);
        QVERIFY(!second.setCopyDataHandler(&onMessage, qApp, this));
        QVERIFY(second.serverName().isEmpty());
        sendMarkerAndWait();
        channel.reset();
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

    // Connections held open without a word do not pile up: past the bound the oldest
    // go, and an idle one is closed; a message still gets through meanwhile.
    void heldConnections() {
        channel->setConnectionLimits(4, 60000);
        std::vector<std::unique_ptr<QLocalSocket>> held;
        for (int i = 0; i < 40; ++i) {
            held.push_back(std::make_unique<QLocalSocket>());
            held.back()->connectToServer(name);
            QVERIFY(held.back()->waitForConnected(5000));
        }
        sendMarkerAndWait();
        const auto stillOpen = [&] {
            QCoreApplication::processEvents();
            return std::count_if(held.begin(), held.end(), [](const auto& s) {
                return s->state() == QLocalSocket::ConnectedState;
            });
        };
        QTRY_COMPARE_WITH_TIMEOUT(stillOpen(), 3, 20000);
        // The newest three were left, and a half-sent frame on one is finished later.
        QCOMPARE(held.back()->state(), QLocalSocket::ConnectedState);
        const QByteArray frame = frameBytes(0x250F, "late");
        held.back()->write(frame.left(5));
        QVERIFY(held.back()->waitForBytesWritten(5000));
        sendMarkerAndWait();
        held.back()->write(frame.mid(5));
        QVERIFY(held.back()->waitForBytesWritten(5000));
        QTRY_COMPARE_WITH_TIMEOUT(shown, QStringList{"late"}, 20000);

        channel->setConnectionLimits(4, 50);
        QLocalSocket idle;
        idle.connectToServer(name);
        QVERIFY(idle.waitForConnected(5000));
        QTRY_COMPARE_WITH_TIMEOUT(idle.state(), QLocalSocket::UnconnectedState, 20000);
    }

    // A request is answered on its own connection, once, whenever the handler is ready: the
    // connection is not closed as idle meanwhile. An asker that left gets nothing, and the
    // warnings keep coming through.
    void requestsAreAnsweredOnTheirConnection() {
        channel->setConnectionLimits(4, 50);
        QList<std::pair<QByteArray, MessageChannel::Reply>> pending;
        channel->setRequestHandler(msgchannel::kControlTag,
                                   [&](const QByteArray& data, const MessageChannel::Reply& reply) {
                                       pending.append({data, reply});
                                   });
        const auto ask = [this](const QByteArray& data, int answerMs) {
            return std::async(std::launch::async, [this, data, answerMs] {
                return msgchannel::request(name, msgchannel::kControlTag, data, 5000, answerMs);
            });
        };
        auto asked = ask("ping", 20000);
        QTRY_COMPARE_WITH_TIMEOUT(pending.size(), 1, 20000);
        QCOMPARE(pending[0].first, QByteArray("ping"));
        QTest::qWait(300); // well past the idle limit
        pending[0].second("pong");
        pending[0].second("again");
        QTRY_VERIFY_WITH_TIMEOUT(
            asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 20000);
        const msgchannel::Answer answer = asked.get();
        QVERIFY(answer.reached);
        QCOMPARE(answer.data.value_or("none"), QByteArray("pong"));

        auto gone = ask("bye", 100);
        QTRY_COMPARE_WITH_TIMEOUT(pending.size(), 2, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(
            gone.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 20000);
        const msgchannel::Answer unanswered = gone.get();
        QVERIFY(unanswered.reached && !unanswered.data);
        pending[1].second("too late");
        sendMarkerAndWait();
        QVERIFY(received.isEmpty()); // requests are not warnings
        QVERIFY(!msgchannel::request(dir.filePath("nobody"), msgchannel::kControlTag, "x", 200, 200)
                     .reached);
    }

    // The peer's user is the effective one at connect(); fsuid 0 still reaches the file.
    void peerOfAnotherUserRefused() {
        if (geteuid() != 0)
            QSKIP("only root can connect as another user here");
        QLocalSocket other;
        QVERIFY(setresuid(uid_t(-1), 65534, uid_t(-1)) == 0);
        setfsuid(0);
        other.connectToServer(name);
        const bool connected = other.waitForConnected(5000);
        QVERIFY(setresuid(uid_t(-1), 0, uid_t(-1)) == 0);
        QVERIFY(connected);
        other.write(frameBytes(0x250F, "from nobody"));
        QTRY_COMPARE_WITH_TIMEOUT(other.state(), QLocalSocket::UnconnectedState, 20000);
        sendMarkerAndWait();
        QVERIFY(received.isEmpty());
    }
};

QTEST_GUILESS_MAIN(MessageChannelTest)
#include "message_channel_test.moc"
