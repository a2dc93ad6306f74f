// Linux input (evdev) key codes to the PC keyboard scan codes that the Windows keyboard
// hook reports, so that keys recorded on X11 run through the same scan-code and
// virtual-key tables. An X server using the evdev driver or XKB's evdev keycodes reports
// key code = evdev code + 8.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace capture {

struct ScanCode {
    std::uint8_t scan;
    bool extended;

    bool operator==(const ScanCode&) const = default;
};

struct EvdevScanRow {
    std::uint16_t evdev;
    ScanCode scanCode;
};

// Scan code (set 1, with the E0 prefix as the extended flag) of an evdev key code;
// nothing for a key a PC keyboard does not have.
std::optional<ScanCode> scanCodeForEvdev(unsigned evdevCode);

// Same for an X11 key code (evdev code + 8).
std::optional<ScanCode> scanCodeForXKeycode(unsigned xKeycode);

// The mapping as data, in evdev order.
std::span<const EvdevScanRow> evdevScanRows();

} // namespace capture
