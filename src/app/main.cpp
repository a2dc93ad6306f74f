// configurator: the mouse's configuration program.
#include "copydata_message.h"
#include "key_capture.h"
#include "message_channel.h"
#include "single_application.h"
#include "widget.h"

#include <QDir>
#include <QMessageBox>
#include <QQuickWindow>

#include <cstdio>

namespace {

void onKey(std::uint8_t code, bool pressed, void* context) {
    if (context)
        static_cast<Widget*>(context)->keyEvent(pressed, code);
}

void onMouse(std::uint8_t code, bool pressed, int x, int y, void* context) {
    if (context)
        static_cast<Widget*>(context)->mouseEvent(pressed, code, x, y);
}

// Another process may put a warning in front of the user.
void onCopyData(const msgchannel::CopyData& message, void* context) {
    if (!context)
        return;
    if (const auto text = msgchannel::warningText(message))
        static_cast<Widget*>(context)->showChannelMessage(QString::fromStdString(*text));
}

} // namespace

int main(int argc, char* argv[]) {
    // No GPU is assumed: Qt Quick draws in software unless the environment picks a backend.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setSceneGraphBackend(QStringLiteral("software"));

    SingleApplication app(argc, argv);
    if (!app.refusal().isEmpty()) {
        std::fprintf(stderr, "configurator: %s\n", qPrintable(app.refusal()));
        QMessageBox::critical(nullptr, QStringLiteral("configurator"), app.refusal());
        return 1;
    }
    if (app.isRunning())
        return 1;
    // The program lives in the tray: hiding the window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Everything under ./modules/ and ./update/ is found next to the executable.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    auto window = std::make_unique<Widget>();
    auto capture = std::make_unique<KeyCapture>(false);
    capture->setKeyboardCallback(onKey, window.get());
    capture->setMouseCallback(onMouse, window.get());
    MessageChannel channel;
    channel.setCopyDataHandler(onCopyData, &app, window.get());

    window->showNormal();
    window->checkDevice();
    const int rc = app.exec();

    // The capture goes before the window it reports to.
    capture->removeHooks();
    channel.stop();
    window.reset();
    return rc;
}
