// The desktop's mouse settings as the pages see them: pointer speed, wheel scroll lines and
// double-click time are stored in the current profile and then applied to the desktop;
// their getters answer from the profile, not from the desktop. The acceleration flag goes
// to and comes from the desktop only.
#pragma once

#include "store/profile_access.h"

#include <QtGlobal>

class SystemMouse;

class SystemMouseSettings {
  public:
    // Both must outlive this object.
    SystemMouseSettings(const CurrentProfile& profile, SystemMouse& platform);

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

    const CurrentProfile& profile_;
    SystemMouse& platform_;
};
