#include "test_env.h"

#include "link_state.h"
#include "my_quick_view.h"
#include "virtual_mouse_fixture.h"
#include "widget.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJSValue>
#include <QMouseEvent>
#include <QProcess>
#include <QQuickItem>
#include <QSettings>
#include <QTest>

#include <queue>
#include <utility>

#include <csignal>

TestEnv::TestEnv(const QString& modulesDir, testsupport::VirtualMouse& mouse, Widget& window,
                 bool capturing)
    : modulesDir_(modulesDir), mouse_(mouse), window_(window), capturing_(capturing) {}

QObject* TestEnv::page() const {
    return window_.view()->rootObject();
}

QVariant TestEnv::value(QObject* object, const QString& name) const {
    const QVariant v = object ? object->property(name.toUtf8().constData()) : QVariant();
    return v.userType() == qMetaTypeId<QJSValue>() ? v.value<QJSValue>().toVariant() : v;
}

QVariant TestEnv::call(QObject* object, const QString& function, const QVariantList& args) const {
    QVariant r;
    QMetaObject::invokeMethod(object, function.toUtf8().constData(), Q_RETURN_ARG(QVariant, r),
                              Q_ARG(QVariant, args.value(0)), Q_ARG(QVariant, args.value(1)));
    return r.userType() == qMetaTypeId<QJSValue>() ? r.value<QJSValue>().toVariant() : r;
}

QObject* TestEnv::item(const QString& objectName) const {
    QQuickItem* root = window_.view()->rootObject();
    // Breadth first through the visual tree, so the item nearest the root wins.
    std::queue<QQuickItem*> pending;
    pending.push(root);
    while (!pending.empty()) {
        QQuickItem* it = pending.front();
        pending.pop();
        if (it->objectName() == objectName)
            return it;
        for (QQuickItem* child : it->childItems())
            pending.push(child);
    }
    // Objects that are not items (the key-name tables).
    return root->findChild<QObject*>(objectName);
}

bool TestEnv::mouse(int type, QObject* target, qreal x, qreal y, Qt::MouseButton which) {
    auto* item = qobject_cast<QQuickItem*>(target);
    myQQuickView* view = window_.view();
    if (!item)
        return false;
    // The root item sits at the view's origin: scene coordinates are the widget's.
    const QPoint pos = item->mapToScene(QPointF(x, y)).toPoint();
    if (type == QEvent::MouseButtonPress)
        held_ |= which;
    else if (type == QEvent::MouseButtonRelease)
        held_ &= ~which;
    static ulong timestamp = 0;
    QMouseEvent event(static_cast<QEvent::Type>(type), QPointF(pos),
                      QPointF(view->mapToGlobal(pos)),
                      type == QEvent::MouseMove ? Qt::NoButton : which, held_, Qt::NoModifier);
    // Far apart, so that no two presses ever make a double click.
    event.setTimestamp(timestamp += 1000);
    const bool delivered = QApplication::sendEvent(view, &event);
    // As between two real inputs, what the page queued in response runs first.
    QCoreApplication::processEvents();
    return delivered && event.isAccepted();
}

bool TestEnv::press(QObject* item, qreal x, qreal y) {
    return mouse(QEvent::MouseButtonPress, item, x, y, Qt::LeftButton);
}
bool TestEnv::move(QObject* item, qreal x, qreal y) {
    return mouse(QEvent::MouseMove, item, x, y, Qt::LeftButton);
}
bool TestEnv::release(QObject* item, qreal x, qreal y) {
    return mouse(QEvent::MouseButtonRelease, item, x, y, Qt::LeftButton);
}
bool TestEnv::click(QObject* item, qreal x, qreal y, bool right) {
    const Qt::MouseButton button = right ? Qt::RightButton : Qt::LeftButton;
    const bool pressed = mouse(QEvent::MouseButtonPress, item, x, y, button);
    return mouse(QEvent::MouseButtonRelease, item, x, y, button) && pressed;
}

void TestEnv::answerFileDialog(const QString& path) {
    answer_ =
        path.isEmpty() || QDir::isAbsolutePath(path) ? path : QDir(modulesDir_).filePath(path);
}
QString TestEnv::openFileName(const QString&, const QString&, const QString&) {
    return std::exchange(answer_, QString());
}
QString TestEnv::saveFileName(const QString&, const QString&, const QString&) {
    return std::exchange(answer_, QString());
}
void TestEnv::warning(const QString& title, const QString& text) {
    warnings_ << title + QLatin1Char('|') + text;
}

void TestEnv::type(const QString& text) {
    const bool enter = text.endsWith(QLatin1Char('\n'));
    QTest::keyClicks(window_.view(), enter ? text.chopped(1) : text);
    if (enter)
        QTest::keyClick(window_.view(), Qt::Key_Return);
}

