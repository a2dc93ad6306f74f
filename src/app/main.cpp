// configurator: the mouse's configuration program.
#include "single_application.h"
#include "widget.h"

#include <QDir>
#include <QQuickWindow>

int main(int argc, char* argv[]) {
    // No GPU is assumed: Qt Quick draws in software unless the environment picks a backend.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setSceneGraphBackend(QStringLiteral("software"));

    SingleApplication app(argc, argv);
    if (app.isRunning())
        return 1;
    // The program lives in the tray: hiding the window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Everything under ./modules/ and ./update/ is found next to the executable.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    int rc = 0;
    {
        Widget window;
        window.showNormal();
        window.checkDevice();
        rc = app.exec();
    }
    return rc;
}
