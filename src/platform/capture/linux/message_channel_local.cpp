// The message channel on Linux: a QLocalServer in the user's runtime folder. The socket
// is created for the user only, and every accepted connection is checked once more
// against the kernel's record of the peer's user id, so a socket in a shared folder
// (/tmp) is safe as well.
#include "platform/capture/message_channel.h"

#include "platform/capture/linux/local_peer.h"
#include "platform/runtime/runtime_dir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcMessages, "platform.messages")

namespace {

// How long listen() waits for an existing server's answer before it takes the socket
// over as stale.
constexpr int kStaleProbeMs = 500;

std::uint32_t ownUid() {
    return static_cast<std::uint32_t>(geteuid());
}

} // namespace

struct MessageChannel::Impl {
    bool listen();
    void accept();
    void read(QLocalSocket* socket, msgchannel::FrameReader& reader);
    void close();
    // Makes room for one more connection: the oldest ones not being handled go.
    void makeRoom();
    static void hangUp(QLocalSocket* socket);

    int maxOpen = MessageChannel::kMaxConnections;
    int idleMs = MessageChannel::kIdleMs;
    // Open connections, oldest first (gone ones are null).
    std::deque<QPointer<QLocalSocket>> open;

    QString requestedName;
    std::unique_ptr<QLocalServer> server;
    CopyDataHandler handler = nullptr;
    void* context = nullptr;
    std::uint32_t requestTag = 0;
    RequestHandler requestHandler;
    int inHandler = 0; // depth of handler calls under way
};

bool MessageChannel::Impl::listen() {
    if (server && server->isListening())
        return true;
    if (requestedName.isEmpty()) {
        qCDebug(lcMessages) << "message channel: no private folder for its socket";
        return false;
    }
    // QLocalServer would put its socket in place of an existing one, so look first: a
    // server that answers there is left alone, a socket nobody answers on is left over
    // from a process that died and is taken over.
    if (QFileInfo::exists(requestedName)) {
        QLocalSocket probe;
        probe.connectToServer(requestedName);
        const bool alive = probe.waitForConnected(kStaleProbeMs);
        probe.abort();
        if (alive) {
            qCDebug(lcMessages) << "message channel: another server answers on" << requestedName;
            return false;
        }
        QLocalServer::removeServer(requestedName);
    }
    server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(server.get(), &QLocalServer::newConnection, server.get(),
                     [this] { accept(); });
    if (server->listen(requestedName))
        return true;
    qCDebug(lcMessages) << "message channel: cannot listen on" << requestedName << ":"
                        << server->errorString();
    server.reset();
    return false;
}

void MessageChannel::Impl::accept() {
    while (server && server->hasPendingConnections()) {
        QLocalSocket* socket = server->nextPendingConnection();
        if (!msgchannel::peerIsUser(static_cast<int>(socket->socketDescriptor()), ownUid())) {
            qCDebug(lcMessages) << "message channel: refused a connection of another user";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        makeRoom();
        open.emplace_back(socket);
        // A connection that sends nothing for a while is closed: held connections would
        // use up the program's file descriptors, and with them its settings and the mouse.
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        idle->setInterval(idleMs);
        idle->setObjectName(QStringLiteral("idle"));
        QObject::connect(idle, &QTimer::timeout, socket, [socket] {
            // A request being answered is not idle.
            if (socket->property("awaiting").toInt() > 0)
                return;
            qCDebug(lcMessages) << "message channel: closed an idle connection";
            hangUp(socket);
        });
        idle->start();
        // The reader lives as long as the connection of this lambda, i.e. the socket.
        auto reader = std::make_shared<msgchannel::FrameReader>();
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket, reader, idle] {
            idle->start();
            read(socket, *reader);
        });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0)
            read(socket, *reader);
    }
}

void MessageChannel::Impl::hangUp(QLocalSocket* socket) {
    QObject::disconnect(socket, nullptr, nullptr, nullptr);
    socket->abort();
    socket->deleteLater();
}

void MessageChannel::Impl::makeRoom() {
    std::erase_if(open, [](const QPointer<QLocalSocket>& s) { return s.isNull(); });
    for (auto it = open.begin(); it != open.end() && int(open.size()) >= maxOpen;) {
        QLocalSocket* socket = it->data();
        // A handler may be showing a dialog for this one: it stays.
        if (socket->property("inHandler").toBool()) {
            ++it;
            continue;
        }
        qCDebug(lcMessages) << "message channel: too many connections, closed the oldest";
        it = open.erase(it);
        hangUp(socket);
    }
}

