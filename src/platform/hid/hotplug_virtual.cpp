#include "platform/hid/hotplug_sources.h"

#include "common/wire_protocol.h"

#include <QDebug>
#include <QSocketNotifier>

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace hidseam {
namespace {

class VirtualHotplug : public HotplugSource {
  public:
    VirtualHotplug(const QString& socketPath, QObject* parent) : HotplugSource(parent) {
        fd_ = vmouse::wire::connectTo(socketPath.toStdString());
        vmouse::wire::Bytes reply;
        vmouse::wire::Writer watch;
        watch.u8(static_cast<std::uint8_t>(vmouse::wire::Op::Watch));
        if (fd_ < 0 || !vmouse::wire::sendMessage(fd_, watch.body()) ||
            !vmouse::wire::receiveMessage(fd_, reply)) {
            qWarning("hot-plug: the virtual mouse at %s does not answer", qPrintable(socketPath));
            return;
        }
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &VirtualHotplug::receive);
    }

    ~VirtualHotplug() override {
        delete notifier_;
        if (fd_ >= 0)
            ::close(fd_);
    }

  private:
    void receive() {
        std::uint8_t chunk[4096];
        for (;;) {
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n > 0) {
                buffer_.insert(buffer_.end(), chunk, chunk + n);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
                break;
            // The daemon went away: no more events will come.
            notifier_->setEnabled(false);
            break;
        }
        while (buffer_.size() >= 4) {
            const std::uint32_t len = buffer_[0] | (buffer_[1] << 8) | (buffer_[2] << 16) |
                                      (static_cast<std::uint32_t>(buffer_[3]) << 24);
            if (buffer_.size() < 4 + static_cast<std::size_t>(len))
                break;
            const vmouse::wire::Bytes body(buffer_.begin() + 4, buffer_.begin() + 4 + len);
            buffer_.erase(buffer_.begin(), buffer_.begin() + 4 + len);
            vmouse::wire::Reader r(body);
            std::int32_t event = 0;
            std::string path;
            if (!r.i32(event) || !r.str(path))
                continue;
            if (event == vmouse::wire::kEventAdded)
                emit deviceAdded(QString::fromStdString(path));
            else if (event == vmouse::wire::kEventRemoved)
                emit deviceRemoved(QString::fromStdString(path));
        }
    }

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    vmouse::wire::Bytes buffer_;
};

} // namespace

HotplugSource* createVirtualHotplug(const QString& socketPath, QObject* parent) {
    return new VirtualHotplug(socketPath, parent);
}

HotplugSource* createHotplugSource(QObject* parent) {
    const QString socket = virtualMouseSocket();
    return socket.isEmpty() ? createUdevHotplug(parent) : createVirtualHotplug(socket, parent);
}

} // namespace hidseam
