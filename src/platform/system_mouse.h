// The desktop's own mouse settings: pointer speed, acceleration, wheel scroll lines and
// double-click time. The values are in Windows' terms (speed 1 to 20, the three-integer
// mouse-threshold array, milliseconds), because that is how the settings store and the pages
// think of them; each platform maps them onto what it has.
//
// Kept free of Qt so the Windows implementation builds on its own.
#pragma once

#include <array>
#include <memory>

class SystemMouse {
  public:
    // Windows' mouse-threshold array: first threshold, second threshold, acceleration flag
    // (non-zero = the pointer accelerates).
    using Thresholds = std::array<int, 3>;

    static constexpr unsigned kMinPointerSpeed = 1;
    static constexpr unsigned kMaxPointerSpeed = 20;

    virtual ~SystemMouse() = default;

    // Every call returns whether the desktop took the value (or gave one).
    virtual bool setPointerSpeed(unsigned speed) = 0;
    virtual bool getPointerSpeed(unsigned& speed) = 0;
    virtual bool getMouseThresholds(Thresholds& thresholds) = 0;
    virtual bool setMouseThresholds(const Thresholds& thresholds) = 0;
    virtual bool setWheelScrollLines(unsigned lines) = 0;
    virtual bool setDoubleClickTime(unsigned milliseconds) = 0;
};

// The implementation of the platform the program was built for.
std::unique_ptr<SystemMouse> createSystemMouse();
