// Serves the virtual device on a Unix socket: one connection per client handle (plus
// short-lived ones for enumeration and control), reads that wait for input or a timeout,
// and plug events for watchers.
#pragma once

#include "server/virtual_device.h"

#include <QLocalServer>
#include <QObject>

#include <list>
#include <memory>

class QLocalSocket;
class QTimer;

namespace vmouse {

class SocketServer : public QObject {
    Q_OBJECT
  public:
    SocketServer(VirtualDevice* device, QObject* parent = nullptr);
    ~SocketServer() override;
    bool listen(const QString& socketPath, QString* error);
    int openHandles() const;

  private:
    struct Connection;
    void accept();
    void receive(Connection* c);
    void handle(Connection* c, const wire::Bytes& body);
    void reply(Connection* c, const wire::Bytes& body);
    void startRead(Connection* c, std::uint32_t length, std::int32_t timeoutMs);
    void serveReads();
    void finishRead(Connection* c, int result, const wire::Bytes& data);
    void broadcast(std::int32_t event, const QString& path);
    void drop(Connection* c);

    VirtualDevice* device_;
    QLocalServer server_;
    std::list<std::unique_ptr<Connection>> connections_;
};

} // namespace vmouse
