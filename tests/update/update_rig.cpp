#include "update_rig.h"

#include "firmware_file.h"
#include "firmware_image.h"
#include "hid_seam.h"
#include "virtual_mouse_fixture.h"
#include "vmouse_client.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QMutex>
#include <QTest>

#include <algorithm>

namespace updatetest {

QString socketPath() {
    static QTemporaryDir dir;
    return dir.filePath("vmouse.sock");
}

void routeSeam() {
    const QByteArray path = socketPath().toUtf8();
    qputenv("VIRTUAL_MOUSE_SOCKET", path);
    hidseam::apiFor(path.constData());
    vmouse::client::setSocketPath(path.toStdString());
}

Mouse::Mouse(const QStringList& extraArgs)
    // Restarts into and out of the boot loader take 20 ms here, not half a second.
    : mouse_(QStringList{"--restart-delay", "20"} + extraArgs, socketPath()) {
    routeSeam();
}

bool Mouse::plug() const {
    return vmouse::client::plug();
}

bool Mouse::unplug() const {
    return vmouse::client::unplug();
}

bool Mouse::fault(const QString& kind, int count) const {
    return vmouse::client::fault(kind.toStdString(), count);
}

QJsonObject Mouse::state() const {
    std::string json;
    if (!vmouse::client::state(json))
        return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
}

bool Mouse::waitForMode(const QString& mode, int timeoutMs) const {
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const QJsonObject s = state();
        if (s.value("plugged").toBool() && s.value("mode").toString() == mode)
            return true;
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
}

std::vector<QJsonObject> Mouse::log(const QString& iface) const {
    std::vector<QJsonObject> records;
    for (const QJsonObject& o : mouse_.log())
        if (iface.isEmpty() || o.value("iface").toString() == iface)
            records.push_back(o);
    return records;
}

void Mouse::clearLog() {
    mouse_.clearLog();
}

void FakeClock::sleep(int ms) {
    if (onSleep)
        onSleep(ms);
    std::lock_guard lock(mutex_);
    sleeps_.push_back(ms);
    now_ += ms;
}

std::vector<int> FakeClock::sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

qint64 FakeClock::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

void FakeClock::singleShot(int ms, QObject* context, std::function<void()> call) {
    std::lock_guard lock(mutex_);
    pending_.push_back({now_ + ms, ms, context, std::move(call)});
}

bool FakeClock::fireNext() {
    std::unique_lock lock(mutex_);
    if (pending_.empty())
        return false;
    const auto next = std::min_element(pending_.begin(), pending_.end(),
                                       [](const auto& a, const auto& b) { return a.due < b.due; });
    Pending p = *next;
    pending_.erase(next);
    now_ = std::max(now_, p.due);
    lock.unlock();
    if (p.context)
        p.call();
    return true;
}

std::vector<int> FakeClock::pendingDelays() const {
    std::lock_guard lock(mutex_);
    std::vector<int> out;
    for (const auto& p : pending_)
        out.push_back(p.delay);
    return out;
}

std::vector<std::uint8_t> imageOfPages(int pages, std::uint8_t a1, std::uint8_t a2,
                                       std::uint32_t seed, int shortBy, std::uint16_t linkAddress) {
    auto image =
        ispimage::makeImage(std::size_t(pages) * ispimage::kPageSize - shortBy, seed, a1, a2);
    ispimage::writeInfo(image.data(), image.size(), ispimage::Info{linkAddress, a1, a2});
    return image;
}

QByteArray dataBin(const std::vector<std::uint8_t>& image, const DataFile& o) {
    const QByteArray bytes(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
    const quint16 sum = o.checksum ? *o.checksum : ispimage::sum16(image.data(), image.size());
    return updater::FirmwareFile::compose(o.title, o.vendorId, o.productId, bytes, sum, o.k0, o.k1);
}

QString writeFile(const QTemporaryDir& dir, const QByteArray& content, const QString& name) {
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    f.write(content);
    return f.fileName();
}

} // namespace updatetest
