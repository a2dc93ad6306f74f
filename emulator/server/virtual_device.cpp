#include "server/virtual_device.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

namespace vmouse {
namespace {

constexpr std::uint16_t kVendor = 0x04d9;
constexpr std::uint16_t kProduct = 0xa26b;
constexpr std::size_t kFeatureSize = 9; // report id + 8
constexpr std::size_t kOutputSize = 33; // report id + 32
// The mouse holds a few unread notifications, then drops the oldest.
constexpr std::size_t kNotifyBacklog = 8;

struct IfaceInfo {
    Iface iface;
    const char* tag;
    std::uint16_t usagePage;
    std::uint16_t usage;
    int number;
};

constexpr IfaceInfo kInterfaces[] = {
    {Iface::Pointer, "pointer", 0x0001, 0x0002, 0},
    {Iface::Command, "command", 0xff00, 0xff00, 1},
    {Iface::Notify, "notify", 0xff01, 0xff01, 2},
};
constexpr IfaceInfo kBootInterface = {Iface::Boot, "boot", bootproto::kUsagePage, bootproto::kUsage,
                                      0};

// The interfaces the device shows in `mode`.
std::vector<IfaceInfo> shown(DeviceMode mode, bool withNotify) {
    if (mode == DeviceMode::BootLoader)
        return {kBootInterface};
    std::vector<IfaceInfo> out;
    for (const auto& i : kInterfaces)
        if (i.iface != Iface::Notify || withNotify)
            out.push_back(i);
    return out;
}

wire::Bytes withReportId(const std::uint8_t* data, std::size_t n) {
    wire::Bytes b(n + 1, 0);
    std::copy_n(data, n, b.begin() + 1);
    return b;
}

} // namespace

VirtualDevice::VirtualDevice(const Options& options, TrafficLog* log, QObject* parent)
    : QObject(parent), options_(options), log_(log),
      firmware_(options.encrypted, options.code, options.answers) {
    firmware_.state().firmwareVersion = options.firmwareVersion;
    setUpBootLoader();
}

std::string VirtualDevice::pathOf(Iface iface) const {
    const char* ids = iface == Iface::Boot ? "04d9:8022/" : "04d9:a26b/";
    return "virtual-mouse/" + std::string(ids) + ifaceName(iface) + "/" +
           std::to_string(generation_);
}

const char* VirtualDevice::ifaceName(Iface iface) const {
    if (iface == Iface::Boot)
        return kBootInterface.tag;
    for (const auto& i : kInterfaces)
        if (i.iface == iface)
            return i.tag;
    return "?";
}

QStringList VirtualDevice::paths() const {
    QStringList out;
    for (const auto& i : shown(mode_, options_.withNotify))
        out << QString::fromStdString(pathOf(i.iface));
    return out;
}

std::vector<wire::DeviceRecord> VirtualDevice::enumerate(std::uint16_t vid,
                                                         std::uint16_t pid) const {
    std::vector<wire::DeviceRecord> out;
    const bool boot = mode_ == DeviceMode::BootLoader;
    const std::uint16_t product = boot ? bootproto::kProductId : kProduct;
    if (!plugged_ || (vid != 0 && vid != kVendor) || (pid != 0 && pid != product))
        return out;
    for (const auto& i : shown(mode_, options_.withNotify)) {
        wire::DeviceRecord d;
        d.path = pathOf(i.iface);
        d.vendorId = kVendor;
        d.productId = product;
        d.releaseNumber = 0x0100;
        d.usagePage = i.usagePage;
        d.usage = i.usage;
        d.interfaceNumber = i.number;
        d.manufacturer = "Virtual";
        d.product = boot ? "Virtual Gaming Mouse Boot Loader" : "Virtual Gaming Mouse";
        out.push_back(d);
    }
    return out;
}

std::optional<Binding> VirtualDevice::open(const std::string& path) const {
    if (!plugged_)
        return std::nullopt;
    for (const auto& i : shown(mode_, options_.withNotify))
        if (path == pathOf(i.iface))
            return Binding{i.iface, generation_};
    return std::nullopt;
}

bool VirtualDevice::takeFault(int& counter) {
    if (counter <= 0)
        return false;
    --counter;
    return true;
}

void VirtualDevice::garble(std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        data[i] = static_cast<std::uint8_t>(random_());
}

void VirtualDevice::readTimedOut(const Binding& b) {
    if (b.iface == Iface::Command)
        log_->write({"to_host", "command", "timeout", {}, {}, "read timed out"});
}

bool VirtualDevice::consumeStall() {
    return takeFault(faults_.stallRead);
}

int VirtualDevice::sendFeature(const Binding& b, const wire::Bytes& data) {
    applyPendingVanish();
    if (!alive(b) || b.iface != Iface::Command)
        return -1;
    // The interface has no numbered reports: id 0, at most 8 bytes behind it.
    if (data.empty() || data.size() > kFeatureSize || data[0] != 0)
        return -1;
    std::array<std::uint8_t, 8> wire8{};
    std::copy(data.begin() + 1, data.end(), wire8.begin());
    TrafficLog::Record rec{"to_device", "command", "feature", withReportId(wire8.data(), 8),
                           {},          {}};
    if (takeFault(faults_.sendFeature)) {
        rec.plain = rec.wire;
        rec.note = "fault: send-feature failed";
        log_->write(rec);
        return -1;
    }
    const FeatureOutcome outcome = firmware_.featureReport(wire8.data());
    rec.plain = withReportId(outcome.plain.data(), 8);
    rec.note = QString::fromStdString(outcome.note);
    log_->write(rec);
    // A mouse that restarts as soon as it takes the entry command, before the host has
    // read the confirmation.
    if (firmware_.bootArmed() && takeFault(faults_.bootBeforeReadback)) {
        firmware_.takeBootRequest();
        restartInto(DeviceMode::BootLoader);
    }
    if (!firmware_.commandInput().empty())
        emit inputAvailable();
    return static_cast<int>(data.size());
}

int VirtualDevice::getFeature(const Binding& b, std::size_t length, std::uint8_t reportId,
                              wire::Bytes& out) {
    applyPendingVanish();
    if (!alive(b) || b.iface != Iface::Command || reportId != 0 || length == 0)
        return -1;
    if (takeFault(faults_.getFeature)) {
        log_->write({"to_host", "command", "answer", {}, {}, "fault: get-feature failed"});
        return -1;
    }
    auto wire8 = firmware_.answerWire();
    const auto plain8 = firmware_.answerPlain();
    QString note;
    if (takeFault(faults_.garbage)) {
        garble(wire8.data(), wire8.size());
        note = "fault: garbage";
    }
    out = withReportId(wire8.data(), 8);
    log_->write({"to_host", "command", "answer", out,
                 note.isEmpty() ? withReportId(plain8.data(), 8) : out, note});
    out.resize(std::min(length, kFeatureSize));
    // The host has the confirmation in hand; the MCU restarts into its boot loader.
    if (firmware_.takeBootRequest())
        restartInto(DeviceMode::BootLoader);
    return static_cast<int>(out.size());
}

int VirtualDevice::write(const Binding& b, const wire::Bytes& data) {
    applyPendingVanish();
    if (!alive(b))
        return -1;
    if (b.iface == Iface::Boot)
        return bootWrite(data);
    if (b.iface != Iface::Command)
        return -1;
    if (data.empty() || data.size() > kOutputSize || data[0] != 0)
        return -1;
    wire::Bytes report(kOutputSize, 0);
    std::copy(data.begin(), data.end(), report.begin());
    if (takeFault(faults_.write)) {
        log_->write({"to_device", "command", "output", report, report, "fault: write failed"});
        return -1;
    }
    const std::string note = firmware_.outputReport(report.data() + 1, kOutputSize - 1);
    log_->write({"to_device", "command", "output", report, report, QString::fromStdString(note)});
    if (!firmware_.commandInput().empty())
        emit inputAvailable();
    afterBulkReport();
    return static_cast<int>(data.size());
}

int VirtualDevice::takeInput(const Binding& b, std::size_t length, wire::Bytes& out) {
    applyPendingVanish();
    if (!alive(b) || b.iface == Iface::Pointer)
        return -1;
    const bool command = b.iface == Iface::Command;
    if (takeFault(faults_.read)) {
        log_->write({"to_host", ifaceName(b.iface), "input", {}, {}, "fault: read failed"});
        return -1;
    }
    const bool boot = b.iface == Iface::Boot;
    std::deque<wire::Bytes>& queue = command ? firmware_.commandInput()
                                     : boot  ? bootInput_
                                             : notifyQueue_;
    if (queue.empty())
        return 0;
    out = queue.front();
    queue.pop_front();
    QString note;
    if (takeFault(faults_.garbage)) {
        garble(out.data(), out.size());
        note = "fault: garbage";
    }
    log_->write({"to_host", ifaceName(b.iface), "input", out, out, note});
    if (out.size() > length)
        out.resize(length);
    if (command)
        afterBulkReport();
    if (boot)
        afterBootReply();
    return 1;
}

void VirtualDevice::afterBulkReport() {
    // The report in hand still reaches the host; the device is gone right after it.
    if (takeFault(faults_.vanishBulk)) {
        vanishPending_ = true;
        QTimer::singleShot(0, this, [this] { applyPendingVanish(); });
    }
}

void VirtualDevice::applyPendingVanish() {
    if (!vanishPending_)
        return;
    vanishPending_ = false;
    unplug();
}

void VirtualDevice::plug() {
    if (plugged_)
        return;
    powerUp(powerOnMode());
}

void VirtualDevice::unplug() {
    // Pulled while restarting: it stays away.
    restartTimer_.stop();
    if (!plugged_)
        return;
    const QStringList gone = paths();
    plugged_ = false;
    notifyQueue_.clear();
    firmware_.commandInput().clear();
    bootInput_.clear();
    restartAfterReply_ = false;
    for (const QString& p : gone)
        emit deviceRemoved(p);
    // Readers waiting on a handle learn that it died.
    emit inputAvailable();
}

void VirtualDevice::dpiButton(std::uint8_t stage) {
    notify(firmware_.dpiButton(stage));
}

void VirtualDevice::notify(const wire::Bytes& report) {
    if (!plugged_ || !options_.withNotify)
        return;
    if (notifyQueue_.size() >= kNotifyBacklog)
        notifyQueue_.pop_front();
    notifyQueue_.push_back(report);
    emit inputAvailable();
}

bool VirtualDevice::fault(const std::string& kind, int count) {
    if (count <= 0)
        count = 1;
    int* counter = kind == "send-feature"           ? &faults_.sendFeature
                   : kind == "get-feature"          ? &faults_.getFeature
                   : kind == "write"                ? &faults_.write
                   : kind == "read"                 ? &faults_.read
                   : kind == "stall-read"           ? &faults_.stallRead
                   : kind == "garbage"              ? &faults_.garbage
                   : kind == "vanish-bulk"          ? &faults_.vanishBulk
                   : kind == "boot-no-return"       ? &faults_.bootNoReturn
                   : kind == "boot-before-readback" ? &faults_.bootBeforeReadback
                                                    : nullptr;
    if (!counter)
        return boot_.fault(kind, count);
    *counter = count;
    return true;
}

void VirtualDevice::clearFaults() {
    faults_ = Faults{};
    boot_.clearFaults();
}

std::string VirtualDevice::stateJson() const {
    QJsonObject o =
        QJsonDocument::fromJson(QByteArray::fromStdString(firmware_.stateJson())).object();
    o.insert("mode", mode_ == DeviceMode::Normal ? "normal" : "boot-loader");
    o.insert("plugged", plugged_);
    o.insert("generation", generation_);
    o.insert("notify_interface", options_.withNotify);
    o.insert("answers", options_.answers == Answers::Framed    ? "framed"
                        : options_.answers == Answers::Uncoded ? "uncoded"
                                                               : "design");
    QJsonObject f;
    f.insert("send-feature", faults_.sendFeature);
    f.insert("get-feature", faults_.getFeature);
    f.insert("write", faults_.write);
    f.insert("read", faults_.read);
    f.insert("stall-read", faults_.stallRead);
    f.insert("garbage", faults_.garbage);
    f.insert("vanish-bulk", faults_.vanishBulk);
    f.insert("boot-no-return", faults_.bootNoReturn);
    f.insert("boot-before-readback", faults_.bootBeforeReadback);
    const QJsonObject bootFaults = boot_.faultsJson();
    for (auto it = bootFaults.constBegin(); it != bootFaults.constEnd(); ++it)
        f.insert(it.key(), it.value());
    o.insert("faults", f);
    bootStateJson(o);
    return QJsonDocument(o).toJson(QJsonDocument::Indented).toStdString();
}

} // namespace vmouse
