// Whether Qt will find a display: an X server for its X11 platform, a compositor for its
// Wayland platform; other platforms (offscreen, vnc …) are the caller's choice.
#include "platform/cli/command_line.h"

#include <QFile>

#include <X11/Xlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace cli {
namespace {

// The compositor's socket: WAYLAND_DISPLAY (default "wayland-0"), relative to
// XDG_RUNTIME_DIR unless absolute.
QString waylandSocket() {
    QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (name.isEmpty())
        name = QStringLiteral("wayland-0");
    if (name.startsWith(QLatin1Char('/')))
        return name;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? QString() : runtime + QLatin1Char('/') + name;
}

bool waylandReachable() {
    const QByteArray path = QFile::encodeName(waylandSocket());
    sockaddr_un address{};
    if (path.isEmpty() || std::size_t(path.size()) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

QString waylandProblem() {
    return QStringLiteral("cannot reach the Wayland compositor at %1; start it from a desktop "
                          "session or check WAYLAND_DISPLAY.")
        .arg(waylandSocket().isEmpty() ? QStringLiteral("WAYLAND_DISPLAY (XDG_RUNTIME_DIR is "
                                                        "not set)")
                                       : waylandSocket());
}

} // namespace

QString displayProblem(const QStringList& args) {
    QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    QString display = qEnvironmentVariable("DISPLAY");
    for (qsizetype i = 0; i + 1 < args.size(); ++i) {
        if (args.at(i) == "-platform")
            platform = args.at(i + 1);
        else if (args.at(i) == "-display")
            display = args.at(i + 1);
    }
    if (platform.startsWith(QLatin1String("wayland")))
        return waylandReachable() ? QString() : waylandProblem();
    if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb")))
        return QString(); // offscreen, vnc …: Qt reports on its own terms
    if (display.isEmpty()) {
        // A Wayland session without X: Qt picks its Wayland platform by itself.
        if (platform.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return waylandReachable() ? QString() : waylandProblem();
        return QStringLiteral("no graphical display to show its window on (DISPLAY is not set); "
                              "start it from a desktop session.");
    }
    Display* x = XOpenDisplay(display.toLocal8Bit().constData());
    if (!x)
        return QStringLiteral("cannot open the display %1; start it from a desktop session "
                              "or check DISPLAY.")
            .arg(display);
    XCloseDisplay(x);
    return QString();
}

} // namespace cli
