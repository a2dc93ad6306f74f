// Where the keys to record come from. A desktop-wide capture sees every key of an X11
// session, but in a Wayland session it sees nothing of Wayland clients, and inside
// Xwayland only the keys of other X11 clients: there the keys are taken from the
// program's own window instead, which every session delivers.
#pragma once

#include <string_view>

namespace capture {

enum class KeySource {
    Desktop, // every key of the session (the hooks, X RECORD)
    Window,  // only keys typed into the program's own window
};

// The source for a session described by its environment: XDG_SESSION_TYPE,
// WAYLAND_DISPLAY and QT_QPA_PLATFORM as set (empty when unset).
KeySource keySourceFor(std::string_view sessionType, std::string_view waylandDisplay,
                       std::string_view qpaPlatform);

} // namespace capture
