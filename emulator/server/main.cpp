// virtual-mouse: an emulated mouse for development and tests, reached through the HID
// seam when VIRTUAL_MOUSE_SOCKET names its socket.
#include "platform/cli/command_line.h"
#include "server/serve_command.h"

#include <cstdio>
#include <cstring>

namespace {

const cli::Program kProgram{
    QStringLiteral("virtual-mouse"),
    QStringLiteral("An emulated gaming mouse (04d9:a26b) for development and tests. The "
                   "configurator, the\nupdater and ISPDLL use it instead of the USB device "
                   "when VIRTUAL_MOUSE_SOCKET names its socket."),
    QStringLiteral(MOUSE_SUITE_VERSION),
    {},
    QStringLiteral("serve runs the mouse in the foreground and prints \"ready\" once it "
                   "listens; --log writes\nevery report crossing the link as one JSON line. "
                   "ctl drives a running one: plug, unplug,\ndpi-button STAGE, state, fault "
                   "KIND [COUNT], clear-faults."),
    {{QStringLiteral("EXIT STATUS"),
      QStringLiteral("0 when done; 1 when the socket or the log cannot be opened; 2 for a "
                     "wrong command or option.")}},
    {},
    QString::fromLatin1(vmouse::kUsage).trimmed()};

void print(std::FILE* to, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), to);
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "serve") == 0)
        return vmouse::runServe(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "ctl") == 0) {
        QStringList args;
        for (int i = 2; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        return vmouse::runCtl(args);
    }
    if (argc == 2) {
        // No display check: the daemon needs none.
        const cli::Parsed parsed = cli::parse({QString::fromLocal8Bit(argv[1])}, kProgram);
        switch (parsed.action) {
        case cli::Parsed::Action::Help:
            print(stdout, cli::helpText(kProgram));
            return 0;
        case cli::Parsed::Action::Version:
            print(stdout, cli::versionText(kProgram));
            return 0;
        case cli::Parsed::Action::Manpage:
            print(stdout, cli::manPage(kProgram));
            return 0;
        default:
            break;
        }
    }
    if (argc >= 2)
        std::fprintf(stderr, "virtual-mouse: unknown command or option %s\n", argv[1]);
    std::fputs(vmouse::kUsage, stderr);
    return 2;
}
