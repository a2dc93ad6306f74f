// Linked by scripts/check-windows-build.sh against the Windows keystroke capture: every
// member of KeyCapture is used once, so a missing definition fails the link.
#include "copydata_message.h"
#include "key_capture.h"
#include "key_translation.h"

#include <cstdio>

namespace {

void onKey(std::uint8_t code, bool pressed, void* context) {
    static_cast<int*>(context)[0] += code + (pressed ? 1 : 0);
}

void onMouse(std::uint8_t code, bool pressed, int x, int y, void* context) {
    static_cast<int*>(context)[1] += code + (pressed ? 1 : 0) + x + y;
}

} // namespace

int main() {
    int counts[2] = {0, 0};
    KeyCapture capture(false);
    capture.setKeyboardCallback(&onKey, counts);
    capture.setMouseCallback(&onMouse, counts);
    const bool installed = capture.installed();
    capture.removeHooks();
    const bool again = capture.installHooks();
    const std::size_t rows = capture.translator().scanTableSize();
    const char text[] = "probe";
    const auto shown = msgchannel::warningText({msgchannel::kWarningTag, 5, text});
    std::printf("%d %d %zu %d\n", installed ? 1 : 0, again ? 1 : 0, rows, shown ? 1 : 0);
    return 0;
}
