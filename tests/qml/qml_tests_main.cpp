// qml-tests -input FILE: a Qt Quick Test file against the real view host, controller and
// device object, with a fresh virtual mouse and a fresh copy of the installation data.
// The pages are loaded into the engine Qt Quick Test loads the file into, as a test holds
// page objects and calls their functions: with the pages in an engine of their own, each
// engine's collector freed JS data of shared objects the other still used (page functions
// that were "not a function", crashes in longer files).
#include "app/configurator_root.h"
#include "app/my_quick_view.h"
#include "app/widget.h"
#include "bench/bench_shell.h"
#include "platform/capture/key_capture.h"
#include "store/user_prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QJSValue>
#include <QMouseEvent>
#include <QProcess>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QQuickWindow>
#include <QTest>
#include <QtQuickTest>

#include <csignal>
#include <memory>
#include <queue>

// The `testEnv` context property: real input into the view host, the virtual mouse behind
// the real objects, the files and the stand-in dialogs.
class TestEnv : public QObject, public UserPrompts {
    Q_OBJECT
    Q_PROPERTY(QObject* page READ page CONSTANT)
  public:
    TestEnv(const QString& modulesDir, testsupport::VirtualMouse& mouse, Widget& window,
            bool capturing)
        : modulesDir_(modulesDir), mouse_(mouse), window_(window), capturing_(capturing) {}
    QObject* page() const { return window_.view()->rootObject(); }

    // A page property as a plain value: a JS array or object becomes a list or a map.
    Q_INVOKABLE QVariant value(QObject* object, const QString& name) const {
        return plain(object->property(name.toUtf8().constData()));
    }
    // A page function of two arguments, called with plain values; its result as `value`.
    Q_INVOKABLE QVariant call(QObject* object, const QString& function, const QVariantList& args) {
        QVariant r;
        QMetaObject::invokeMethod(object, function.toUtf8().constData(), Q_RETURN_ARG(QVariant, r),
                                  Q_ARG(QVariant, args.value(0)), Q_ARG(QVariant, args.value(1)));
        return plain(r);
    }
    // The first object of that name in the page (nearest the root first), null when none.
    Q_INVOKABLE QObject* item(const QString& objectName) const {
        std::queue<QQuickItem*> pending;
        pending.push(window_.view()->rootObject());
        for (; !pending.empty(); pending.pop()) {
            if (pending.front()->objectName() == objectName)
                return pending.front();
            for (QQuickItem* child : pending.front()->childItems())
                pending.push(child);
        }
        return page()->findChild<QObject*>(objectName); // not items: the key-name tables
    }
    // Real mouse input at item-local coordinates: press at x0, moves to the `xs`, release.
    Q_INVOKABLE void drag(QObject* item, qreal x0, const QList<qreal>& xs, qreal y) {
        mouse(QEvent::MouseButtonPress, item, x0, y, Qt::LeftButton);
        for (qreal x : xs)
            mouse(QEvent::MouseMove, item, x, y, Qt::NoButton);
        mouse(QEvent::MouseButtonRelease, item, xs.last(), y, Qt::LeftButton);
    }
    // A click; false when the view does not take it (locked, nothing there).
    Q_INVOKABLE bool click(QObject* item, qreal x, qreal y, bool right = false) {
        const Qt::MouseButton button = right ? Qt::RightButton : Qt::LeftButton;
        const bool pressed = mouse(QEvent::MouseButtonPress, item, x, y, button);
        return mouse(QEvent::MouseButtonRelease, item, x, y, button) && pressed;
    }
    // Key strokes into the view host; a trailing "\n" is sent as Return.
    Q_INVOKABLE void type(const QString& text) {
        QTest::keyClicks(window_.view(), QString(text).remove(QLatin1Char('\n')));
        if (text.endsWith(QLatin1Char('\n')))
            QTest::keyClick(window_.view(), Qt::Key_Return);
    }
    // Keys ("k", "backslash") typed on the test display, through the real capture.
    Q_INVOKABLE bool typeOnDisplay(const QString& keys) {
        return capturing_ && hasDisplay() &&
               xdotool(QStringList{"key", "--delay", "20"} + keys.split(' ')) != QString();
    }
    Q_INVOKABLE QStringList openedUrls() const { return openedUrls_; }
    // The next file dialog returns `path` below the modules folder ("" cancels).
    Q_INVOKABLE void answerFileDialog(const QString& path) { answer_ = path; }
    Q_INVOKABLE QStringList warnings() const { return warnings_; }
    QString openFileName(const QString&, const QString&, const QString&) override {
        const QString answer = std::exchange(answer_, QString());
        return answer.isEmpty() ? answer : path(answer);
    }
    QString saveFileName(const QString& c, const QString& d, const QString& f) override {
        return openFileName(c, d, f);
    }
    void warning(const QString& title, const QString& text) override {
        warnings_ << title + QLatin1Char('|') + text;
    }
    // Questions are listed with the warnings and answered with OK.
    bool confirm(const QString& title, const QString& text) override {
        warnings_ << title + QLatin1Char('|') + text;
        return true;
    }

