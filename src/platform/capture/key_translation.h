// Turning raw keyboard and mouse-button events into the one-byte key codes of the macro
// format: HID keyboard usages 0x04..0xE7, and 0xF0..0xF2 for the left, right and middle
// mouse buttons. Plain C++ without Qt or system headers, shared by the Windows hooks and
// the X11 recorder.
//
// A keyboard event goes scan code -> Windows virtual-key code -> key code through two
// fixed tables. A key missing from either table is not reported. A key state table keeps
// which key codes are down, so the auto-repeat presses of a held key and a release whose
// press was never seen are dropped.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>

namespace capture {

// Key codes of the mouse buttons.
inline constexpr std::uint8_t kMouseLeft = 0xF0;
inline constexpr std::uint8_t kMouseRight = 0xF1;
inline constexpr std::uint8_t kMouseMiddle = 0xF2;

// Virtual-key code of the backslash key and the key code it gives when the backslash
// flag is set (0x31 otherwise).
inline constexpr std::uint8_t kBackslashVirtualKey = 0xDC;
inline constexpr std::uint8_t kBackslashAltCode = 0x32;

// Row of the scan-code table. The key holds the scan code in the high byte and the
// extended-key flag in bit 0.
struct ScanCodeRow {
    std::uint16_t key;
    std::uint8_t virtualKey;
};

// Row of the virtual-key table.
struct VirtualKeyRow {
    std::uint8_t virtualKey;
    std::uint8_t code;
};

// The fixed tables as data: 105 scan-code rows (86 plain, 19 extended) and 121
// virtual-key rows. The backslash row (0xDC) carries 0x31; the flag is applied when a
// translator builds its map.
std::span<const ScanCodeRow> scanCodeRows();
std::span<const VirtualKeyRow> virtualKeyRows();

// Key of the scan-code table for a scan code as the keyboard hook reports it: a scan
// code above 0xFF gives scan byte 0.
constexpr std::uint16_t scanTableKey(std::uint32_t scanCode, bool extended) {
    const std::uint16_t high = scanCode > 0xFF ? 0 : static_cast<std::uint16_t>(scanCode << 8);
    return static_cast<std::uint16_t>(high | (extended ? 1 : 0));
}

// A key or mouse-button change to report.
struct KeyEvent {
    std::uint8_t code;
    bool pressed;

    bool operator==(const KeyEvent&) const = default;
};

class KeyTranslator {
  public:
    // Builds both tables; `backslashAlt` makes the backslash key report 0x32.
    explicit KeyTranslator(bool backslashAlt = false);

    // Empties and refills both tables. The key state table is left as it is.
    void build(bool backslashAlt);
    bool backslashAlt() const { return backslashAlt_; }

    // Virtual-key code of a scan code, 0 when there is none. Two combinations override
    // the table: extended scan 0x46 (Ctrl+Break) gives Pause (0x13), and scan 0x54 with
    // Alt held (Alt+Print Screen) gives Print Screen (0x2C).
    std::uint8_t virtualKey(std::uint32_t scanCode, bool extended, bool altDown) const;

    // Key code of a virtual-key code, 0 when there is none.
    std::uint8_t keyCode(std::uint8_t virtualKey) const;

    // One keyboard event: the change to report, or nothing when the key has no code or
    // its state does not change. The key state table is updated either way, whether or
    // not anybody listens.
    std::optional<KeyEvent> translate(std::uint32_t scanCode, bool extended, bool altDown,
                                      bool pressed);

    // Whether the key state table holds `code` as down.
    bool isDown(std::uint8_t code) const { return keyState_[code] != 0; }

    std::size_t scanTableSize() const { return scanTable_.size(); }
    std::size_t virtualKeyTableSize() const { return virtualKeyTable_.size(); }

  private:
    bool backslashAlt_ = false;
    std::map<std::uint16_t, std::uint8_t> scanTable_;
    std::map<std::uint8_t, std::uint8_t> virtualKeyTable_;
    std::array<std::uint8_t, 256> keyState_{};
};

// Mouse messages of the low-level mouse hook (WM_LBUTTONDOWN .. WM_MBUTTONUP) to the
// button's key code and direction; nothing for every other message (movement, wheel,
// double clicks, the fourth and fifth buttons). No state: every press and release counts.
std::optional<KeyEvent> mouseEventForMessage(std::uint32_t message);

// The same for X11 pointer buttons: 1 left, 2 middle, 3 right; 4..7 are wheel steps and
// 8, 9 the side buttons, which are not reported.
std::optional<KeyEvent> mouseEventForXButton(unsigned button, bool pressed);

} // namespace capture
