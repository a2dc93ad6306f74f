// The boot-loader side of the virtual device: its one interface, the restart into and out
// of the boot loader, and the flash the device powers up from.
#include "server/virtual_device.h"

namespace vmouse {
namespace {

constexpr std::size_t kBootOutputSize = 1 + bootproto::kReportSize;
// The factory image: a few pages of filler with the version block.
constexpr std::size_t kFactoryImageSize = 8 * 1024;
constexpr std::uint32_t kFactorySeed = 0x04d9a26b;

} // namespace

void VirtualDevice::setUpBootLoader() {
    boot_.installFactoryImage(ispimage::makeImage(
        kFactoryImageSize, kFactorySeed, options_.firmwareVersion[0], options_.firmwareVersion[1]));
    if (options_.startInBootLoader)
        boot_.chooseStart(bootproto::kStartBootLoader);
    mode_ = powerOnMode();
    restartTimer_.setSingleShot(true);
    connect(&restartTimer_, &QTimer::timeout, this, [this] {
        if (!plugged_)
            powerUp(restartMode_);
    });
}

DeviceMode VirtualDevice::powerOnMode() const {
    return boot_.startsUserProgram() ? DeviceMode::Normal : DeviceMode::BootLoader;
}

void VirtualDevice::powerUp(DeviceMode mode) {
    restartTimer_.stop();
    mode_ = mode;
    boot_.powerOn();
    firmware_.powerOn();
    if (mode == DeviceMode::Normal) {
        // The normal firmware reports the version of the image it runs.
        if (const auto info = boot_.programInfo())
            firmware_.state().firmwareVersion = {info->versionMajor, info->versionMinor};
    }
    plugged_ = true;
    ++generation_;
    for (const QString& p : paths())
        emit deviceAdded(p);
}

void VirtualDevice::restartInto(DeviceMode mode) {
    // The host gets the answer in hand; the device drops off the bus right after it.
    QTimer::singleShot(0, this, [this, mode] {
        if (!plugged_)
            return;
        unplug();
        if (takeFault(faults_.bootNoReturn))
            return;
        restartMode_ = mode;
        restartTimer_.start(options_.restartDelayMs);
    });
}

int VirtualDevice::bootWrite(const wire::Bytes& data) {
    if (data.empty() || data.size() > kBootOutputSize || data[0] != 0)
        return -1;
    wire::Bytes report(kBootOutputSize, 0);
    std::copy(data.begin(), data.end(), report.begin());
    if (takeFault(faults_.write)) {
        log_->write({"to_device", "boot", "output", report, report, "fault: write failed"});
        return -1;
    }
    const BootLoader::Outcome outcome = boot_.request(report.data() + 1, kBootOutputSize - 1);
    log_->write(
        {"to_device", "boot", "output", report, report, QString::fromStdString(outcome.note)});
    if (!outcome.answered) {
        // Power is gone: the request went out, its reply never comes.
        vanishPending_ = true;
        QTimer::singleShot(0, this, [this] { applyPendingVanish(); });
        return static_cast<int>(data.size());
    }
    bootInput_.emplace_back(outcome.reply.begin(), outcome.reply.end());
    restartAfterReply_ = restartAfterReply_ || outcome.restart;
    emit inputAvailable();
    return static_cast<int>(data.size());
}

void VirtualDevice::afterBootReply() {
    if (!restartAfterReply_ || !bootInput_.empty())
        return;
    restartAfterReply_ = false;
    restartInto(powerOnMode());
}

void VirtualDevice::bootStateJson(QJsonObject& o) const {
    o.insert("boot_loader", boot_.stateJson());
    o.insert("restarting", restartTimer_.isActive());
}

} // namespace vmouse
