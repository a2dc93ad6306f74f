#include "platform/capture/key_source.h"

namespace capture {

KeySource keySourceFor(std::string_view sessionType, std::string_view waylandDisplay,
                       std::string_view qpaPlatform) {
    // Qt's Wayland platform connects even without WAYLAND_DISPLAY ("wayland-0").
    if (qpaPlatform.starts_with("wayland"))
        return KeySource::Window;
    // An X11 platform in a Wayland session talks to Xwayland.
    if (sessionType == "wayland" || !waylandDisplay.empty())
        return KeySource::Window;
    return KeySource::Desktop;
}

} // namespace capture
