// configurator: the mouse's configuration program.
#include "mouse_probe.h"
#include "placeholder_window.h"

#include <QApplication>
#include <QDir>
#include <QQuickWindow>
#include <QScreen>

int main(int argc, char* argv[]) {
    // No GPU is assumed: Qt Quick draws in software unless the environment picks a backend.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) {
        QQuickWindow::setSceneGraphBackend(QStringLiteral("software"));
    }

    QApplication app(argc, argv);
    // The program lives in the tray: hiding the window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Everything under ./modules/ is found next to the executable, wherever it was started.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    app::PlaceholderWindow window(app::mousePresent(hidseam::api()));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window.move(screen->availableGeometry().center() - window.rect().center());
    }
    window.showNormal();

    return app.exec();
}
