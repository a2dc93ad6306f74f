// The desktop's mouse settings as the pages see them: pointer speed, wheel scroll lines and
// double-click time are stored in the current profile and then applied to the desktop;
// their getters answer from the profile, not from the desktop. The acceleration flag goes
// to and comes from the desktop only.
#pragma once

#include "platform/system_mouse.h"
#include "store/profile_access.h"

#include <QtGlobal>

#include <functional>

class SystemMouseSettings {
  public:
    // Both must outlive this object, which takes the platform's outcome handler.
    SystemMouseSettings(const CurrentProfile& profile, SystemMouse& platform);

    // Told whether the desktop took each setting sent to it (the profile keeps the
    // user's choice either way), so that the pages can say the desktop keeps it.
    using Outcome = std::function<void(SystemMouse::Setting, bool taken)>;
    void setOutcomeHandler(Outcome handler) { outcome_ = std::move(handler); }

    // Levels of the pages' dials (0 to 10, 11 for a press right of and below the centre);
    // lines as the scroll panel passes them (1000 = one screen at a time).
    void setCursorSpeed(uint cursorSpeed);
    uint getCursorSpeed() const;
    void setVerticalScrollLines(uint lines);
    uint getVerticalScrollLines() const;
    void setDoubleClickSpeed(uint speed);
    uint getDoubleClickSpeed() const;
    void setAcceleration(bool acceleration);
    bool getAcceleration();
    bool getScrollPinSwap() const;

    // The desktop's pointer speed for a dial level: 2 × level, or 1 for level 0.
    static unsigned pointerSpeedForLevel(uint level);
    // The double-click time for a dial level: 900 − 70 × level milliseconds. False for
    // levels above 12, whose time would be negative.
    static bool doubleClickTimeForLevel(uint level, unsigned* milliseconds);

  private:
    void store(const char* key, uint value);
    uint stored(const char* key) const;

    void outcome(SystemMouse::Setting setting, bool taken) const;

    const CurrentProfile& profile_;
    SystemMouse& platform_;
    Outcome outcome_;
};
