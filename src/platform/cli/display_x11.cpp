// Whether Qt's X11 platform will find a display; other platforms are the caller's choice.
#include "platform/cli/command_line.h"

#include <X11/Xlib.h>

namespace cli {

QString displayProblem(const QStringList& args) {
    QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    QString display = qEnvironmentVariable("DISPLAY");
    for (qsizetype i = 0; i + 1 < args.size(); ++i) {
        if (args.at(i) == "-platform")
            platform = args.at(i + 1);
        else if (args.at(i) == "-display")
            display = args.at(i + 1);
    }
    if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb")))
        return QString(); // offscreen, wayland, vnc …: Qt reports on its own terms
    if (display.isEmpty()) {
        // A Wayland session without X: Qt picks its Wayland platform by itself.
        if (platform.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return QString();
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
