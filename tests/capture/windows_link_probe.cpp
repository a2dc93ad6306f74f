// Linked by scripts/check-windows-build.sh against the Windows keystroke capture: every
// member of KeyCapture is used once, so a missing definition fails the link.
#include "platform/capture/copydata_message.h"
#include "platform/capture/key_capture.h"
#include "platform/capture/key_translation.h"

#include <cstdio>

int main() {
    int counts[2] = {0, 0};
    KeyCapture capture(false);
    capture.setKeyboardCallback(
        [](std::uint8_t code, bool, void* c) { *static_cast<int*>(c) += code; }, counts);
    capture.setMouseCallback(
        [](std::uint8_t, bool, int x, int, void* c) { *static_cast<int*>(c) += x; }, counts + 1);
    const bool installed = capture.installed();
    capture.removeHooks();
    const bool again = capture.installHooks();
    const auto shown = msgchannel::warningText({msgchannel::kWarningTag, 5, "probe"});
    std::printf("%d %d %zu %d\n", installed, again, capture.translator().scanTableSize(),
                bool(shown));
    return 0;
}
