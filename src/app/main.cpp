// configurator: the mouse's configuration program.
#include "app/command_runner.h"
#include "app/configurator_root.h"
#include "app/my_quick_view.h"
#include "app/single_application.h"
#include "app/user_folder.h"
#include "app/widget.h"
#include "app/window_keys.h"
#include "platform/capture/copydata_message.h"
#include "platform/capture/key_capture.h"
#include "platform/capture/message_channel.h"
#include "platform/cli/command_line.h"
#ifdef HAVE_SHORTCUT_PORTAL
#include "platform/portal/global_shortcut.h"
#endif
#include "store/app_config.h"

#include <QDir>
#include <QIcon>
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
    if (message.dwData == msgchannel::kShowWindowTag) {
        static_cast<Widget*>(context)->showWindow();
        return;
    }
    if (const auto text = msgchannel::warningText(message))
        static_cast<Widget*>(context)->showChannelMessage(QString::fromStdString(*text));
}

const cli::Program kProgram{
    QStringLiteral("configurator"),
    QStringLiteral("Sets up the USB gaming mouse 04d9:a26b: DPI stages, buttons, lighting, "
                   "macros and\nprofiles. It lives in the system tray."),
    QStringLiteral(MOUSE_SUITE_VERSION),
    {{QStringLiteral("--start-in-tray"),
      QStringLiteral("Start with the window hidden in the tray (for autostart).")}},
    QStringLiteral("The window opens once the mouse is found and has answered; until then the "
                   "tray icon says\nwhy not. Every change is written to the profile files and "
                   "sent to the mouse at once.\nA second start shows the running program's "
                   "window and exits 1."),
    {{QStringLiteral("FILES"),
      QStringLiteral("modules/ beside the program when that folder is writable (a portable "
                     "copy); otherwise\n~/.config/mouse-suite/modules, copied from the "
                     "installed one on the first start.\n\n~/.cache/configurator holds Qt's "
                     "compiled pages. The instance lock and the message\nsocket live in "
                     "$XDG_RUNTIME_DIR, or /tmp/mouse-suite-UID.")},
     {QStringLiteral("ENVIRONMENT"),
      QStringLiteral("QT_QPA_PLATFORM picks wayland or xcb. VIRTUAL_MOUSE_SOCKET makes the "
                     "program use the\nvirtual mouse listening on that socket instead of "
                     "the USB device.")},
     {QStringLiteral("EXIT STATUS"),
      QStringLiteral("0 after Quit from the tray menu; 1 when it is running already or "
                     "there is no display;\n2 for a wrong option.")}},
    QStringLiteral("mouse-suite")};

} // namespace

int main(int argc, char* argv[]) {
    cli::Parsed options;
    if (const int rc = cli::handle(argc, argv, kProgram, &options); rc >= 0)
        return rc;

    // No GPU is assumed: Qt Quick draws in software unless the environment picks a backend.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setSceneGraphBackend(QStringLiteral("software"));

    // One name however it is started (as "configurator", or through the "mouse-suite"
    // link): one cache folder, one X11 window class ("configurator", the desktop entry's
    // StartupWMClass) and, on Wayland, the desktop entry's name as the application id.
    QCoreApplication::setApplicationName(QStringLiteral("configurator"));
    QGuiApplication::setDesktopFileName(QStringLiteral("mouse-suite"));
    if (qEnvironmentVariableIsEmpty("RESOURCE_NAME"))
        qputenv("RESOURCE_NAME", "configurator");

    SingleApplication app(argc, argv);
    if (!app.refusal().isEmpty()) {
        std::fprintf(stderr, "configurator: %s\n", qPrintable(app.refusal()));
        QMessageBox::critical(nullptr, QStringLiteral("configurator"), app.refusal());
        return 1;
    }
    if (app.isRunning()) {
        // The running one shows its window (or says why it cannot); this one ends.
#ifdef _WIN32
        const bool asked = false;
#else
        const bool asked = msgchannel::sendCopyData(MessageChannel::defaultServerName(),
                                                    msgchannel::kShowWindowTag, {}, 2000);
#endif
        const QString who =
            app.holder() > 0 ? QStringLiteral(" (process %1)").arg(app.holder()) : QString();
        std::fprintf(stderr, "configurator: it is already running%s; %s\n", qPrintable(who),
                     asked ? "its window was asked to show."
                           : "its window opens from its icon in the system tray.");
        return 1;
    }
    // The program lives in the tray: hiding the window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Everything under ./modules/ is found next to the executable, or in the user's own
    // folder when the program is installed read-only; the updater always lies beside it.
    const QString programFolder = QCoreApplication::applicationDirPath();
    const userfolder::Choice folder = userfolder::choose(programFolder);
    if (!folder.problem.isEmpty())
        std::fprintf(stderr, "configurator: %s\n", qPrintable(folder.problem));
    QDir::setCurrent(folder.folder);
    // The taskbar and Alt-Tab show the program's icon: the installed theme's, else the tray's.
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral("mouse-suite"), QIcon(QStringLiteral("./modules/img/trayIcon.ico"))));

    // The first start speaks the desktop's language (written before the pages read it).
    AppConfig(QStringLiteral("./modules")).followDesktopLanguage(QLocale::system());
    auto root = std::make_unique<ConfiguratorRoot>(QStringLiteral("./modules"), programFolder);
    Widget* window = &root->window();
    const bool withoutTray = !QSystemTrayIcon::isSystemTrayAvailable();
    window->setWithoutTray(withoutTray);
    auto capture = std::make_unique<KeyCapture>(false);
    capture->setKeyboardCallback(onKey, window);
    capture->setMouseCallback(onMouse, window);
    // Where the desktop shares no keys (Wayland), the window's own keys are recorded.
    std::unique_ptr<WindowKeys> windowKeys;
    if (capture->source() == capture::KeySource::Window)
        windowKeys = std::make_unique<WindowKeys>(
            *window, [&capture](std::uint32_t scan, bool pressed, bool alt) {
                capture->windowKey(scan, pressed, alt);
            });
    window->view()->setKeysFromWindowOnly(capture->source() == capture::KeySource::Window);
#ifdef HAVE_SHORTCUT_PORTAL
    // Shift+Alt+F12 cannot be watched for there: the desktop's portal may bind it for us.
    std::unique_ptr<GlobalShortcut> hotKey;
    if (capture->source() == capture::KeySource::Window) {
        hotKey = std::make_unique<GlobalShortcut>(
            QDBusConnection::sessionBus(),
            GlobalShortcut::Shortcut{QStringLiteral("show-window"),
                                     QStringLiteral("Show the mouse's settings window"),
                                     QStringLiteral("SHIFT+ALT+F12")});
        QObject::connect(hotKey.get(), &GlobalShortcut::activated, window, &Widget::showWindow);
        hotKey->start();
    }
#endif
    // mouse-suite-ctl's requests: carried out on the pages, answered on the same connection.
    CommandRunner commands(*root);
    MessageChannel channel;
#ifndef _WIN32
    channel.setRequestHandler(
        msgchannel::kControlTag,
        [&commands](const QByteArray& data, const MessageChannel::Reply& reply) {
            commands.runRequest(data, reply);
        });
#endif
    channel.setCopyDataHandler(onCopyData, &app, window);

    // Without a tray there is nowhere to start hidden in.
    if (!options.has(QStringLiteral("--start-in-tray")) || withoutTray)
        window->showNormal();
    window->checkDevice();
    const int rc = app.exec();

    // The capture goes before the window it reports to.
    capture->removeHooks();
    channel.stop();
    root.reset();
    return rc;
}
