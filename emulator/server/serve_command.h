#pragma once

#include <QStringList>

namespace vmouse {

// `virtual-mouse serve …`: runs the daemon in the foreground until SIGINT or SIGTERM.
int runServe(int argc, char** argv);

// `virtual-mouse ctl --socket PATH COMMAND …`: drives a running daemon.
int runCtl(const QStringList& args);

} // namespace vmouse