bool TestEnv::typeOnDisplay(const QString& keys) {
    if (!capturing_ || !hasDisplay())
        return false;
    QProcess p;
    p.start("xdotool", QStringList{"key", "--delay", "20"} + keys.split(' ', Qt::SkipEmptyParts));
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void TestEnv::setConfig(const QString& key, const QVariant& value) {
    window_.view()->appConfig().setValue(key, value);
}

QString TestEnv::readFile(const QString& rel) const {
    QFile f(QDir(modulesDir_).filePath(rel));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool TestEnv::writeFile(const QString& rel, const QString& text) const {
    QFile f(QDir(modulesDir_).filePath(rel));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) >= 0;
}

QVariant TestEnv::setting(const QString& rel, const QString& key) const {
    myQQuickView* view = window_.view();
    view->appConfig().sync();
    for (int i = 0; i < ProfileStore::kProfiles; ++i)
        if (QSettings* p = view->profiles().at(i))
            p->sync();
    return QSettings(QDir(modulesDir_).filePath(rel), QSettings::IniFormat).value(key);
}

QVariantList TestEnv::traffic() const {
    QVariantList out;
    for (const QJsonObject& r : mouse_.log())
        out << r.toVariantMap();
    return out;
}

QVariantList TestEnv::sent(int code) const {
    waitLinkFree();
    const auto bytes = [](const QJsonObject& r) {
        QVariantList out;
        for (const QString& h : r.value("plain").toString().split(' ', Qt::SkipEmptyParts))
            out << h.toInt(nullptr, 16);
        return out.mid(1);
    };
    QVariantList out;
    std::vector<QJsonObject> log;
    for (const QJsonObject& r : mouse_.log())
        if (r.value("dir").toString() == "to_device")
            log.push_back(r);
    for (std::size_t i = 0; i < log.size(); ++i) {
        const QVariantList frame = bytes(log[i]);
        if (log[i].value("kind").toString() != "feature" || frame.value(0).toInt() != code)
            continue;
        QVariantList data;
        while (i + 1 < log.size() && log[i + 1].value("kind").toString() == "output")
            data += bytes(log[++i]);
        out << QVariantMap{{"frame", frame.mid(0, 7)}, {"data", data}};
    }
    return out;
}

void TestEnv::clearTraffic() {
    // What is still queued on the device worker belongs to before the clear as well.
    waitLinkFree();
    mouse_.clearLog();
}

QVariantMap TestEnv::deviceState() const {
    return mouse_.state().toVariantMap();
}

bool TestEnv::ctl(const QStringList& args) {
    return mouse_.ctl(args) == 0;
}

bool TestEnv::waitLinkFree() const {
    return QTest::qWaitFor([this] { return window_.hid().isLinkFree(); }, 5000);
}

void TestEnv::setWindowVisible(bool visible) {
    window_.setVisible(visible);
}

QPoint TestEnv::windowPos() const {
    return window_.pos();
}

int TestEnv::stageDpi(int index) const {
    return static_cast<int>(LinkState::instance().stageDpi(index));
}

void TestEnv::setEnv(const QString& name, const QString& value) {
    qputenv(name.toUtf8().constData(), value.toUtf8());
}

bool TestEnv::hasDisplay() const {
    return !qEnvironmentVariableIsEmpty("DISPLAY");
}

bool TestEnv::clickUpdater() {
    const auto run = [](const QStringList& args) {
        QProcess p;
        p.start("xdotool", args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    const QStringList windows =
        run({"search", "--onlyvisible", "--classname", "update"}).split('\n', Qt::SkipEmptyParts);
    if (windows.isEmpty())
        return false;
    // "Update" is the left one of the two buttons in the bottom right corner; a click on it
    // while it is still disabled does nothing.
    int width = 0, height = 0;
    for (const QString& line : run({"getwindowgeometry", "--shell", windows.first()}).split('\n')) {
        if (line.startsWith("WIDTH="))
            width = line.mid(6).toInt();
        else if (line.startsWith("HEIGHT="))
            height = line.mid(7).toInt();
    }
    if (width <= 0 || height <= 0)
        return false;
    run({"mousemove", "--window", windows.first(), QString::number(width - 125),
         QString::number(height - 26), "click", "1"});
    return true;
}

int TestEnv::stopUpdaters() {
    const QString program =
        QFileInfo(QDir(modulesDir_ + "/../update").absoluteFilePath("update")).canonicalFilePath();
    int stopped = 0;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (QFileInfo("/proc/" + pid + "/exe").canonicalFilePath() == program &&
            !program.isEmpty() && ::kill(pid.toInt(), SIGTERM) == 0)
            ++stopped;
    }
    return stopped;
}
