// virtual-mouse: an emulated mouse for development and tests, reached through the HID
// seam when VIRTUAL_MOUSE_SOCKET names its socket.
#include "server/serve_command.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "serve") == 0)
        return vmouse::runServe(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "ctl") == 0) {
        QStringList args;
        for (int i = 2; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        return vmouse::runCtl(args);
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("virtual-mouse: an emulated gaming mouse (04d9:a26b) for development and "
                    "tests.\n%s",
                    vmouse::kUsage);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("virtual-mouse %s\n", MOUSE_SUITE_VERSION);
        return 0;
    }
    if (argc >= 2)
        std::fprintf(stderr, "virtual-mouse: unknown command or option %s\n", argv[1]);
    std::fputs(vmouse::kUsage, stderr);
    return 2;
}
