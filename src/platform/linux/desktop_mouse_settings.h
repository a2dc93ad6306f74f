// The mouse settings a Linux desktop keeps itself. X has no wheel scroll lines and no
// double-click time, and in a Wayland session the X core pointer (Xwayland's) moves no
// pointer at all: the compositor has its own speed and acceleration.
//
// Wheel scroll lines and double-click time:
//  - KDE Plasma (XDG_CURRENT_DESKTOP names KDE, kwriteconfig6 or kwriteconfig5 on PATH):
//    kcminputrc [Mouse] WheelScrollLines and kdeglobals [KDE] DoubleClickInterval;
//  - otherwise GNOME's org.gnome.desktop.peripherals.mouse double-click through gsettings,
//    when that schema is installed and the key writable. GNOME has no scroll-lines setting.
// Pointer speed and acceleration (for Wayland sessions), as a speed from -1 to 1 (speed 1 to
// 20 as Windows has it, 10 being 0) and an acceleration profile:
//  - KDE Plasma: KWin's input devices on the session bus (see KWinPointers);
//  - GNOME (XDG_CURRENT_DESKTOP names it): org.gnome.desktop.peripherals.mouse `speed`
//    and `accel-profile` ('flat' for no acceleration, 'default' otherwise);
//  - any other desktop keeps its own, which we cannot reach: refused.
// A value counts as set only when the desktop's tool reports success (for gsettings: when a
// second gsettings process reads the value back, since gsettings exits 0 even when the
// dconf service could not store it). Everything else is a failure.
#pragma once

#include <optional>

class DesktopMouseSettings {
  public:
    bool setWheelScrollLines(unsigned lines);
    bool setDoubleClickTime(unsigned milliseconds);
    bool setPointerSpeed(unsigned speed);
    std::optional<unsigned> pointerSpeed();
    bool setAcceleration(bool accelerate);
    std::optional<bool> acceleration();

    // The desktops' speed (-1 to 1) for a speed of 1 to 20, and back (nearest).
    static double unitSpeedFor(unsigned speed);
    static unsigned speedForUnit(double gnomeSpeed);
};
