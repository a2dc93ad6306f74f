// KeyCapture on Windows: the low-level keyboard and mouse hooks (WH_KEYBOARD_LL,
// WH_MOUSE_LL). Windows calls them through the message loop of the thread that installed
// them, the GUI thread. They translate, call the registered callbacks and always pass the
// event on to the next hook: input is never swallowed.
//
// No Qt here, so the file builds on its own with any Windows compiler.
#include "platform/capture/key_capture.h"

#include "platform/capture/delivery_queue.h"

#include "platform/capture/key_translation.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

struct KeyCapture::Impl {
    explicit Impl(bool backslashAlt) : translator(backslashAlt) {}
    ~Impl() { uninstall(); }

    bool install();
    void uninstall();
    void deliver();

    static LRESULT CALLBACK keyboardProc(int nCode, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK mouseProc(int nCode, WPARAM wParam, LPARAM lParam);

    // The hook procedures carry no user data; they reach the process's capture here.
    static Impl* active;

    capture::KeyTranslator translator;
    KeyboardCallback keyboardCallback = nullptr;
    void* keyboardContext = nullptr;
    MouseCallback mouseCallback = nullptr;
    void* mouseContext = nullptr;

    HHOOK keyboardHook = nullptr;
    HHOOK mouseHook = nullptr;
    capture::DeliveryQueue queue;
};

KeyCapture::Impl* KeyCapture::Impl::active = nullptr;

bool KeyCapture::Impl::install() {
    uninstall();
    active = this;
    HMODULE module = GetModuleHandleW(nullptr);
    keyboardHook = SetWindowsHookExW(WH_KEYBOARD_LL, &Impl::keyboardProc, module, 0);
    mouseHook = SetWindowsHookExW(WH_MOUSE_LL, &Impl::mouseProc, module, 0);
    if (keyboardHook && mouseHook)
        return true;
    // Half a capture is no capture: the hook that did install is taken out again rather
    // than left running without an owner.
    uninstall();
    return false;
}

void KeyCapture::Impl::uninstall() {
    if (keyboardHook)
        UnhookWindowsHookEx(keyboardHook);
    if (mouseHook)
        UnhookWindowsHookEx(mouseHook);
    keyboardHook = nullptr;
    mouseHook = nullptr;
    queue.clear();
    if (active == this)
        active = nullptr;
}

void KeyCapture::Impl::deliver() {
    queue.deliver([this](const capture::DeliveryQueue::Event& e) {
        if (e.mouse) {
            if (mouseCallback)
                mouseCallback(e.event.code, e.event.pressed, e.x, e.y, mouseContext);
        } else if (keyboardCallback) {
            keyboardCallback(e.event.code, e.event.pressed, keyboardContext);
        }
    });
}

LRESULT CALLBACK KeyCapture::Impl::keyboardProc(int nCode, WPARAM wParam, LPARAM lParam) {
    Impl* self = active;
    HHOOK hook = self ? self->keyboardHook : nullptr;
    // A negative code must go straight on, untouched.
    if (self && nCode >= 0 && lParam != 0) {
        const auto* info = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        const bool pressed =
            nCode == HC_ACTION && (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN);
        const bool extended = (info->flags & LLKHF_EXTENDED) != 0;
        const bool altDown = (info->flags & LLKHF_ALTDOWN) != 0;
        const auto change = self->translator.translate(info->scanCode, extended, altDown, pressed);
        if (change) {
            self->queue.pushKey(*change);
            self->deliver();
        }
    }
    return CallNextHookEx(hook, nCode, wParam, lParam);
}

LRESULT CALLBACK KeyCapture::Impl::mouseProc(int nCode, WPARAM wParam, LPARAM lParam) {
    Impl* self = active;
    HHOOK hook = self ? self->mouseHook : nullptr;
    if (self && nCode >= 0 && lParam != 0) {
        const auto button = capture::mouseEventForMessage(static_cast<std::uint32_t>(wParam));
        if (button) {
            const auto* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
            self->queue.pushMouse(*button, static_cast<int>(info->pt.x),
                                  static_cast<int>(info->pt.y));
            self->deliver();
        }
    }
    return CallNextHookEx(hook, nCode, wParam, lParam);
}

KeyCapture::KeyCapture(bool backslashAlt) : d(std::make_unique<Impl>(backslashAlt)) {
    d->install();
}

KeyCapture::~KeyCapture() = default;

bool KeyCapture::installHooks() {
    return d->install();
}

void KeyCapture::removeHooks() {
    d->uninstall();
}

bool KeyCapture::installed() const {
    return d->keyboardHook != nullptr && d->mouseHook != nullptr;
}

void KeyCapture::setKeyboardCallback(KeyboardCallback callback, void* context) {
    d->keyboardCallback = callback;
    d->keyboardContext = context;
}

void KeyCapture::setMouseCallback(MouseCallback callback, void* context) {
    d->mouseCallback = callback;
    d->mouseContext = context;
}

// The hooks see every key of the desktop, the program's window included.
capture::KeySource KeyCapture::source() const {
    return capture::KeySource::Desktop;
}

void KeyCapture::windowKey(std::uint32_t, bool, bool) {}

const capture::KeyTranslator& KeyCapture::translator() const {
    return d->translator;
}
