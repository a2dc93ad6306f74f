#include "platform/linux/kwin_pointers.h"

#include <QDBusMessage>
#include <QDBusVariant>

#include <cmath>

namespace {

const QString kService = QStringLiteral("org.kde.KWin");
const QString kManagerPath = QStringLiteral("/org/kde/KWin/InputDevice");
const QString kManager = QStringLiteral("org.kde.KWin.InputDeviceManager");
const QString kDevice = QStringLiteral("org.kde.KWin.InputDevice");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// A desktop that does not answer within this long is not waited for.
constexpr int kTimeoutMs = 3000;

std::optional<QVariant> get(QDBusConnection& bus, const QString& path, const QString& interface,
                            const QString& name) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, path, kProperties, QStringLiteral("Get"));
    call << interface << name;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().first().value<QDBusVariant>().variant();
}

bool set(QDBusConnection& bus, const QString& path, const QString& name, const QVariant& value) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, path, kProperties, QStringLiteral("Set"));
    call << kDevice << name << QVariant::fromValue(QDBusVariant(value));
    return bus.call(call, QDBus::Block, kTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

} // namespace

QStringList KWinPointers::mice() {
    QStringList paths;
    if (!bus_.isConnected())
        return paths;
    const auto names = get(bus_, kManagerPath, kManager, QStringLiteral("devicesSysNames"));
    if (!names)
        return paths;
    for (const QString& name : names->toStringList()) {
        const QString path = kManagerPath + QLatin1Char('/') + name;
        const auto pointer = get(bus_, path, kDevice, QStringLiteral("pointer"));
        const auto touchpad = get(bus_, path, kDevice, QStringLiteral("touchpad"));
        if (pointer && pointer->toBool() && touchpad && !touchpad->toBool())
            paths << path;
    }
    return paths;
}

bool KWinPointers::setOnEveryMouse(const QString& property, const QVariant& value,
                                   const QString& readBack,
                                   const std::function<bool(const QVariant&)>& took) {
    const QStringList paths = mice();
    for (const QString& path : paths) {
        if (!set(bus_, path, property, value))
            return false;
        const auto back = get(bus_, path, kDevice, readBack);
        if (!back || !took(*back))
            return false;
    }
    return !paths.isEmpty();
}

std::optional<QVariant> KWinPointers::ofFirstMouse(const QString& property) {
    const QStringList paths = mice();
    return paths.isEmpty() ? std::nullopt : get(bus_, paths.first(), kDevice, property);
}

bool KWinPointers::setSpeed(double speed) {
    const QString property = QStringLiteral("pointerAcceleration");
    return setOnEveryMouse(property, speed, property, [speed](const QVariant& back) {
        return std::abs(back.toDouble() - speed) <= 1e-3;
    });
}

std::optional<double> KWinPointers::speed() {
    const auto value = ofFirstMouse(QStringLiteral("pointerAcceleration"));
    return value ? std::optional<double>(value->toDouble()) : std::nullopt;
}

bool KWinPointers::setAccelerating(bool accelerating) {
    // One profile is on at a time; the one turned on decides.
    const QString profile = accelerating ? QStringLiteral("pointerAccelerationProfileAdaptive")
                                         : QStringLiteral("pointerAccelerationProfileFlat");
    return setOnEveryMouse(
        profile, true, QStringLiteral("pointerAccelerationProfileFlat"),
        [accelerating](const QVariant& flat) { return flat.toBool() != accelerating; });
}

std::optional<bool> KWinPointers::accelerating() {
    const auto flat = ofFirstMouse(QStringLiteral("pointerAccelerationProfileFlat"));
    return flat ? std::optional<bool>(!flat->toBool()) : std::nullopt;
}
