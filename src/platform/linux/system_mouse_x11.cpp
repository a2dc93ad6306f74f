#include "platform/linux/system_mouse_x11.h"

#include <QDebug>

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>

namespace {

// The threshold is an INT16 on the wire; 1 is reserved for "acceleration off".
constexpr int kMaxXThreshold = 32767;
constexpr int kMinAcceleratingThreshold = 2;
constexpr int kConstantSpeedThreshold = 1;

// Xlib reports request errors asynchronously through a process-wide handler. While one of
// our requests is in flight the handler only notes that an error came; XSync makes sure it
// came before we look. Used on one thread only (the GUI thread).
int g_xErrors = 0;
int noteXError(Display*, XErrorEvent*) {
    ++g_xErrors;
    return 0;
}

class XConnection {
  public:
    explicit XConnection(const std::string& name)
        : display_(XOpenDisplay(name.empty() ? nullptr : name.c_str())) {}
    ~XConnection() {
        if (display_)
            XCloseDisplay(display_);
    }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    bool getPointerControl(int& numerator, int& denominator, int& threshold) {
        if (!display_)
            return false;
        return checked([&] { XGetPointerControl(display_, &numerator, &denominator, &threshold); });
    }

    bool changeAcceleration(int numerator, int denominator) {
        if (!display_)
            return false;
        return checked(
            [&] { XChangePointerControl(display_, True, False, numerator, denominator, 0); });
    }

    bool changeThreshold(int threshold) {
        if (!display_)
            return false;
        return checked([&] { XChangePointerControl(display_, False, True, 0, 0, threshold); });
    }

  private:
    template <typename Request> bool checked(Request request) {
        XSync(display_, False);
        g_xErrors = 0;
        XErrorHandler previous = XSetErrorHandler(noteXError);
        request();
        XSync(display_, False);
        XSetErrorHandler(previous);
        return g_xErrors == 0;
    }

    Display* display_;
};

} // namespace

SystemMouseX11::SystemMouseX11(std::string displayName)
    : displayName_(std::move(displayName)), wayland_(waylandSession()),
      home_(std::make_unique<QObject>()), desktopQueue_(std::make_unique<QThreadPool>()) {
    // One at a time: the last setting asked for is the one the desktop keeps.
    desktopQueue_->setMaxThreadCount(1);
}

bool SystemMouseX11::waylandSession() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

void SystemMouseX11::applyOnDesktop(Setting setting,
                                    std::function<bool(DesktopMouseSettings&)> apply) {
    QObject* home = home_.get();
    desktopQueue_->start([this, home, setting, apply = std::move(apply)] {
        const bool taken = apply(desktop_);
        // Dropped if this object is gone by then (home_ goes with it).
        QMetaObject::invokeMethod(
            home, [this, setting, taken] { report(setting, taken); }, Qt::QueuedConnection);
    });
}

unsigned SystemMouseX11::speedForFactor(int numerator, int denominator) {
    // Compare numerator / denominator with factor / 32 on a common denominator.
    const long long scaled = static_cast<long long>(numerator) * kSpeedFactorDenominator;
    unsigned best = kMinPointerSpeed;
    long long bestDistance = std::numeric_limits<long long>::max();
    for (std::size_t i = 0; i < kSpeedFactors.size(); ++i) {
        const long long distance =
            std::llabs(scaled - static_cast<long long>(kSpeedFactors[i]) * denominator);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<unsigned>(i) + kMinPointerSpeed;
        }
    }
    return best;
}

int SystemMouseX11::xThresholdFor(const Thresholds& thresholds) {
    if (thresholds[2] == 0)
        return kConstantSpeedThreshold;
    return std::clamp(thresholds[0], kMinAcceleratingThreshold, kMaxXThreshold);
}

bool SystemMouseX11::setPointerSpeed(unsigned speed) {
    // Windows refuses speeds outside 1 to 20; so do we, so the caller sees the same failure.
    if (speed < kMinPointerSpeed || speed > kMaxPointerSpeed)
        return report(Setting::PointerSpeed, false);
    if (wayland_) {
        applyOnDesktop(Setting::PointerSpeed,
                       [speed](DesktopMouseSettings& d) { return d.setPointerSpeed(speed); });
        return true;
    }
    XConnection x(displayName_);
    return report(
        Setting::PointerSpeed,
        x.changeAcceleration(kSpeedFactors[speed - kMinPointerSpeed], kSpeedFactorDenominator));
}

bool SystemMouseX11::getPointerSpeed(unsigned& speed) {
    if (wayland_) {
        const auto desktop = desktop_.pointerSpeed();
        if (desktop)
            speed = *desktop;
        return desktop.has_value();
    }
    XConnection x(displayName_);
    int numerator = 0, denominator = 0, threshold = 0;
    if (!x.getPointerControl(numerator, denominator, threshold) || denominator <= 0)
        return false;
    speed = speedForFactor(numerator, denominator);
    return true;
}

bool SystemMouseX11::getMouseThresholds(Thresholds& thresholds) {
    if (wayland_) {
        const auto accelerating = desktop_.acceleration();
        if (accelerating)
            thresholds = {firstThreshold_, secondThreshold_, *accelerating ? 1 : 0};
        return accelerating.has_value();
    }
    XConnection x(displayName_);
    int numerator = 0, denominator = 0, threshold = 0;
    if (!x.getPointerControl(numerator, denominator, threshold))
        return false;
    const bool accelerating = threshold != kConstantSpeedThreshold;
    int first = firstThreshold_;
    // Someone else moved the threshold while acceleration is on: report theirs.
    if (accelerating && threshold != xThresholdFor({first, secondThreshold_, 1}))
        first = threshold;
    thresholds = {first, secondThreshold_, accelerating ? 1 : 0};
    return true;
}

bool SystemMouseX11::setMouseThresholds(const Thresholds& thresholds) {
    if (wayland_) {
        firstThreshold_ = thresholds[0];
        secondThreshold_ = thresholds[1];
        const bool accelerate = thresholds[2] != 0;
        applyOnDesktop(Setting::Acceleration, [accelerate](DesktopMouseSettings& d) {
            return d.setAcceleration(accelerate);
        });
        return true;
    }
    XConnection x(displayName_);
    if (!x.changeThreshold(xThresholdFor(thresholds)))
        return report(Setting::Acceleration, false);
    firstThreshold_ = thresholds[0];
    secondThreshold_ = thresholds[1];
    return report(Setting::Acceleration, true);
}

SystemMouseX11::~SystemMouseX11() {
    desktopQueue_->waitForDone();
}

bool SystemMouseX11::setWheelScrollLines(unsigned lines) {
    applyOnDesktop(Setting::WheelScrollLines,
                   [lines](DesktopMouseSettings& d) { return d.setWheelScrollLines(lines); });
    return true;
}

bool SystemMouseX11::setDoubleClickTime(unsigned milliseconds) {
    applyOnDesktop(Setting::DoubleClickTime, [milliseconds](DesktopMouseSettings& d) {
        return d.setDoubleClickTime(milliseconds);
    });
    return true;
}

std::unique_ptr<SystemMouse> createSystemMouse() {
    return std::make_unique<SystemMouseX11>();
}
