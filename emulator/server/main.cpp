// virtual-mouse: an emulated mouse for development and tests, reached through the HID
// seam when VIRTUAL_MOUSE_SOCKET names its socket.
#include "serve_command.h"

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
    std::fprintf(stderr, "usage: virtual-mouse serve --socket PATH [--log FILE] [--encrypted] "
                         "[--code SIXCHARS] [--without-notify] [--fw-version A1.A2]\n"
                         "                            [--boot-loader] [--restart-delay MS]\n"
                         "       virtual-mouse ctl --socket PATH COMMAND\n");
    return 2;
}
