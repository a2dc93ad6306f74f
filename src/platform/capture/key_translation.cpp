#include "platform/capture/key_translation.h"

namespace capture {
namespace {

constexpr std::uint16_t plain(std::uint8_t scan) {
    return static_cast<std::uint16_t>(scan << 8);
}
constexpr std::uint16_t ext(std::uint8_t scan) {
    return static_cast<std::uint16_t>(scan << 8 | 1);
}

// Scan code -> Windows virtual-key code. Virtual-key 0x0E, unassigned in Windows, stands
// for the keypad Enter so that it stays apart from the main Enter (0x0D). Plain scan 0x45
// is Pause, extended 0x45 Num Lock.
constexpr ScanCodeRow kScanRows[] = {
    // without the extended flag
    {plain(0x01), 0x1B}, // Esc
    {plain(0x02), 0x31}, // 1
    {plain(0x03), 0x32}, // 2
    {plain(0x04), 0x33}, // 3
    {plain(0x05), 0x34}, // 4
    {plain(0x06), 0x35}, // 5
    {plain(0x07), 0x36}, // 6
    {plain(0x08), 0x37}, // 7
    {plain(0x09), 0x38}, // 8
    {plain(0x0A), 0x39}, // 9
    {plain(0x0B), 0x30}, // 0
    {plain(0x0C), 0xBD}, // -
    {plain(0x0D), 0xBB}, // =
    {plain(0x0E), 0x08}, // Backspace
    {plain(0x0F), 0x09}, // Tab
    {plain(0x10), 0x51}, // Q
    {plain(0x11), 0x57}, // W
    {plain(0x12), 0x45}, // E
    {plain(0x13), 0x52}, // R
    {plain(0x14), 0x54}, // T
    {plain(0x15), 0x59}, // Y
    {plain(0x16), 0x55}, // U
    {plain(0x17), 0x49}, // I
    {plain(0x18), 0x4F}, // O
    {plain(0x19), 0x50}, // P
    {plain(0x1A), 0xDB}, // [
    {plain(0x1B), 0xDD}, // ]
    {plain(0x1C), 0x0D}, // Enter
    {plain(0x1D), 0xA2}, // left Ctrl
    {plain(0x1E), 0x41}, // A
    {plain(0x1F), 0x53}, // S
    {plain(0x20), 0x44}, // D
    {plain(0x21), 0x46}, // F
    {plain(0x22), 0x47}, // G
    {plain(0x23), 0x48}, // H
    {plain(0x24), 0x4A}, // J
    {plain(0x25), 0x4B}, // K
    {plain(0x26), 0x4C}, // L
    {plain(0x27), 0xBA}, // ;
    {plain(0x28), 0xDE}, // '
    {plain(0x29), 0xC0}, // `
    {plain(0x2A), 0xA0}, // left Shift
    {plain(0x2B), 0xDC}, // backslash
    {plain(0x2C), 0x5A}, // Z
    {plain(0x2D), 0x58}, // X
    {plain(0x2E), 0x43}, // C
    {plain(0x2F), 0x56}, // V
    {plain(0x30), 0x42}, // B
    {plain(0x31), 0x4E}, // N
    {plain(0x32), 0x4D}, // M
    {plain(0x33), 0xBC}, // ,
    {plain(0x34), 0xBE}, // .
    {plain(0x35), 0xBF}, // /
    {plain(0x37), 0x6A}, // keypad *
    {plain(0x38), 0xA4}, // left Alt
    {plain(0x39), 0x20}, // Space
    {plain(0x3A), 0x14}, // Caps Lock
    {plain(0x3B), 0x70}, // F1
    {plain(0x3C), 0x71}, // F2
    {plain(0x3D), 0x72}, // F3
    {plain(0x3E), 0x73}, // F4
    {plain(0x3F), 0x74}, // F5
    {plain(0x40), 0x75}, // F6
    {plain(0x41), 0x76}, // F7
    {plain(0x42), 0x77}, // F8
    {plain(0x43), 0x78}, // F9
    {plain(0x44), 0x79}, // F10
    {plain(0x45), 0x13}, // Pause
    {plain(0x46), 0x91}, // Scroll Lock
    {plain(0x47), 0x67}, // keypad 7
    {plain(0x48), 0x68}, // keypad 8
    {plain(0x49), 0x69}, // keypad 9
    {plain(0x4A), 0x6D}, // keypad -
    {plain(0x4B), 0x64}, // keypad 4
    {plain(0x4C), 0x65}, // keypad 5
    {plain(0x4D), 0x66}, // keypad 6
    {plain(0x4E), 0x6B}, // keypad +
    {plain(0x4F), 0x61}, // keypad 1
    {plain(0x50), 0x62}, // keypad 2
    {plain(0x51), 0x63}, // keypad 3
    {plain(0x52), 0x60}, // keypad 0
    {plain(0x53), 0x6E}, // keypad .
    {plain(0x56), 0xE2}, // the extra key left of Z on 102-key layouts
    {plain(0x57), 0x7A}, // F11
    {plain(0x58), 0x7B}, // F12
    {plain(0x6E), 0x86}, // F23
    // with the extended flag
    {ext(0x1C), 0x0E}, // keypad Enter
    {ext(0x1D), 0xA3}, // right Ctrl
    {ext(0x35), 0x6F}, // keypad /
    {ext(0x36), 0xA1}, // right Shift
    {ext(0x37), 0x2C}, // Print Screen
    {ext(0x38), 0xA5}, // right Alt
    {ext(0x45), 0x90}, // Num Lock
    {ext(0x47), 0x24}, // Home
    {ext(0x48), 0x26}, // Up
    {ext(0x49), 0x21}, // Page Up
    {ext(0x4B), 0x25}, // Left
    {ext(0x4D), 0x27}, // Right
    {ext(0x4F), 0x23}, // End
    {ext(0x50), 0x28}, // Down
    {ext(0x51), 0x22}, // Page Down
    {ext(0x52), 0x2D}, // Insert
    {ext(0x53), 0x2E}, // Delete
    {ext(0x5B), 0x5B}, // left Windows
    {ext(0x5D), 0x5D}, // Menu
};

// Windows virtual-key code -> key code (HID keyboard usage).
constexpr VirtualKeyRow kVirtualKeyRows[] = {
    {0x08, 0x2A}, // Backspace
    {0x09, 0x2B}, // Tab
    {0x0D, 0x28}, // Enter
    {0x0E, 0x58}, // keypad Enter
    {0x13, 0x48}, // Pause
    {0x14, 0x39}, // Caps Lock
    {0x1B, 0x29}, // Esc
    {0x20, 0x2C}, // Space
    {0x21, 0x4B}, // Page Up
    {0x22, 0x4E}, // Page Down
    {0x23, 0x4D}, // End
    {0x24, 0x4A}, // Home
    {0x25, 0x50}, // Left
    {0x26, 0x52}, // Up
    {0x27, 0x4F}, // Right
    {0x28, 0x51}, // Down
    {0x2C, 0x46}, // Print Screen
    {0x2D, 0x49}, // Insert
    {0x2E, 0x4C}, // Delete
    {0x30, 0x27}, // 0
    {0x31, 0x1E}, // 1
    {0x32, 0x1F}, // 2
    {0x33, 0x20}, // 3
    {0x34, 0x21}, // 4
    {0x35, 0x22}, // 5
    {0x36, 0x23}, // 6
    {0x37, 0x24}, // 7
    {0x38, 0x25}, // 8
    {0x39, 0x26}, // 9
    {0x41, 0x04}, // A
    {0x42, 0x05}, // B
    {0x43, 0x06}, // C
    {0x44, 0x07}, // D
    {0x45, 0x08}, // E
    {0x46, 0x09}, // F
    {0x47, 0x0A}, // G
    {0x48, 0x0B}, // H
    {0x49, 0x0C}, // I
    {0x4A, 0x0D}, // J
    {0x4B, 0x0E}, // K
    {0x4C, 0x0F}, // L
    {0x4D, 0x10}, // M
    {0x4E, 0x11}, // N
    {0x4F, 0x12}, // O
    {0x50, 0x13}, // P
    {0x51, 0x14}, // Q
    {0x52, 0x15}, // R
    {0x53, 0x16}, // S
    {0x54, 0x17}, // T
    {0x55, 0x18}, // U
    {0x56, 0x19}, // V
    {0x57, 0x1A}, // W
    {0x58, 0x1B}, // X
    {0x59, 0x1C}, // Y
    {0x5A, 0x1D}, // Z
    {0x5B, 0xE3}, // left Windows
    {0x5C, 0xE7}, // right Windows
    {0x5D, 0x65}, // Menu
    {0x60, 0x62}, // keypad 0
    {0x61, 0x59}, // keypad 1
    {0x62, 0x5A}, // keypad 2
    {0x63, 0x5B}, // keypad 3
    {0x64, 0x5C}, // keypad 4
    {0x65, 0x5D}, // keypad 5
    {0x66, 0x5E}, // keypad 6
    {0x67, 0x5F}, // keypad 7
    {0x68, 0x60}, // keypad 8
    {0x69, 0x61}, // keypad 9
    {0x6A, 0x55}, // keypad *
    {0x6B, 0x57}, // keypad +
    {0x6D, 0x56}, // keypad -
    {0x6E, 0x63}, // keypad .
    {0x6F, 0x54}, // keypad /
    {0x70, 0x3A}, // F1
    {0x71, 0x3B}, // F2
    {0x72, 0x3C}, // F3
    {0x73, 0x3D}, // F4
    {0x74, 0x3E}, // F5
    {0x75, 0x3F}, // F6
    {0x76, 0x40}, // F7
    {0x77, 0x41}, // F8
    {0x78, 0x42}, // F9
    {0x79, 0x43}, // F10
    {0x7A, 0x44}, // F11
    {0x7B, 0x45}, // F12
    {0x7C, 0x68}, // F13
    {0x7D, 0x69}, // F14
    {0x7E, 0x6A}, // F15
    {0x7F, 0x6B}, // F16
    {0x80, 0x6C}, // F17
    {0x81, 0x6D}, // F18
    {0x82, 0x6E}, // F19
    {0x83, 0x6F}, // F20
    {0x84, 0x70}, // F21
    {0x85, 0x71}, // F22
    {0x86, 0x72}, // F23
    {0x87, 0x73}, // F24
    {0x90, 0x53}, // Num Lock
    {0x91, 0x47}, // Scroll Lock
    {0xA0, 0xE1}, // left Shift
    {0xA1, 0xE5}, // right Shift
    {0xA2, 0xE0}, // left Ctrl
    {0xA3, 0xE4}, // right Ctrl
    {0xA4, 0xE2}, // left Alt
    {0xA5, 0xE6}, // right Alt
    {0xBA, 0x33}, // ;
    {0xBB, 0x2E}, // =
    {0xBC, 0x36}, // ,
    {0xBD, 0x2D}, // -
    {0xBE, 0x37}, // .
    {0xBF, 0x38}, // /
    {0xC0, 0x35}, // `
    {0xC1, 0x87}, // Brazilian /? (HID International 1)
    {0xC2, 0x85}, // Brazilian keypad separator (HID keypad comma)
    {0xDB, 0x2F}, // [
    {0xDC, 0x31}, // backslash (0x32 with the backslash flag)
    {0xDD, 0x30}, // ]
    {0xDE, 0x34}, // '
    {0xE2, 0x64}, // the extra key left of Z on 102-key layouts
    {0xEB, 0x8B}, // HID International 5
    {0xFF, 0x66}, // HID Power
};

constexpr std::uint8_t kScanCtrlBreak = 0x46;
constexpr std::uint8_t kScanAltPrintScreen = 0x54;
constexpr std::uint8_t kVirtualKeyPause = 0x13;
constexpr std::uint8_t kVirtualKeySnapshot = 0x2C;

// Low-level mouse hook messages.
constexpr std::uint32_t kLeftDown = 0x0201;
constexpr std::uint32_t kLeftUp = 0x0202;
constexpr std::uint32_t kRightDown = 0x0204;
constexpr std::uint32_t kRightUp = 0x0205;
constexpr std::uint32_t kMiddleDown = 0x0207;
constexpr std::uint32_t kMiddleUp = 0x0208;

} // namespace

std::span<const ScanCodeRow> scanCodeRows() {
    return kScanRows;
}

std::span<const VirtualKeyRow> virtualKeyRows() {
    return kVirtualKeyRows;
}

KeyTranslator::KeyTranslator(bool backslashAlt) {
    build(backslashAlt);
}

void KeyTranslator::build(bool backslashAlt) {
    backslashAlt_ = backslashAlt;
    scanTable_.clear();
    virtualKeyTable_.clear();
    for (const ScanCodeRow& row : kScanRows)
        scanTable_[row.key] = row.virtualKey;
    for (const VirtualKeyRow& row : kVirtualKeyRows) {
        const bool swap = backslashAlt && row.virtualKey == kBackslashVirtualKey;
        virtualKeyTable_[row.virtualKey] = swap ? kBackslashAltCode : row.code;
    }
}

std::uint8_t KeyTranslator::virtualKey(std::uint32_t scanCode, bool extended, bool altDown) const {
    const std::uint16_t key = scanTableKey(scanCode, extended);
    const std::uint8_t scanByte = static_cast<std::uint8_t>(key >> 8);
    if (scanByte == kScanCtrlBreak && extended)
        return kVirtualKeyPause;
    if (scanByte == kScanAltPrintScreen && altDown)
        return kVirtualKeySnapshot;
    const auto it = scanTable_.find(key);
    return it == scanTable_.end() ? 0 : it->second;
}

std::uint8_t KeyTranslator::keyCode(std::uint8_t virtualKey) const {
    const auto it = virtualKeyTable_.find(virtualKey);
    return it == virtualKeyTable_.end() ? 0 : it->second;
}

std::optional<KeyEvent> KeyTranslator::translate(std::uint32_t scanCode, bool extended,
                                                 bool altDown, bool pressed) {
    const std::uint8_t vk = virtualKey(scanCode, extended, altDown);
    if (vk == 0)
        return std::nullopt;
    const std::uint8_t code = keyCode(vk);
    if (code == 0)
        return std::nullopt;
    const std::uint8_t state = pressed ? 1 : 0;
    if (keyState_[code] == state)
        return std::nullopt;
    keyState_[code] = state;
    return KeyEvent{code, pressed};
}

std::optional<KeyEvent> mouseEventForMessage(std::uint32_t message) {
    switch (message) {
    case kLeftDown:
        return KeyEvent{kMouseLeft, true};
    case kLeftUp:
        return KeyEvent{kMouseLeft, false};
    case kRightDown:
        return KeyEvent{kMouseRight, true};
    case kRightUp:
        return KeyEvent{kMouseRight, false};
    case kMiddleDown:
        return KeyEvent{kMouseMiddle, true};
    case kMiddleUp:
        return KeyEvent{kMouseMiddle, false};
    default:
        return std::nullopt;
    }
}

std::optional<KeyEvent> mouseEventForXButton(unsigned button, bool pressed) {
    switch (button) {
    case 1:
        return KeyEvent{kMouseLeft, pressed};
    case 2:
        return KeyEvent{kMouseMiddle, pressed};
    case 3:
        return KeyEvent{kMouseRight, pressed};
    default:
        return std::nullopt;
    }
}

} // namespace capture
