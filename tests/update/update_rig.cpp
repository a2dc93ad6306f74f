#include "update/update_rig.h"

#include "isp/common/firmware_image.h"
#include "platform/hid/hid_seam.h"
#include "update/firmware_file.h"
#include "update/update_flow.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>

namespace updatetest {
static QString sharedSocket() {
    static QTemporaryDir dir;
    return dir.filePath("vmouse.sock");
}

void routeSeam() {
    const QByteArray path = sharedSocket().toUtf8();
    qputenv("VIRTUAL_MOUSE_SOCKET", path);
    hidseam::apiFor(path.constData());
    vmouse::client::setSocketPath(path.toStdString());
}

Mouse::Mouse(const QStringList& extraArgs)
    : VirtualMouse(QStringList{"--restart-delay", "20"} + extraArgs, sharedSocket()) {
    routeSeam();
}

QJsonObject Mouse::state() const {
    std::string json;
    return vmouse::client::state(json)
               ? QJsonDocument::fromJson(QByteArray::fromStdString(json)).object()
               : QJsonObject();
}

bool Mouse::waitForMode(const QString& mode) const {
    return QTest::qWaitFor([&] {
        const QJsonObject s = state();
        return s.value("plugged").toBool() && s.value("mode").toString() == mode;
    });
}

int Mouse::sent(const QString& iface, const QString& prefix) const {
    const auto records = log();
    return int(std::count_if(records.begin(), records.end(), [&](const QJsonObject& r) {
        return r.value("iface") == iface && r.value("dir") == "to_device" &&
               r.value("wire").toString().startsWith(prefix);
    }));
}

std::vector<std::uint8_t> imageOfPages(int pages, std::uint8_t a1, std::uint8_t a2,
                                       std::uint32_t seed, std::uint16_t linkAddress) {
    auto image = ispimage::makeImage(std::size_t(pages) * ispimage::kPageSize, seed, a1, a2);
    ispimage::writeInfo(image.data(), image.size(), ispimage::Info{linkAddress, a1, a2});
    return image;
}

QByteArray dataBin(const std::vector<std::uint8_t>& image, const QByteArray& title,
                   quint16 productId, std::optional<quint16> checksum) {
    const QByteArray bytes(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
    const quint16 sum = checksum ? *checksum : ispimage::sum16(image.data(), image.size());
    return updater::FirmwareFile::compose(title, 0x04d9, productId, bytes, sum, 0x12, 0x34);
}

QString writeFile(const QTemporaryDir& dir, const QByteArray& content, const QString& name) {
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    f.write(content);
    return f.fileName();
}

Flow::Flow(const QByteArray& content, bool hotplug, bool askVersion) {
    using updater::UpdateFlow;
    flow.setAskMouseVersion(askVersion);
    if (!hotplug)
        flow.setHotplugFactory([](QObject* p) { return new hidseam::HotplugSource(p); });
    QObject::connect(&flow, &UpdateFlow::progressChanged, [this](int v) { progress << v; });
    QObject::connect(&flow, &UpdateFlow::statusChanged, [this](const QString& s) {
        statuses << s;
        // The mouse may be back (and the state moved on) before the test looks.
        if (s == UpdateFlow::statusText(UpdateFlow::kSuccess))
            stateAtSuccess = flow.updateState();
    });
    DebugLines::install();
    DebugLines::take();
    flow.load(content.isNull() ? dir.filePath("absent") : writeFile(dir, content));
    lines = DebugLines::take();
}

} // namespace updatetest
