#include "update_rig.h"

#include "firmware_file.h"
#include "firmware_image.h"
#include "hid_seam.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>

namespace updatetest {
namespace {

QString sharedSocket() {
    static QTemporaryDir dir;
    return dir.filePath("vmouse.sock");
}

} // namespace

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

int Mouse::firmwareMinor() const {
    return state().value("firmware_version").toObject().value("a2").toInt(-1);
}

bool Mouse::waitForMode(const QString& mode) const {
    return QTest::qWaitFor([&] {
        const QJsonObject s = state();
        return s.value("plugged").toBool() && s.value("mode").toString() == mode;
    });
}

std::vector<QJsonObject> Mouse::records(const QString& iface) const {
    std::vector<QJsonObject> out;
    for (const QJsonObject& o : log())
        if (o.value("iface").toString() == iface)
            out.push_back(o);
    return out;
}

int Mouse::bootRequests(int command) const {
    int n = 0;
    for (const auto& r : records("boot"))
        n += r.value("kind").toString() == "output" &&
             r.value("wire").toString().mid(3, 2).toInt(nullptr, 16) == command;
    return n;
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

} // namespace updatetest
