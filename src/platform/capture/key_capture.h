// Desktop-wide keystroke and mouse-button capture. While installed it sees every key and
// the left, right and middle mouse buttons anywhere on the desktop, turns them into key
// codes (key_translation.h) and calls the registered callbacks. It never swallows input.
//
// Windows: low-level keyboard and mouse hooks, called through the GUI thread's message
// loop. Linux: the X RECORD extension on connections of its own, read by the GUI thread's
// event loop; in a Wayland session (or where RECORD is missing) no capture sees the
// session's keys, and the keys typed into the program's window are fed in instead
// (source() says which, windowKey() takes them). Either way the callbacks run on the thread that
// installed the capture, from its event loop, one at a time and in the order the events came; they
// are never entered again from inside themselves. Events that arrive while no callback is
// registered are dropped (the key state table still follows them).
//
// One capture per process. Create it on the GUI thread once the application object
// exists, and destroy it (or call removeHooks) before the application object goes. A
// callback may call removeHooks(), but must not destroy the capture.
#pragma once

#include "platform/capture/key_source.h"

#include <cstdint>
#include <memory>

namespace capture {
class KeyTranslator;
}

class KeyCapture {
  public:
    // (key code, pressed, context)
    using KeyboardCallback = void (*)(std::uint8_t code, bool pressed, void* context);
    // (button code, pressed, x, y, context); x and y are the pointer's position in
    // screen (root window) coordinates.
    using MouseCallback = void (*)(std::uint8_t code, bool pressed, int x, int y, void* context);

    // Builds the tables (`backslashAlt` makes the backslash key report 0x32 instead of
    // 0x31) and installs the capture; installed() tells whether that worked.
    explicit KeyCapture(bool backslashAlt = false);
    // Removes the capture.
    ~KeyCapture();

    KeyCapture(const KeyCapture&) = delete;
    KeyCapture& operator=(const KeyCapture&) = delete;

    // Removes any installed capture first, then installs the keyboard and the mouse
    // capture. True when both are in place, or when keys come from the window instead.
    // On failure nothing stays installed.
    bool installHooks();
    // Removes the capture; safe to call when nothing is installed.
    void removeHooks();
    bool installed() const;

    void setKeyboardCallback(KeyboardCallback callback, void* context);
    void setMouseCallback(MouseCallback callback, void* context);

    // Where the keys come from since the last install.
    capture::KeySource source() const;
    // A key event of the program's own window, as the toolkit reports it: the native scan
    // code (the X11 key code, evdev + 8, on both Linux platforms), its direction and
    // whether Alt was held. Translated and reported like a captured key; ignored unless
    // source() is Window.
    void windowKey(std::uint32_t nativeScanCode, bool pressed, bool altDown);

    // The tables and the key state table in use.
    const capture::KeyTranslator& translator() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
