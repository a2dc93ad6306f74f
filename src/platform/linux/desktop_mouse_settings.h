// Wheel scroll lines and double-click time on a Linux desktop. X itself has neither; the
// desktops keep them in their own settings, which their toolkits read:
//  - KDE Plasma (XDG_CURRENT_DESKTOP names KDE, kwriteconfig6 or kwriteconfig5 on PATH):
//    kcminputrc [Mouse] WheelScrollLines and kdeglobals [KDE] DoubleClickInterval;
//  - otherwise GNOME's org.gnome.desktop.peripherals.mouse double-click through gsettings,
//    when that schema is installed and the key writable. GNOME has no scroll-lines setting.
// A value counts as set only when the desktop's tool reports success (for gsettings: when a
// second gsettings process reads the value back, since gsettings exits 0 even when the
// dconf service could not store it). Everything else is a failure.
#pragma once

class DesktopMouseSettings {
  public:
    bool setWheelScrollLines(unsigned lines);
    bool setDoubleClickTime(unsigned milliseconds);
};
