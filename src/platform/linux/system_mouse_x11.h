// Pointer speed and acceleration through the X server's core pointer control; wheel lines
// and double-click time through the desktop's own settings (see DesktopMouseSettings). In
// a Wayland session (WAYLAND_DISPLAY or XDG_SESSION_TYPE=wayland) Xwayland's core pointer
// moves nothing: speed and acceleration go to the desktop's settings too, and where the
// desktop has none we can reach, they are refused.
//
// X has one factor and one threshold: motion of more than `threshold` pixels in one event is
// multiplied by numerator / denominator, slower motion passes unchanged. The Windows values
// are put into them like this, and read back the same way:
//  - speed 1 to 20 -> the factor, as Windows' own multiplier for that speed in 32nds over 32:
//    1 -> 1/32, 2 -> 2/32, 3 -> 4/32, then 4/32 more per step up to 10 -> 32/32 (1:1), then
//    8/32 more per step up to 20 -> 112/32 (3.5). A factor read back maps to the nearest
//    speed, so a factor set by another tool still reads as a speed.
//  - acceleration flag off -> threshold 1: the factor applies to practically every motion,
//    which is Windows' constant pointer speed.
//  - acceleration flag on -> threshold = Windows' first threshold (at least 2, at most 32767):
//    slow, precise motion stays 1:1 and quicker motion takes the factor.
// X keeps no second threshold and no first threshold while acceleration is off, so this
// object remembers the thresholds it was last given (Windows' defaults 6 and 10 until then)
// and reports them with the flag; a threshold changed by another tool while acceleration is
// on is reported as it is.
#pragma once

#include "platform/linux/desktop_mouse_settings.h"
#include "platform/system_mouse.h"

#include <QObject>
#include <QThreadPool>

#include <functional>

#include <memory>
#include <string>

class SystemMouseX11 : public SystemMouse {
  public:
    // Factor of each speed in 32nds; index 0 is speed 1.
    static constexpr int kSpeedFactorDenominator = 32;
    static constexpr std::array<int, 20> kSpeedFactors = {1,  2,  4,  8,  12, 16, 20, 24, 28,  32,
                                                          40, 48, 56, 64, 72, 80, 88, 96, 104, 112};

    // `displayName` empty: the display named by $DISPLAY. A connection is opened for each
    // call, so a display that comes and goes costs no stale handle.
    explicit SystemMouseX11(std::string displayName = {});
    // Waits for desktop settings still being written.
    ~SystemMouseX11() override;

    bool setPointerSpeed(unsigned speed) override;
    bool getPointerSpeed(unsigned& speed) override;
    bool getMouseThresholds(Thresholds& thresholds) override;
    bool setMouseThresholds(const Thresholds& thresholds) override;
    // The desktop's tools take a process each, up to seconds on a busy desktop: what goes
    // to them is handed to a background queue in the order it comes, the setter answers
    // true when queued, and the outcome handler hears the result from the event loop.
    bool setWheelScrollLines(unsigned lines) override;
    bool setDoubleClickTime(unsigned milliseconds) override;

    // The speed whose factor is nearest to numerator / denominator (denominator > 0).
    static unsigned speedForFactor(int numerator, int denominator);
    // The X threshold that carries a Windows threshold array.
    static int xThresholdFor(const Thresholds& thresholds);

    // Whether the session is a Wayland one, from the environment.
    static bool waylandSession();

  private:
    void applyOnDesktop(Setting setting, std::function<bool(DesktopMouseSettings&)> apply);

    std::string displayName_;
    bool wayland_ = false;
    // Lives on the thread that made this object; the queue's outcomes are posted to it.
    std::unique_ptr<QObject> home_;
    int firstThreshold_ = 6;
    int secondThreshold_ = 10;
    DesktopMouseSettings desktop_;
    std::unique_ptr<QThreadPool> desktopQueue_;
};
