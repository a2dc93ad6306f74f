// The desktop's own mouse settings: pointer speed, acceleration, wheel scroll lines and
// double-click time. The values are in Windows' terms (speed 1 to 20, the three-integer
// mouse-threshold array, milliseconds), because that is how the settings store and the pages
// think of them; each platform maps them onto what it has.
//
// Kept free of Qt so the Windows implementation builds on its own.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <utility>

class SystemMouse {
  public:
    // Windows' mouse-threshold array: first threshold, second threshold, acceleration flag
    // (non-zero = the pointer accelerates).
    using Thresholds = std::array<int, 3>;

    static constexpr unsigned kMinPointerSpeed = 1;
    static constexpr unsigned kMaxPointerSpeed = 20;

    enum class Setting { PointerSpeed, Acceleration, WheelScrollLines, DoubleClickTime };
    // Told whether the desktop took a setting, once that is known: before the setter
    // returns when the platform sets it itself, later (from the event loop of the thread
    // that made this object) when a desktop tool applies it in the background.
    using Outcome = std::function<void(Setting, bool taken)>;

    virtual ~SystemMouse() = default;

    void setOutcomeHandler(Outcome handler) { outcome_ = std::move(handler); }

    // Every getter returns whether the desktop gave a value. Every setter returns false
    // when the desktop refused the value at once, true when it took it or the value is on
    // its way; the outcome handler hears the final word either way.
    virtual bool setPointerSpeed(unsigned speed) = 0;
    virtual bool getPointerSpeed(unsigned& speed) = 0;
    virtual bool getMouseThresholds(Thresholds& thresholds) = 0;
    virtual bool setMouseThresholds(const Thresholds& thresholds) = 0;
    virtual bool setWheelScrollLines(unsigned lines) = 0;
    virtual bool setDoubleClickTime(unsigned milliseconds) = 0;

  protected:
    // Passes an outcome on; returns `taken`.
    bool report(Setting setting, bool taken) const {
        if (outcome_)
            outcome_(setting, taken);
        return taken;
    }

  private:
    Outcome outcome_;
};

// The implementation of the platform the program was built for.
std::unique_ptr<SystemMouse> createSystemMouse();