    Q_INVOKABLE QString readFile(const QString& rel) const {
        QFile f(path(rel));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    Q_INVOKABLE bool writeFile(const QString& rel, const QString& text) const {
        QFile f(path(rel));
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) >= 0;
    }
    // A settings value as a fresh reader sees it, after the program's settings were flushed.
    Q_INVOKABLE QVariant setting(const QString& rel, const QString& key) const {
        window_.view()->appConfig().sync();
        for (int i = 0; i < ProfileStore::kProfiles; ++i)
            if (QSettings* p = window_.view()->profiles().at(i))
                p->sync();
        return QSettings(path(rel), QSettings::IniFormat).value(key);
    }
    // Once the link is free: the commands of that code since the last clear, as {frame:
    // bytes after the report id, data: the output blocks after it}.
    Q_INVOKABLE QVariantList sent(int code) const {
        waitLinkFree();
        std::vector<std::pair<QVariantList, QVariantList>> commands; // frame, data
        bool ours = false; // output reports belong to the feature report before them
        for (const QJsonObject& r : mouse_.log()) {
            if (r.value("dir").toString() != "to_device")
                continue;
            QVariantList bytes;
            for (const QString& h : r.value("plain").toString().split(' ', Qt::SkipEmptyParts))
                bytes << h.toInt(nullptr, 16);
            bytes = bytes.mid(1); // after the report id
            if (r.value("kind").toString() == "feature") {
                if ((ours = bytes.value(0).toInt() == code))
                    commands.push_back({bytes.mid(0, 7), {}});
            } else if (ours) {
                commands.back().second += bytes;
            }
        }
        QVariantList out;
        for (const auto& [frame, data] : commands)
            out << QVariantMap{{"frame", frame}, {"data", data}};
        return out;
    }
    Q_INVOKABLE void clearTraffic() {
        waitLinkFree(); // what is still queued belongs to before the clear as well
        mouse_.clearLog();
    }
    Q_INVOKABLE QVariantMap deviceState() const { return mouse_.state().toVariantMap(); }
    Q_INVOKABLE bool ctl(const QStringList& args) { return mouse_.ctl(args) == 0; }
    Q_INVOKABLE bool waitLinkFree() const {
        return QTest::qWaitFor([this] { return window_.hid().isLinkFree(); }, 5000);
    }
    Q_INVOKABLE void setWindowVisible(bool visible) { window_.setVisible(visible); }
    Q_INVOKABLE void setEnv(const QString& name, const QString& v) {
        qputenv(name.toUtf8().constData(), v.toUtf8());
    }
    Q_INVOKABLE bool hasDisplay() const { return !qEnvironmentVariableIsEmpty("DISPLAY"); }
    // Presses "Update" (left of the two bottom right buttons) in the updater's window.
    // Answers the updater's question with "Yes" when it is asked, else clicks "Update";
    // called until the update has started.
    Q_INVOKABLE bool clickUpdater() {
        const QStringList ids = xdotool({"search", "--onlyvisible", "--classname", "update"})
                                    .simplified()
                                    .split(' ', Qt::SkipEmptyParts);
        if (ids.isEmpty())
            return false;
        if (!ids.contains(updaterWindow_))
            updaterWindow_ = ids.size() == 1 ? ids.first() : QString();
        // The question: the updater's other window, "Yes" left of "No" at its bottom.
        for (const QString& id : ids)
            if (id != updaterWindow_)
                return clickFromCorner(id, 138, 23);
        return clickFromCorner(updaterWindow_, 125, 26);
    }
    // Ends updaters started from this test's folder (they outlive the configurator).
    Q_INVOKABLE int stopUpdaters() {
        const QString program = QFileInfo(path("../update/update")).canonicalFilePath();
        int stopped = 0;
        for (const QString& pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (!program.isEmpty() &&
                QFileInfo("/proc/" + pid + "/exe").canonicalFilePath() == program)
                stopped += ::kill(pid.toInt(), SIGTERM) == 0;
        return stopped;
    }

  public slots:
    void openUrl(const QUrl& url) { openedUrls_ << url.toString(); }

  private:
    QString updaterWindow_; // the updater's own window, once seen alone
    static QVariant plain(const QVariant& v) {
        return v.userType() == qMetaTypeId<QJSValue>() ? v.value<QJSValue>().toVariant() : v;
    }
    QString path(const QString& rel) const { return QDir(modulesDir_).filePath(rel); }
    // A click `dx`, `dy` left of and above the window's bottom right corner.
    static bool clickFromCorner(const QString& id, int dx, int dy) {
        const QString size = xdotool({"getwindowgeometry", id});
        const QStringList wh = size.section("Geometry: ", 1).section('\n', 0, 0).split('x');
        return wh.size() == 2 &&
               xdotool({"mousemove", "--window", id, QString::number(wh[0].toInt() - dx),
                        QString::number(wh[1].toInt() - dy), "click", "1"}) != QString();
    }
    // A failed run gives a null string.
    static QString xdotool(const QStringList& args) {
        QProcess p;
        p.start("xdotool", args);
        const bool ok =
            p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        return ok ? QString::fromUtf8(p.readAllStandardOutput() + ' ') : QString();
    }
    bool mouse(QEvent::Type type, QObject* target, qreal x, qreal y, Qt::MouseButton button) {
        auto* item = qobject_cast<QQuickItem*>(target);
        if (!item)
            return false;
        held_ = type == QEvent::MouseButtonPress     ? held_ | button
                : type == QEvent::MouseButtonRelease ? held_ & ~button
                                                     : held_;
        // The root item sits at the view's origin: scene coordinates are the widget's.
        const QPoint pos = item->mapToScene(QPointF(x, y)).toPoint();
        QMouseEvent event(type, pos, window_.view()->mapToGlobal(pos), button, held_,
                          Qt::NoModifier);
        static ulong timestamp = 0;
        event.setTimestamp(timestamp += 1000); // far apart: never a double click
        const bool delivered = QApplication::sendEvent(window_.view(), &event);
        // As between two real inputs, what the page queued in response runs first.
        QCoreApplication::processEvents();
        return delivered && event.isAccepted();
    }

    QString modulesDir_;
    testsupport::VirtualMouse& mouse_;
    Widget& window_;
    bool capturing_;
    Qt::MouseButtons held_;
    QStringList openedUrls_;
    QString answer_;
    QStringList warnings_;
};

struct Rig {
    explicit Rig(QQmlEngine* engine) {
        // The updater as the configurator finds it: ./update beside ./modules.
        if (QFileInfo::exists(QStringLiteral(DIST_DIR "/update/update")))
            testsupport::copyTree(QStringLiteral(DIST_DIR "/update"),
                                  folder.dir.filePath("update"));
        root = std::make_unique<ConfiguratorRoot>(QStringLiteral("./modules"), QStringLiteral("."),
                                                  engine);
        window = &root->window();
        // Keys typed on the test display reach the page through the real capture.
        capture.setKeyboardCallback(
            [](std::uint8_t code, bool pressed, void* w) {
                static_cast<Widget*>(w)->keyEvent(pressed, code);
            },
            window);
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
        env = std::make_unique<TestEnv>(folder.dir.filePath("modules"), *folder.mouse, *window,
                                        capture.installed());
        root->prompts().setDialogStandIn(env.get()); // no user to answer
    }
    ~Rig() { root->prompts().setDialogStandIn(nullptr); }
    bench::ShellFolder folder;
    std::unique_ptr<ConfiguratorRoot> root;
    Widget* window = nullptr;
    KeyCapture capture{false}; // goes before the window it reports to
    std::unique_ptr<TestEnv> env;
};

// Qt Quick Test makes one engine for each test file and hands it over here before the file
// is loaded. Once the file's last TestCase has ended (it calls Qt.quit()), Qt Quick Test
// destroys the window holding the file's objects, then the engine, before any other slot of
// this object runs. The rig borrows that engine, so it goes between the two: after the test
// objects (their bindings would see `testEnv` and the pages vanish), before the engine.
class Setup : public QObject {
    Q_OBJECT
  public slots:
    void applicationAvailable() { QApplication::setQuitOnLastWindowClosed(false); }
    void qmlEngineAvailable(QQmlEngine* engine) {
        tearDown(); // never two rigs (with several files the previous one's is gone by now)
        // The pages' context properties ("ui_View", "ui_Ctl", "hid") are set on the
        // engine's root context, which the test file's context is a child of.
        rig_ = std::make_unique<Rig>(engine);
        engine->rootContext()->setContextProperty("testEnv", rig_->env.get());
        // What the page opens in the desktop's browser is recorded, not opened.
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(scheme, rig_->env.get(), "openUrl");
        connect(engine, &QQmlEngine::quit, this, [this, engine] { tearDownAfterTest(engine); });
    }
    // A file that did not load never quits: its rig outlived the engine and goes here.
    void cleanupTestCase() { tearDown(); }

  private:
    void tearDownAfterTest(QQmlEngine* engine) {
        for (QWindow* window : QGuiApplication::topLevelWindows())
            if (auto* test = qobject_cast<QQuickView*>(window); test && test->engine() == engine) {
                connect(test, &QObject::destroyed, this, &Setup::tearDown);
                return;
            }
        tearDown();
    }
    void tearDown() {
        if (!rig_)
            return;
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::unsetUrlHandler(scheme);
        rig_.reset();
    }

    std::unique_ptr<Rig> rig_;
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setSceneGraphBackend(QStringLiteral("software"));
    QApplication app(argc, argv); // widgets (the real window) as well as Qt Quick
    Setup setup;
    return quick_test_main_with_setup(argc, argv, "qml-tests", nullptr, &setup);
}

#include "qml_tests_main.moc"
