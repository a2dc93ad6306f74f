// What the updater tests share: a virtual mouse on one socket path for the whole process
// (the updater's and ISPDLL's copies of the HID seam each read VIRTUAL_MOUSE_SOCKET once,
// on first use), a clock the test moves by hand, and firmware files.
#pragma once

#include "client/vmouse_client.h"
#include "support/virtual_mouse_fixture.h"
#include "update/clock.h"
#include "update/update_flow.h"

#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace updatetest {

using testsupport::DebugLines;

// Points this process's HID seam (and ISPDLL's, on its first use) at the one socket path.
void routeSeam();

// A virtual mouse daemon on that path; it restarts into and out of its boot loader after
// 20 ms unless `extraArgs` say otherwise. Controlled over the client library.
class Mouse : public testsupport::VirtualMouse {
  public:
    explicit Mouse(const QStringList& extraArgs = {});
    bool plug() const { return vmouse::client::plug(); }
    bool unplug() const { return vmouse::client::unplug(); }
    bool fault(const QString& kind, int count = 1) const {
        return vmouse::client::fault(kind.toStdString(), count);
    }
    QJsonObject state() const;
    // Runs the event loop until the mouse is plugged in and in `mode`.
    bool waitForMode(const QString& mode) const;
    // Reports sent to one interface ("boot", "command") since the last clearLog() whose
    // bytes (report id first, as hex) start with `prefix`.
    int sent(const QString& iface, const QString& prefix = {}) const;
};

// Time under the test's control. Pauses pass at once and are recorded (they are made on
// the device worker); delayed calls wait until the test fires them, first asked first.
class FakeClock : public updater::Clock {
  public:
    void sleep(int ms) override {
        if (onSleep)
            onSleep(ms);
        std::lock_guard lock(mutex_);
        sleeps_.push_back(ms);
    }
    std::vector<int> sleeps() const {
        std::lock_guard lock(mutex_);
        return sleeps_;
    }
    void singleShot(int ms, QObject*, std::function<void()> call) override {
        pendingDelays.push_back(ms);
        calls_.push_back(std::move(call));
    }
    // Runs the call asked for first (on the GUI thread); false when none is pending.
    bool fireNext() {
        if (calls_.empty())
            return false;
        const auto call = calls_.front();
        calls_.erase(calls_.begin());
        pendingDelays.erase(pendingDelays.begin());
        call();
        return true;
    }
    std::vector<int> pendingDelays; // of the calls asked for, on the GUI thread only
    // Called (on the sleeping thread) for every pause; set before the flow runs.
    std::function<void(int ms)> onSleep;

  private:
    mutable std::mutex mutex_;
    std::vector<int> sleeps_;
    std::vector<std::function<void()>> calls_;
};

std::vector<std::uint8_t> imageOfPages(int pages, std::uint8_t a1, std::uint8_t a2,
                                       std::uint32_t seed = 7, std::uint16_t linkAddress = 0x2000);
// data.bin for `image`: keys 12:34, vendor 04d9, the image's sum unless `checksum` is set.
QByteArray dataBin(const std::vector<std::uint8_t>& image, const QByteArray& title = {},
                   quint16 productId = 0xa26b, std::optional<quint16> checksum = {});
QString writeFile(const QTemporaryDir& dir, const QByteArray& content,
                  const QString& name = QStringLiteral("data.bin"));

// An UpdateFlow started on `content` as its data.bin (none at all when null), with what it
// reports recorded; without `hotplug` it hears of no device coming or going.
struct Flow {
    explicit Flow(const QByteArray& content, bool hotplug = true, bool askVersion = false);
    // On a data.bin of `pages` pages of version 1.0B.
    explicit Flow(int pages, bool hotplug = true, bool askVersion = false)
        : Flow(dataBin(imageOfPages(pages, 0x01, 0x0B)), hotplug, askVersion) {}

    FakeClock clock;
    QTemporaryDir dir;
    updater::UpdateFlow flow{clock};
    QList<int> progress;
    QStringList statuses;
    QStringList lines; // the debug lines of loading the file
    int stateAtSuccess = -2;
};

} // namespace updatetest
