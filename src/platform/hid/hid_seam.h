// The one way the programs reach HID devices. `hidseam::api()` hands out hidapi's
// functions: the real hidapi library normally, or the virtual mouse's client when the
// environment variable VIRTUAL_MOUSE_SOCKET names its socket. Nothing above this module
// knows which one it got.
#pragma once

#include <hidapi/hidapi.h>

#include <QObject>
#include <QString>

namespace hidseam {

struct Api {
    const char* name; // "hidapi" or "virtual-mouse"
    hid_device_info* (*enumerate)(unsigned short vendorId, unsigned short productId);
    void (*free_enumeration)(hid_device_info* devs);
    hid_device* (*open_path)(const char* path);
    int (*set_nonblocking)(hid_device* dev, int nonblock);
    void (*close)(hid_device* dev);
    int (*send_feature_report)(hid_device* dev, const unsigned char* data, size_t length);
    int (*get_feature_report)(hid_device* dev, unsigned char* data, size_t length);
    int (*write)(hid_device* dev, const unsigned char* data, size_t length);
    int (*read)(hid_device* dev, unsigned char* data, size_t length);
    int (*read_timeout)(hid_device* dev, unsigned char* data, size_t length, int milliseconds);
};

// The functions for this process, chosen once from the environment.
const Api& api();

// The choice itself: the virtual mouse's client when `socketPath` is a non-empty text.
const Api& apiFor(const char* socketPath);

// The socket path of the virtual mouse in use, empty when the real hidapi is.
QString virtualMouseSocket();

// Names the devices this process reaches, the same in every program that reaches them:
// the key of the lock that lets one program at a time talk to the mouse.
QString deviceKey();

// Reports HID devices coming and going. Created on the GUI thread; signals arrive there.
class HotplugSource : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~HotplugSource() override = default;

  signals:
    // `path` is the device path as hid_enumerate reports it.
    void deviceAdded(const QString& path);
    void deviceRemoved(const QString& path);
};

// libudev's monitor on hidraw normally, the virtual mouse's plug events otherwise.
// Owned by `parent` (the caller deletes it when there is none).
HotplugSource* createHotplugSource(QObject* parent = nullptr);

} // namespace hidseam
