#include "platform/hid/hotplug_sources.h"

#include <QDebug>
#include <QSocketNotifier>

#include <libudev.h>

namespace hidseam {
namespace {

class UdevHotplug : public HotplugSource {
  public:
    explicit UdevHotplug(QObject* parent) : HotplugSource(parent) {
        udev_ = udev_new();
        if (!udev_)
            return;
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (!monitor_ ||
            udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor_) < 0) {
            qWarning("hot-plug: the udev monitor is not available; devices are seen at start only");
            return;
        }
        notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &UdevHotplug::receive);
    }

    ~UdevHotplug() override {
        delete notifier_;
        if (monitor_)
            udev_monitor_unref(monitor_);
        if (udev_)
            udev_unref(udev_);
    }

  private:
    void receive() {
        while (udev_device* dev = udev_monitor_receive_device(monitor_)) {
            const char* action = udev_device_get_action(dev);
            const char* node = udev_device_get_devnode(dev);
            if (action && node) {
                const QString path = QString::fromLocal8Bit(node);
                if (qstrcmp(action, "add") == 0)
                    emit deviceAdded(path);
                else if (qstrcmp(action, "remove") == 0)
                    emit deviceRemoved(path);
            }
            udev_device_unref(dev);
        }
    }

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace

HotplugSource* createUdevHotplug(QObject* parent) {
    return new UdevHotplug(parent);
}

} // namespace hidseam
