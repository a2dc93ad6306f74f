// wl-input: a pointer and a keyboard of the test's own in a wlroots compositor (sway).
//
// The compositor sees them as real devices: the pointer moves and clicks wherever the
// layout is, the keyboard types into the window that has the focus, native Wayland and
// Xwayland alike. Its keymap is the evdev "us" layout, so a key reaches every client as
// the evdev code it is.
//
//   wl-input [--screen WxH] STEP...
//     move X Y     the pointer to (X, Y) in layout pixels
//     press        the left button down      release   the left button up
//     wheel N      turn the wheel N notches (positive: down, towards the user)
//     key NAME     press and release the key with that keysym name (a, F12, Shift_L)
//     down NAME    press it                  up NAME   release it
//     type TEXT    press and release the key of each character (letters, digits)
//     wait MS      let the compositor and the clients work for MS milliseconds
//
// Exit 0 when every step was sent; 1 with a sentence when the compositor lacks either
// protocol or a name has no key; 2 for a bad step.
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr unsigned kLeftButton = 0x110; // BTN_LEFT
constexpr unsigned kEvdevOffset = 8;    // xkb key codes are evdev codes + 8

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* pointers = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboards = nullptr;
};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* g = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !g->seat)
        g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        g->pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
        g->keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistry{onGlobal, onGlobalRemove};

uint32_t now() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

class Keyboard {
  public:
    bool open(zwp_virtual_keyboard_manager_v1* manager, wl_seat* seat) {
        context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
        keymap_ = context_
                      ? xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS)
                      : nullptr;
        if (!keymap_)
            return false;
        state_ = xkb_state_new(keymap_);
        char* text = xkb_keymap_get_as_string(keymap_, XKB_KEYMAP_FORMAT_TEXT_V1);
        const std::size_t size = std::strlen(text) + 1;
        const int fd = memfd_create("wl-input-keymap", MFD_CLOEXEC);
        const bool written = fd >= 0 && write(fd, text, size) == static_cast<ssize_t>(size);
        std::free(text);
        if (!written)
            return false;
        keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
        zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       static_cast<uint32_t>(size));
        close(fd);
        return true;
    }

    // The evdev code of the key whose first level gives `name`, 0 when none does.
    unsigned code(const std::string& name) const {
        const xkb_keysym_t wanted = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
        if (wanted == XKB_KEY_NoSymbol)
            return 0;
        for (xkb_keycode_t k = xkb_keymap_min_keycode(keymap_);
             k <= xkb_keymap_max_keycode(keymap_); ++k) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap_, k, 0, 0, &syms) > 0 && syms[0] == wanted)
                return k - kEvdevOffset;
        }
        return 0;
    }

    void send(unsigned evdev, bool pressed) {
        zwp_virtual_keyboard_v1_key(keyboard_, now(), evdev,
                                    pressed ? WL_KEYBOARD_KEY_STATE_PRESSED
                                            : WL_KEYBOARD_KEY_STATE_RELEASED);
        xkb_state_update_key(state_, evdev + kEvdevOffset, pressed ? XKB_KEY_DOWN : XKB_KEY_UP);
        zwp_virtual_keyboard_v1_modifiers(
            keyboard_, xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED),
            xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED),
            xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED),
            xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_EFFECTIVE));
    }

  private:
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
};

void pause(wl_display* display, int ms) {
    wl_display_roundtrip(display);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int usage(const char* why) {
    std::fprintf(stderr, "wl-input: %s\n", why);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> steps(argv + 1, argv + argc);
    unsigned width = 1280;
    unsigned height = 800;
    if (steps.size() >= 2 && steps[0] == "--screen") {
        if (std::sscanf(steps[1].c_str(), "%ux%u", &width, &height) != 2 || !width || !height)
            return usage("--screen takes WIDTHxHEIGHT");
        steps.erase(steps.begin(), steps.begin() + 2);
    }

    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "wl-input: no Wayland compositor to connect to\n");
        return 1;
    }
    Globals g;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, &g);
    wl_display_roundtrip(display);
    if (!g.seat || !g.pointers || !g.keyboards) {
        std::fprintf(stderr, "wl-input: the compositor offers no virtual pointer or keyboard\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g.pointers, g.seat);
    Keyboard keyboard;
    if (!keyboard.open(g.keyboards, g.seat)) {
        std::fprintf(stderr, "wl-input: cannot build the \"us\" keymap\n");
        return 1;
    }
    // The compositor takes the new devices before the first step.
    pause(display, 100);

    auto keyCode = [&](const std::string& name) {
        const unsigned code = keyboard.code(name);
        if (!code)
            std::fprintf(stderr, "wl-input: no key gives \"%s\"\n", name.c_str());
        return code;
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::string& step = steps[i];
        const auto argument = [&]() -> const std::string* {
            return i + 1 < steps.size() ? &steps[++i] : nullptr;
        };
        if (step == "move") {
            const std::string* x = argument();
            const std::string* y = argument();
            if (!x || !y)
                return usage("move takes X and Y");
            zwlr_virtual_pointer_v1_motion_absolute(
                pointer, now(), static_cast<uint32_t>(std::atoi(x->c_str())),
                static_cast<uint32_t>(std::atoi(y->c_str())), width, height);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (step == "press" || step == "release") {
            zwlr_virtual_pointer_v1_button(pointer, now(), kLeftButton,
                                           step == "press" ? WL_POINTER_BUTTON_STATE_PRESSED
                                                           : WL_POINTER_BUTTON_STATE_RELEASED);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (step == "wheel") {
            const std::string* notches = argument();
            if (!notches)
                return usage("wheel takes a number of notches");
            const int n = std::atoi(notches->c_str());
            zwlr_virtual_pointer_v1_axis_source(pointer, WL_POINTER_AXIS_SOURCE_WHEEL);
            zwlr_virtual_pointer_v1_axis_discrete(pointer, now(), WL_POINTER_AXIS_VERTICAL_SCROLL,
                                                  wl_fixed_from_int(15 * n), n);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (step == "key" || step == "down" || step == "up") {
            const std::string* name = argument();
            if (!name)
                return usage("key, down and up take a key name");
            const unsigned code = keyCode(*name);
            if (!code)
                return 1;
            if (step != "up")
                keyboard.send(code, true);
            if (step != "down")
                keyboard.send(code, false);
        } else if (step == "type") {
            const std::string* text = argument();
            if (!text)
                return usage("type takes a text");
            for (const char c : *text) {
                const unsigned code = keyCode(std::string(1, c));
                if (!code)
                    return 1;
                keyboard.send(code, true);
                keyboard.send(code, false);
                pause(display, 20);
            }
        } else if (step == "wait") {
            const std::string* ms = argument();
            if (!ms)
                return usage("wait takes milliseconds");
            pause(display, std::atoi(ms->c_str()));
            continue;
        } else {
            return usage(("unknown step " + step).c_str());
        }
        pause(display, 30);
    }
    pause(display, 50);
    wl_display_disconnect(display);
    return 0;
}
