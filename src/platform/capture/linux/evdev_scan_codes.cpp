#include "platform/capture/linux/evdev_scan_codes.h"

#include <algorithm>
#include <linux/input-event-codes.h>

namespace capture {
namespace {

constexpr EvdevScanRow row(unsigned evdev, unsigned scan, bool extended = false) {
    return {static_cast<std::uint16_t>(evdev), {static_cast<std::uint8_t>(scan), extended}};
}

constexpr bool E0 = true;

// For the main block, the function keys and the keypad the evdev code equals the scan
// code. Num Lock and Pause share scan 0x45; the hook tells them apart by the extended
// flag (Num Lock extended, Pause plain), and so do we. Right Shift carries the extended
// flag as the scan-code table expects it (it has no plain 0x36 row). Print Screen stays E0 37 also
// while Alt is held: the tables give the same key either way. The right Windows key
// (E0 5C) is listed although the scan-code table drops it, as it does on Windows.
constexpr EvdevScanRow kRows[] = {
    row(KEY_ESC, 0x01),
    row(KEY_1, 0x02),
    row(KEY_2, 0x03),
    row(KEY_3, 0x04),
    row(KEY_4, 0x05),
    row(KEY_5, 0x06),
    row(KEY_6, 0x07),
    row(KEY_7, 0x08),
    row(KEY_8, 0x09),
    row(KEY_9, 0x0A),
    row(KEY_0, 0x0B),
    row(KEY_MINUS, 0x0C),
    row(KEY_EQUAL, 0x0D),
    row(KEY_BACKSPACE, 0x0E),
    row(KEY_TAB, 0x0F),
    row(KEY_Q, 0x10),
    row(KEY_W, 0x11),
    row(KEY_E, 0x12),
    row(KEY_R, 0x13),
    row(KEY_T, 0x14),
    row(KEY_Y, 0x15),
    row(KEY_U, 0x16),
    row(KEY_I, 0x17),
    row(KEY_O, 0x18),
    row(KEY_P, 0x19),
    row(KEY_LEFTBRACE, 0x1A),
    row(KEY_RIGHTBRACE, 0x1B),
    row(KEY_ENTER, 0x1C),
    row(KEY_LEFTCTRL, 0x1D),
    row(KEY_A, 0x1E),
    row(KEY_S, 0x1F),
    row(KEY_D, 0x20),
    row(KEY_F, 0x21),
    row(KEY_G, 0x22),
    row(KEY_H, 0x23),
    row(KEY_J, 0x24),
    row(KEY_K, 0x25),
    row(KEY_L, 0x26),
    row(KEY_SEMICOLON, 0x27),
    row(KEY_APOSTROPHE, 0x28),
    row(KEY_GRAVE, 0x29),
    row(KEY_LEFTSHIFT, 0x2A),
    row(KEY_BACKSLASH, 0x2B),
    row(KEY_Z, 0x2C),
    row(KEY_X, 0x2D),
    row(KEY_C, 0x2E),
    row(KEY_V, 0x2F),
    row(KEY_B, 0x30),
    row(KEY_N, 0x31),
    row(KEY_M, 0x32),
    row(KEY_COMMA, 0x33),
    row(KEY_DOT, 0x34),
    row(KEY_SLASH, 0x35),
    row(KEY_RIGHTSHIFT, 0x36, E0),
    row(KEY_KPASTERISK, 0x37),
    row(KEY_LEFTALT, 0x38),
    row(KEY_SPACE, 0x39),
    row(KEY_CAPSLOCK, 0x3A),
    row(KEY_F1, 0x3B),
    row(KEY_F2, 0x3C),
    row(KEY_F3, 0x3D),
    row(KEY_F4, 0x3E),
    row(KEY_F5, 0x3F),
    row(KEY_F6, 0x40),
    row(KEY_F7, 0x41),
    row(KEY_F8, 0x42),
    row(KEY_F9, 0x43),
    row(KEY_F10, 0x44),
    row(KEY_NUMLOCK, 0x45, E0),
    row(KEY_SCROLLLOCK, 0x46),
    row(KEY_KP7, 0x47),
    row(KEY_KP8, 0x48),
    row(KEY_KP9, 0x49),
    row(KEY_KPMINUS, 0x4A),
    row(KEY_KP4, 0x4B),
    row(KEY_KP5, 0x4C),
    row(KEY_KP6, 0x4D),
    row(KEY_KPPLUS, 0x4E),
    row(KEY_KP1, 0x4F),
    row(KEY_KP2, 0x50),
    row(KEY_KP3, 0x51),
    row(KEY_KP0, 0x52),
    row(KEY_KPDOT, 0x53),
    row(KEY_102ND, 0x56),
    row(KEY_F11, 0x57),
    row(KEY_F12, 0x58),
    row(KEY_RO, 0x73),
    row(KEY_HENKAN, 0x79),
    row(KEY_KATAKANAHIRAGANA, 0x70),
    row(KEY_MUHENKAN, 0x7B),
    row(KEY_KPENTER, 0x1C, E0),
    row(KEY_RIGHTCTRL, 0x1D, E0),
    row(KEY_KPSLASH, 0x35, E0),
    row(KEY_SYSRQ, 0x37, E0),
    row(KEY_RIGHTALT, 0x38, E0),
    row(KEY_HOME, 0x47, E0),
    row(KEY_UP, 0x48, E0),
    row(KEY_PAGEUP, 0x49, E0),
    row(KEY_LEFT, 0x4B, E0),
    row(KEY_RIGHT, 0x4D, E0),
    row(KEY_END, 0x4F, E0),
    row(KEY_DOWN, 0x50, E0),
    row(KEY_PAGEDOWN, 0x51, E0),
    row(KEY_INSERT, 0x52, E0),
    row(KEY_DELETE, 0x53, E0),
    row(KEY_KPEQUAL, 0x59),
    row(KEY_PAUSE, 0x45),
    row(KEY_YEN, 0x7D),
    row(KEY_LEFTMETA, 0x5B, E0),
    row(KEY_RIGHTMETA, 0x5C, E0),
    row(KEY_COMPOSE, 0x5D, E0),
    row(KEY_F13, 0x64),
    row(KEY_F14, 0x65),
    row(KEY_F15, 0x66),
    row(KEY_F16, 0x67),
    row(KEY_F17, 0x68),
    row(KEY_F18, 0x69),
    row(KEY_F19, 0x6A),
    row(KEY_F20, 0x6B),
    row(KEY_F21, 0x6C),
    row(KEY_F22, 0x6D),
    row(KEY_F23, 0x6E),
    row(KEY_F24, 0x76),
};

constexpr bool sortedByEvdev() {
    for (std::size_t i = 1; i < std::size(kRows); ++i)
        if (kRows[i - 1].evdev >= kRows[i].evdev)
            return false;
    return true;
}
static_assert(sortedByEvdev(), "evdev rows must stay sorted and unique");

} // namespace

std::optional<ScanCode> scanCodeForEvdev(unsigned evdevCode) {
    const auto it =
        std::lower_bound(std::begin(kRows), std::end(kRows), evdevCode,
                         [](const EvdevScanRow& r, unsigned code) { return r.evdev < code; });
    if (it == std::end(kRows) || it->evdev != evdevCode)
        return std::nullopt;
    return it->scanCode;
}

std::optional<ScanCode> scanCodeForXKeycode(unsigned xKeycode) {
    if (xKeycode < 8)
        return std::nullopt;
    return scanCodeForEvdev(xKeycode - 8);
}

std::span<const EvdevScanRow> evdevScanRows() {
    return kRows;
}

} // namespace capture
