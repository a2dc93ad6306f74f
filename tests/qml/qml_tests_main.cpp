// qml-tests: runs a Qt Quick Test file against the real view host, controller and device
// object, with a fresh virtual mouse and a fresh copy of the installation data.
//
//   build/bin/qml-tests -input FILE
#include "hid_seam.h"
#include "key_capture.h"
#include "link_state.h"
#include "test_env.h"

#include <QDesktopServices>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtQuickTest>

#include <memory>

struct Rig {
    Rig() {
        const QString modules = dir.filePath("modules");
        testsupport::copyTree(QStringLiteral(MODULES_SOURCE_DIR), modules);
        // The updater as the configurator finds it: ./update beside ./modules.
        if (QFileInfo::exists(QStringLiteral(DIST_DIR "/update/update")))
            testsupport::copyTree(QStringLiteral(DIST_DIR "/update"), dir.filePath("update"));
        QDir::setCurrent(dir.path());
        qputenv("VIRTUAL_MOUSE_SOCKET", mouse.socketPath().toUtf8());
        hidseam::apiFor(qgetenv("VIRTUAL_MOUSE_SOCKET").constData());
        LinkState::instance().reset();
        window = std::make_unique<Widget>();
        // Keys typed on the test display reach the page through the real capture.
        capture.setKeyboardCallback(
            [](std::uint8_t code, bool pressed, void* w) {
                static_cast<Widget*>(w)->keyEvent(pressed, code);
            },
            window.get());
        window->showNormal();
        window->checkDevice();
        // The accepted mouse brings the pages up locked for a second; the tests take them
        // as soon as they are shown (the lock's own end is tested on its own).
        QQuickItem* page = window->view()->rootObject();
        if (QTest::qWaitFor([page] { return page->isVisible(); }, 10000))
            QMetaObject::invokeMethod(page, "setProtectUI", Q_ARG(QVariant, 0));
        if (!QTest::qWaitFor(
                [this] { return window->view()->isEnabled() && window->hid().isLinkFree(); }))
            qWarning("the pages did not come up unlocked with the mouse accepted");
        env = std::make_unique<TestEnv>(modules, mouse, *window, capture.installed());
        // Dialogs would wait for a user who is not there.
        window->view()->services().setDialogStandIn(env.get());
    }
    ~Rig() { window->view()->services().setDialogStandIn(nullptr); }
    QTemporaryDir dir;
    testsupport::VirtualMouse mouse;
    std::unique_ptr<Widget> window;
    KeyCapture capture{false}; // goes before the window it reports to
    std::unique_ptr<TestEnv> env;
};

class Setup : public QObject {
    Q_OBJECT
  public slots:
    void applicationAvailable() { QApplication::setQuitOnLastWindowClosed(false); }
    void qmlEngineAvailable(QQmlEngine* engine) {
        rig_ = std::make_unique<Rig>();
        for (const char* name : {"ui_View", "ui_Ctl"})
            engine->rootContext()->setContextProperty(
                name, rig_->window->view()->rootContext()->contextProperty(name));
        engine->rootContext()->setContextProperty("testEnv", rig_->env.get());
        // What the page opens in the desktop's browser is recorded, not opened.
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(scheme, rig_->env.get(), "openUrl");
    }
    void cleanupTestCase() {
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::unsetUrlHandler(scheme);
        rig_.reset();
    }

  private:
    std::unique_ptr<Rig> rig_;
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setSceneGraphBackend(QStringLiteral("software"));
    if (qEnvironmentVariableIsEmpty("VMOUSE_BIN"))
        qputenv("VMOUSE_BIN", (QFileInfo(argv[0]).absolutePath() + "/virtual-mouse").toUtf8());
    QApplication app(argc, argv); // widgets (the real window) as well as Qt Quick
    Setup setup;
    return quick_test_main_with_setup(argc, argv, "qml-tests", nullptr, &setup);
}

#include "qml_tests_main.moc"
