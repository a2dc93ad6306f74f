// The endpoints of the emulated mouse: its HID interfaces as the host sees them (paths,
// usages, report sizes), plug state, the input queues and the injected faults. Reports
// are handed to the firmware model (normal mode) or the boot loader and every one
// crossing is logged. The boot-loader side lives in virtual_device_boot.cpp.
#pragma once

#include "common/wire_protocol.h"
#include "firmware/boot_loader.h"
#include "firmware/mouse_firmware.h"
#include "server/traffic_log.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vmouse {

enum class Iface { Pointer, Command, Notify, Boot };

// Normal mode shows the mouse (04d9:a26b) with its interfaces; boot-loader mode shows
// only the boot loader (04d9:8022, one interface).
enum class DeviceMode { Normal, BootLoader };

// What an open handle is bound to: an interface of one plug generation. A handle of an
// earlier generation never works again, as a hidraw node of a re-plugged device.
struct Binding {
    Iface iface = Iface::Command;
    int generation = 0;
};

class VirtualDevice : public QObject {
    Q_OBJECT
  public:
    struct Options {
        bool encrypted = false;
        std::string code = "735190";
        bool withNotify = true;
        // The version of the factory image in flash.
        std::array<std::uint8_t, 2> firmwareVersion{0x01, 0x0a};
        // Start in boot-loader mode, as a mouse whose last update did not finish.
        bool startInBootLoader = false;
        // How long the device is away from the bus while it restarts (into or out of the
        // boot loader).
        int restartDelayMs = 500;
        // The interfaces are listed but refuse to open, as hidraw nodes the user may not
        // read: opening fails with EACCES.
        bool noAccess = false;
        Answers answers = Answers::Design;
    };
    VirtualDevice(const Options& options, TrafficLog* log, QObject* parent = nullptr);

    std::vector<wire::DeviceRecord> enumerate(std::uint16_t vid, std::uint16_t pid) const;
    std::optional<Binding> open(const std::string& path) const;
    bool accessDenied() const { return options_.noAccess; }
    bool alive(const Binding& b) const { return plugged_ && b.generation == generation_; }

    // hidapi-shaped operations; each returns what hidapi would.
    int sendFeature(const Binding& b, const wire::Bytes& data);
    int getFeature(const Binding& b, std::size_t length, std::uint8_t reportId, wire::Bytes& out);
    int write(const Binding& b, const wire::Bytes& data);

    // An input report for a reader: 1 with `out` filled, 0 when none is waiting, -1 when
    // the handle is dead or a fault fails the read.
    int takeInput(const Binding& b, std::size_t length, wire::Bytes& out);
    // True (and counted) when the next read is to stall.
    bool consumeStall();
    // A host read on the command interface ended with nothing to deliver: logged, so a
    // transfer that waited out its timeout shows in the traffic.
    void readTimedOut(const Binding& b);

    void plug();
    void unplug();
    void dpiButton(std::uint8_t stage);
    // Queues any report on the notification interface.
    void notify(const wire::Bytes& report);
    bool fault(const std::string& kind, int count);
    void clearFaults();
    std::string stateJson() const;

    QStringList paths() const;

  signals:
    void inputAvailable();
    void deviceAdded(const QString& path);
    void deviceRemoved(const QString& path);

  private:
    // Boot-loader side (virtual_device_boot.cpp).
    int bootWrite(const wire::Bytes& data);
    void afterBootReply();
    // Drops off the bus now and comes back in `mode` after the restart delay.
    void restartInto(DeviceMode mode);
    void powerUp(DeviceMode mode);
    DeviceMode powerOnMode() const;
    void setUpBootLoader();
    void bootStateJson(QJsonObject& o) const;

    std::string pathOf(Iface iface) const;
    const char* ifaceName(Iface iface) const;
    bool takeFault(int& counter);
    void garble(std::uint8_t* data, std::size_t length);
    // Called after each bulk report: a pending vanish fault unplugs the device here.
    void afterBulkReport();
    void applyPendingVanish();

    Options options_;
    TrafficLog* log_;
    MouseFirmware firmware_;
    bool plugged_ = true;
    bool vanishPending_ = false;
    int generation_ = 1;
    std::deque<wire::Bytes> notifyQueue_;

    DeviceMode mode_ = DeviceMode::Normal;
    BootLoader boot_;
    std::deque<wire::Bytes> bootInput_;
    bool restartAfterReply_ = false;
    QTimer restartTimer_;
    DeviceMode restartMode_ = DeviceMode::Normal;

    struct Faults {
        int sendFeature = 0;
        int getFeature = 0;
        int write = 0;
        int read = 0;
        int stallRead = 0;
        int garbage = 0;
        int vanishBulk = 0;
        int bootNoReturn = 0;
        int bootBeforeReadback = 0;
    } faults_;
    std::mt19937 random_{0x04d9a26bu};
};

} // namespace vmouse
