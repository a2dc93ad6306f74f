// Pointer speed and acceleration of KDE Plasma's compositor (KWin), through its input
// devices on the session bus (org.kde.KWin, /org/kde/KWin/InputDevice/<device>): the same
// properties Plasma's own mouse settings set, which KWin applies at once and keeps. Every
// pointer that is not a touchpad gets the value; it counts as set when each reads it back.
#pragma once

#include <QDBusConnection>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

class KWinPointers {
  public:
    explicit KWinPointers(const QDBusConnection& bus) : bus_(bus) {}

    // -1 (slowest) to 1 (fastest), 0 being the default.
    bool setSpeed(double speed);
    std::optional<double> speed();
    // Adaptive acceleration on, or the flat profile.
    bool setAccelerating(bool accelerating);
    std::optional<bool> accelerating();

  private:
    // Object paths of the mice (pointers that are not touchpads); empty without KWin.
    QStringList mice();
    // Sets `property` on every mouse and reads `readBack`, which `took` must accept.
    bool setOnEveryMouse(const QString& property, const QVariant& value, const QString& readBack,
                         const std::function<bool(const QVariant&)>& took);
    std::optional<QVariant> ofFirstMouse(const QString& property);

    QDBusConnection bus_;
};
