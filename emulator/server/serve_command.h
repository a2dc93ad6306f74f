#pragma once

#include <QStringList>

namespace vmouse {

// The usage lines, printed with --help and after a wrong command line.
inline constexpr const char* kUsage =
    "usage: virtual-mouse serve --socket PATH [--log FILE] [--encrypted] [--code SIXCHARS]\n"
    "                           [--without-notify] [--fw-version A1.A2] [--boot-loader]\n"
    "                           [--restart-delay MS] [--no-access] [--answers KIND]\n"
    "       virtual-mouse ctl --socket PATH COMMAND\n"
    "       virtual-mouse --help | --version\n";

// `virtual-mouse serve …`: runs the daemon in the foreground until SIGINT or SIGTERM.
int runServe(int argc, char** argv);

// `virtual-mouse ctl --socket PATH COMMAND …`: drives a running daemon.
int runCtl(const QStringList& args);

} // namespace vmouse