void MessageChannel::Impl::read(QLocalSocket* socket, msgchannel::FrameReader& reader) {
    const QByteArray bytes = socket->readAll();
    if (!reader.append(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                       static_cast<std::size_t>(bytes.size()))) {
        qCDebug(lcMessages) << "message channel: dropped an oversized frame";
        socket->abort();
        return;
    }
    // Neither the socket nor the reader is touched once the handler runs: it may open a
    // dialog and spin an event loop, or stop the channel.
    const std::vector<msgchannel::Frame> frames = reader.takeFrames();
    if (frames.empty())
        return;
    QPointer<QLocalSocket> guard(socket);
    socket->setProperty("inHandler", true);
    ++inHandler;
    for (const msgchannel::Frame& frame : frames) {
        if (!server)
            break;
        if (requestHandler && frame.dwData == requestTag) {
            socket->setProperty("awaiting", socket->property("awaiting").toInt() + 1);
            const QByteArray data(reinterpret_cast<const char*>(frame.data.data()),
                                  qsizetype(frame.data.size()));
            const std::uint32_t tag = requestTag;
            auto answered = std::make_shared<bool>(false);
            requestHandler(data, [guard, tag, answered](const QByteArray& answer) {
                if (std::exchange(*answered, true) || !guard)
                    return;
                guard->setProperty("awaiting", guard->property("awaiting").toInt() - 1);
                if (static_cast<std::uint64_t>(answer.size()) > msgchannel::kMaxFrameData)
                    return;
                const std::vector<std::uint8_t> bytes = msgchannel::encodeFrame(
                    tag, answer.constData(), static_cast<std::uint32_t>(answer.size()));
                guard->write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
                guard->flush();
                if (auto* idle = guard->findChild<QTimer*>(QStringLiteral("idle")))
                    idle->start();
            });
            continue;
        }
        if (!handler)
            break;
        const msgchannel::CopyData message{frame.dwData,
                                           static_cast<std::uint32_t>(frame.data.size()),
                                           frame.data.empty() ? nullptr : frame.data.data()};
        handler(message, context);
    }
    --inHandler;
    if (guard)
        guard->setProperty("inHandler", false);
}

void MessageChannel::Impl::close() {
    if (!server)
        return;
    server->close();
    // Open connections are the server's children and go with it. From inside a handler
    // the socket whose signal is being handled is among them, so then it goes later.
    const auto sockets = server->findChildren<QLocalSocket*>();
    for (QLocalSocket* socket : sockets) {
        QObject::disconnect(socket, nullptr, nullptr, nullptr);
        socket->abort();
    }
    if (inHandler > 0)
        server.release()->deleteLater();
    else
        server.reset();
}

MessageChannel::MessageChannel(const QString& serverName) : d(std::make_unique<Impl>()) {
    d->requestedName = serverName.isEmpty() ? defaultServerName() : serverName;
}

MessageChannel::~MessageChannel() {
    stop();
}

bool MessageChannel::setCopyDataHandler(CopyDataHandler handler, QCoreApplication* app,
                                        void* context) {
    Q_UNUSED(app);
    d->handler = handler;
    d->context = context;
    return d->listen();
}

void MessageChannel::setRequestHandler(std::uint32_t tag, RequestHandler handler) {
    d->requestTag = tag;
    d->requestHandler = std::move(handler);
}

void MessageChannel::setConnectionLimits(int maxOpen, int idleMs) {
    d->maxOpen = qMax(1, maxOpen);
    d->idleMs = qMax(1, idleMs);
}

void MessageChannel::stop() {
    d->close();
}

QString MessageChannel::serverName() const {
    return d->server && d->server->isListening() ? d->server->fullServerName() : QString();
}

QString MessageChannel::defaultServerName() {
    const runtimedir::Folder folder = runtimedir::privateFolder();
    if (!folder.ok())
        return QString();
    return folder.path + QStringLiteral("/configurator-messages-") + QString::number(ownUid());
}

namespace msgchannel {

namespace {

// Connects to this user's server and writes one frame; false when that did not happen in
// `timeoutMs` (or the server is another user's).
bool writeFrame(QLocalSocket& socket, const QString& serverName, std::uint32_t dwData,
                const QByteArray& data, int timeoutMs) {
    if (serverName.isEmpty() || static_cast<std::uint64_t>(data.size()) > kMaxFrameData)
        return false;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    if (!peerIsUser(static_cast<int>(socket.socketDescriptor()), ownUid())) {
        socket.abort();
        return false;
    }
    const std::vector<std::uint8_t> frame =
        encodeFrame(dwData, data.constData(), static_cast<std::uint32_t>(data.size()));
    socket.write(reinterpret_cast<const char*>(frame.data()), static_cast<qint64>(frame.size()));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(timeoutMs))
            return false;
    }
    return true;
}

} // namespace

bool sendCopyData(const QString& serverName, std::uint32_t dwData, const QByteArray& data,
                  int timeoutMs) {
    QLocalSocket socket;
    if (!writeFrame(socket, serverName, dwData, data, timeoutMs))
        return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}

Answer request(const QString& serverName, std::uint32_t dwData, const QByteArray& data,
               int connectMs, int answerMs) {
    Answer answer;
    QLocalSocket socket;
    if (!writeFrame(socket, serverName, dwData, data, connectMs))
        return answer;
    answer.reached = true;
    QElapsedTimer clock;
    clock.start();
    FrameReader reader;
    while (clock.elapsed() < answerMs) {
        if (!socket.waitForReadyRead(int(qMax<qint64>(1, answerMs - clock.elapsed()))))
            break;
        const QByteArray bytes = socket.readAll();
        if (!reader.append(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size())))
            break;
        for (const Frame& f : reader.takeFrames()) {
            if (f.dwData != dwData)
                continue;
            answer.data =
                QByteArray(reinterpret_cast<const char*>(f.data.data()), qsizetype(f.data.size()));
            socket.disconnectFromServer();
            return answer;
        }
    }
    socket.abort();
    return answer;
}

} // namespace msgchannel
