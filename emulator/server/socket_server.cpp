#include "server/socket_server.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QTimer>

namespace vmouse {

struct SocketServer::Connection {
    QLocalSocket* socket = nullptr;
    QByteArray buffer;
    std::optional<Binding> binding;
    bool watching = false;
    // The one read a client can have outstanding (its calls are synchronous).
    bool reading = false;
    bool stalled = false;
    std::uint32_t readLength = 0;
    QTimer* readTimer = nullptr;
};

SocketServer::SocketServer(VirtualDevice* device, QObject* parent)
    : QObject(parent), device_(device) {
    connect(&server_, &QLocalServer::newConnection, this, &SocketServer::accept);
    connect(device_, &VirtualDevice::inputAvailable, this, &SocketServer::serveReads);
    connect(device_, &VirtualDevice::deviceAdded, this,
            [this](const QString& p) { broadcast(wire::kEventAdded, p); });
    connect(device_, &VirtualDevice::deviceRemoved, this,
            [this](const QString& p) { broadcast(wire::kEventRemoved, p); });
}

SocketServer::~SocketServer() {
    for (auto& c : connections_)
        c->socket->disconnect(this);
}

bool SocketServer::listen(const QString& socketPath, QString* error) {
    // A socket someone answers on belongs to a live server and is left alone; one nobody
    // answers on was left by a daemon that died and would block the name.
    QLocalSocket probe;
    probe.connectToServer(socketPath);
    if (probe.waitForConnected(500)) {
        probe.abort();
        if (error)
            *error = QStringLiteral("another virtual mouse is serving on it");
        return false;
    }
    QLocalServer::removeServer(socketPath);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(socketPath)) {
        if (error)
            *error = server_.errorString();
        return false;
    }
    return true;
}

int SocketServer::openHandles() const {
    int n = 0;
    for (const auto& c : connections_)
        n += c->binding ? 1 : 0;
    return n;
}

void SocketServer::accept() {
    while (QLocalSocket* s = server_.nextPendingConnection()) {
        auto c = std::make_unique<Connection>();
        c->socket = s;
        c->readTimer = new QTimer(s);
        c->readTimer->setSingleShot(true);
        Connection* raw = c.get();
        connect(c->readTimer, &QTimer::timeout, this, [this, raw] {
            if (raw->binding)
                device_->readTimedOut(*raw->binding);
            finishRead(raw, 0, {});
        });
        connect(s, &QLocalSocket::readyRead, this, [this, raw] { receive(raw); });
        // Queued: a write to a vanished peer may report it while a loop walks the list.
        connect(
            s, &QLocalSocket::disconnected, this, [this, raw] { drop(raw); }, Qt::QueuedConnection);
        connections_.push_back(std::move(c));
        receive(raw);
    }
}

void SocketServer::drop(Connection* c) {
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        if (it->get() == c) {
            c->socket->disconnect(this);
            c->socket->deleteLater();
            connections_.erase(it);
            return;
        }
    }
}

void SocketServer::receive(Connection* c) {
    c->buffer += c->socket->readAll();
    while (c->buffer.size() >= 4) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(c->buffer.constData());
        const std::uint32_t n =
            p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
        if (n > wire::kMaxBody) {
            c->socket->abort();
            return;
        }
        if (static_cast<std::uint32_t>(c->buffer.size()) < 4 + n)
            return;
        wire::Bytes body(p + 4, p + 4 + n);
        c->buffer.remove(0, static_cast<qsizetype>(4 + n));
        handle(c, body);
    }
}

void SocketServer::reply(Connection* c, const wire::Bytes& body) {
    const wire::Bytes out = wire::frame(body);
    c->socket->write(reinterpret_cast<const char*>(out.data()), static_cast<qint64>(out.size()));
    c->socket->flush();
}

