#include "store/system_mouse_settings.h"

#include "platform/system_mouse.h"

#include <QLoggingCategory>
#include <QSettings>
#include <QString>

#include <limits>

namespace {

Q_LOGGING_CATEGORY(lcSystemMouse, "store")

constexpr char kCursorSpeedKey[] = "sensor/cursorSpeed_Q7";
constexpr char kScrollLinesKey[] = "sensor/verticalScrollLines_Q7";
constexpr char kDoubleClickKey[] = "sensor/doubleClickSpeed_Q7";
constexpr char kScrollSwapKey[] = "keydefine_Q7/scrollswap";

constexpr unsigned kDoubleClickBaseMs = 900;
constexpr unsigned kDoubleClickStepMs = 70;

constexpr int kAccelerationFlag = 2; // position of the flag in the threshold array

} // namespace

SystemMouseSettings::SystemMouseSettings(const CurrentProfile& profile, SystemMouse& platform)
    : profile_(profile), platform_(platform) {
    platform_.setOutcomeHandler(
        [this](SystemMouse::Setting setting, bool taken) { outcome(setting, taken); });
}

void SystemMouseSettings::outcome(SystemMouse::Setting setting, bool taken) const {
    if (!taken) {
        switch (setting) {
        case SystemMouse::Setting::PointerSpeed:
            qCDebug(lcSystemMouse, "setCursorSpeed Failed");
            break;
        case SystemMouse::Setting::Acceleration:
            qCDebug(lcSystemMouse, "setAcceleration Failed");
            break;
        case SystemMouse::Setting::WheelScrollLines:
            qCDebug(lcSystemMouse, "setVerticalScrollLines Failed");
            break;
        case SystemMouse::Setting::DoubleClickTime:
            qCDebug(lcSystemMouse, "setDoubleClickSpeed Failed");
            break;
        }
    }
    if (outcome_)
        outcome_(setting, taken);
}

unsigned SystemMouseSettings::pointerSpeedForLevel(uint level) {
    if (level == 0)
        return 1;
    // Far outside the desktop's range either way; keep it from wrapping into it.
    if (level > std::numeric_limits<unsigned>::max() / 2)
        return std::numeric_limits<unsigned>::max();
    return 2 * level;
}

bool SystemMouseSettings::doubleClickTimeForLevel(uint level, unsigned* milliseconds) {
    if (level > kDoubleClickBaseMs / kDoubleClickStepMs)
        return false;
    *milliseconds = kDoubleClickBaseMs - kDoubleClickStepMs * level;
    return true;
}

void SystemMouseSettings::store(const char* key, uint value) {
    if (QSettings* settings = profile_.currentProfile())
        settings->setValue(QLatin1String(key), value);
}

uint SystemMouseSettings::stored(const char* key) const {
    const QSettings* settings = profile_.currentProfile();
    if (!settings)
        return 0;
    // Read back in a later run the value is text; a non-number counts as absent.
    return settings->value(QLatin1String(key), 0u).toUInt();
}

void SystemMouseSettings::setCursorSpeed(uint cursorSpeed) {
    store(kCursorSpeedKey, cursorSpeed);
    platform_.setPointerSpeed(pointerSpeedForLevel(cursorSpeed));
}

uint SystemMouseSettings::getCursorSpeed() const {
    return stored(kCursorSpeedKey);
}

void SystemMouseSettings::setVerticalScrollLines(uint lines) {
    store(kScrollLinesKey, lines);
    platform_.setWheelScrollLines(lines);
}

uint SystemMouseSettings::getVerticalScrollLines() const {
    return stored(kScrollLinesKey);
}

void SystemMouseSettings::setDoubleClickSpeed(uint speed) {
    store(kDoubleClickKey, speed);
    // A level beyond the dial would give a negative time; the desktop is not asked then.
    unsigned milliseconds = 0;
    if (doubleClickTimeForLevel(speed, &milliseconds))
        platform_.setDoubleClickTime(milliseconds);
    else
        outcome(SystemMouse::Setting::DoubleClickTime, false);
}

uint SystemMouseSettings::getDoubleClickSpeed() const {
    return stored(kDoubleClickKey);
}

bool SystemMouseSettings::getAcceleration() {
    SystemMouse::Thresholds thresholds{};
    if (!platform_.getMouseThresholds(thresholds)) {
        qCDebug(lcSystemMouse, "getAcceleration Failed");
        return false;
    }
    return thresholds[kAccelerationFlag] != 0;
}

void SystemMouseSettings::setAcceleration(bool acceleration) {
    SystemMouse::Thresholds thresholds{};
    if (!platform_.getMouseThresholds(thresholds)) {
        outcome(SystemMouse::Setting::Acceleration, false);
        return;
    }
    // Only the flag changes; both thresholds go back as they were.
    thresholds[kAccelerationFlag] = acceleration ? 1 : 0;
    platform_.setMouseThresholds(thresholds);
}

bool SystemMouseSettings::getScrollPinSwap() const {
    const QSettings* settings = profile_.currentProfile();
    return settings && settings->value(QLatin1String(kScrollSwapKey), false).toBool();
}