void SocketServer::handle(Connection* c, const wire::Bytes& body) {
    wire::Reader r(body);
    std::uint8_t opByte = 0;
    if (!r.u8(opByte)) {
        c->socket->abort();
        return;
    }
    wire::Writer out;
    const auto fail = [&] { reply(c, wire::Writer().i32(-1).body()); };
    switch (static_cast<wire::Op>(opByte)) {
    case wire::Op::Enumerate: {
        std::uint16_t vid = 0, pid = 0;
        if (!r.u16(vid) || !r.u16(pid))
            return fail();
        const auto devices = device_->enumerate(vid, pid);
        out.i32(static_cast<std::int32_t>(devices.size()));
        for (const auto& d : devices)
            out.device(d);
        return reply(c, out.body());
    }
    case wire::Op::Open: {
        std::string path;
        if (!r.str(path) || c->binding)
            return fail();
        if (device_->accessDenied())
            return reply(c, out.i32(wire::kAccessDenied).body());
        c->binding = device_->open(path);
        return reply(c, out.i32(c->binding ? 0 : -1).body());
    }
    case wire::Op::SendFeature:
    case wire::Op::Write: {
        wire::Bytes data;
        if (!c->binding || !r.bytes(data))
            return fail();
        const int result = static_cast<wire::Op>(opByte) == wire::Op::Write
                               ? device_->write(*c->binding, data)
                               : device_->sendFeature(*c->binding, data);
        return reply(c, out.i32(result).body());
    }
    case wire::Op::GetFeature: {
        std::uint32_t length = 0;
        std::uint8_t id = 0;
        wire::Bytes data;
        if (!c->binding || !r.u32(length) || !r.u8(id))
            return fail();
        const int result = device_->getFeature(*c->binding, length, id, data);
        return reply(c, out.i32(result).bytes(data).body());
    }
    case wire::Op::Read: {
        std::uint32_t length = 0;
        std::int32_t timeout = -1;
        if (!c->binding || c->reading || !r.u32(length) || !r.i32(timeout))
            return fail();
        return startRead(c, length, timeout);
    }
    case wire::Op::Watch:
        c->watching = true;
        return reply(c, out.i32(0).body());
    case wire::Op::Plug:
        device_->plug();
        return reply(c, out.i32(0).body());
    case wire::Op::Unplug:
        device_->unplug();
        return reply(c, out.i32(0).body());
    case wire::Op::DpiButton: {
        std::uint8_t stage = 0;
        // The mouse has eight DPI stages; nothing else can come from its button.
        if (!r.u8(stage) || stage < 1 || stage > 8)
            return fail();
        device_->dpiButton(stage);
        return reply(c, out.i32(0).body());
    }
    case wire::Op::Notify: {
        wire::Bytes report;
        if (!r.bytes(report) || report.empty() || report.size() > 4)
            return fail();
        device_->notify(report);
        return reply(c, out.i32(0).body());
    }
    case wire::Op::State: {
        QJsonObject o =
            QJsonDocument::fromJson(QByteArray::fromStdString(device_->stateJson())).object();
        o.insert("open_handles", openHandles());
        return reply(c, out.i32(0).str(QJsonDocument(o).toJson().toStdString()).body());
    }
    case wire::Op::Fault: {
        std::string kind;
        std::int32_t count = 1;
        if (!r.str(kind) || !r.i32(count))
            return fail();
        return reply(c, out.i32(device_->fault(kind, count) ? 0 : -1).body());
    }
    case wire::Op::ClearFaults:
        device_->clearFaults();
        return reply(c, out.i32(0).body());
    }
    fail();
}

void SocketServer::startRead(Connection* c, std::uint32_t length, std::int32_t timeoutMs) {
    c->reading = true;
    c->readLength = length;
    c->stalled = device_->consumeStall();
    if (!c->stalled) {
        wire::Bytes data;
        const int got = device_->takeInput(*c->binding, length, data);
        if (got != 0)
            return finishRead(c, got < 0 ? -1 : static_cast<int>(data.size()), data);
    } else if (!device_->alive(*c->binding)) {
        return finishRead(c, -1, {});
    }
    if (timeoutMs == 0)
        return finishRead(c, 0, {});
    if (timeoutMs > 0)
        c->readTimer->start(timeoutMs);
    // Otherwise it waits for input, a dead handle or the client going away.
}

void SocketServer::serveReads() {
    // Oldest connections first, so readers are served in the order they came.
    for (auto& holder : connections_) {
        Connection* c = holder.get();
        if (!c->reading)
            continue;
        if (!device_->alive(*c->binding)) {
            finishRead(c, -1, {});
            continue;
        }
        if (c->stalled)
            continue;
        wire::Bytes data;
        const int got = device_->takeInput(*c->binding, c->readLength, data);
        if (got != 0)
            finishRead(c, got < 0 ? -1 : static_cast<int>(data.size()), data);
    }
}

void SocketServer::finishRead(Connection* c, int result, const wire::Bytes& data) {
    if (!c->reading)
        return;
    c->reading = false;
    c->stalled = false;
    c->readTimer->stop();
    reply(c, wire::Writer().i32(result).bytes(data).body());
}

void SocketServer::broadcast(std::int32_t event, const QString& path) {
    const wire::Bytes body = wire::Writer().i32(event).str(path.toStdString()).body();
    for (auto& c : connections_)
        if (c->watching)
            reply(c.get(), body);
}

} // namespace vmouse
