#include "test_env.h"

#include "link_state.h"
#include "my_quick_view.h"
#include "virtual_mouse_fixture.h"
#include "vmouse_client.h"
#include "widget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJSValue>
#include <QJsonDocument>
#include <QMouseEvent>
#include <QMutex>
#include <QProcess>
#include <QQuickItem>
#include <QSettings>
#include <QTest>

#include <queue>
#include <utility>

#include <csignal>

namespace {

QMutex linesMutex;
QStringList lines;

void collect(QtMsgType, const QMessageLogContext&, const QString& message) {
    QMutexLocker lock(&linesMutex);
    lines << message;
    fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

void TestEnv::installMessageHandler() {
    qInstallMessageHandler(collect);
}

TestEnv::TestEnv(const QString& modulesDir, testsupport::VirtualMouse& mouse, Widget& window,
                 bool capturing, QObject* parent)
    : QObject(parent), modulesDir_(modulesDir), mouse_(mouse), window_(window),
      capturing_(capturing) {}

QObject* TestEnv::page() const {
    return window_.view()->rootObject();
}

QVariant TestEnv::value(QObject* object, const QString& name) const {
    if (!object)
        return {};
    const QVariant v = object->property(name.toUtf8().constData());
    return v.userType() == qMetaTypeId<QJSValue>() ? v.value<QJSValue>().toVariant() : v;
}

QObject* TestEnv::item(const QString& objectName) const {
    QQuickItem* root = window_.view()->rootObject();
    if (!root)
        return nullptr;
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
    if (!item || !view)
        return false;
    // The root item sits at the view's origin: scene coordinates are the widget's.
    const QPoint pos = item->mapToScene(QPointF(x, y)).toPoint();
    Qt::MouseButton button = Qt::NoButton;
    if (type == QEvent::MouseButtonPress) {
        button = which;
        held_ |= which;
    } else if (type == QEvent::MouseButtonRelease) {
        button = which;
        held_ &= ~which;
    }
    static ulong timestamp = 0;
    QMouseEvent event(static_cast<QEvent::Type>(type), QPointF(pos),
                      QPointF(view->mapToGlobal(pos)), button, held_, Qt::NoModifier);
    // Far apart, so that no two presses ever make a double click.
    timestamp += 1000;
    event.setTimestamp(timestamp);
    const bool delivered = QApplication::sendEvent(view, &event);
    // As between two real inputs, what the page queued in response runs first.
    QCoreApplication::processEvents();
    return delivered && event.isAccepted();
}

bool TestEnv::press(QObject* item, qreal x, qreal y) {
    return mouse(QEvent::MouseButtonPress, item, x, y);
}
bool TestEnv::move(QObject* item, qreal x, qreal y) {
    return mouse(QEvent::MouseMove, item, x, y);
}
bool TestEnv::release(QObject* item, qreal x, qreal y) {
    return mouse(QEvent::MouseButtonRelease, item, x, y);
}
bool TestEnv::click(QObject* item, qreal x, qreal y) {
    const bool pressed = press(item, x, y);
    const bool released = release(item, x, y);
    return pressed && released;
}

bool TestEnv::rightClick(QObject* item, qreal x, qreal y) {
    const bool pressed = mouse(QEvent::MouseButtonPress, item, x, y, Qt::RightButton);
    const bool released = mouse(QEvent::MouseButtonRelease, item, x, y, Qt::RightButton);
    return pressed && released;
}

void TestEnv::answerFileDialog(const QString& path) {
    answer_ =
        path.isEmpty() || QDir::isAbsolutePath(path) ? path : QDir(modulesDir_).filePath(path);
}

QString TestEnv::takeAnswer() {
    return std::exchange(answer_, QString());
}

QString TestEnv::openFileName(const QString& caption, const QString&, const QString&) {
    dialogs_ << QStringLiteral("open|") + caption;
    return takeAnswer();
}

QString TestEnv::saveFileName(const QString& caption, const QString&, const QString&) {
    dialogs_ << QStringLiteral("save|") + caption;
    return takeAnswer();
}

void TestEnv::warning(const QString& title, const QString& text) {
    warnings_ << title + QLatin1Char('|') + text;
}

void TestEnv::type(const QString& text) {
    myQQuickView* view = window_.view();
    const bool enter = text.endsWith(QLatin1Char('\n'));
    QTest::keyClicks(view, enter ? text.chopped(1) : text);
    if (enter)
        QTest::keyClick(view, Qt::Key_Return);
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
    const QString path = QDir(modulesDir_).filePath(rel);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) >= 0;
}

QVariant TestEnv::setting(const QString& rel, const QString& key) const {
    myQQuickView* view = window_.view();
    view->appConfig().sync();
    for (int i = 0; i < ProfileStore::kProfiles; ++i)
        if (QSettings* p = view->profiles().at(i))
            p->sync();
    QSettings fresh(QDir(modulesDir_).filePath(rel), QSettings::IniFormat);
    return fresh.value(key);
}

QVariantList TestEnv::traffic() const {
    QVariantList out;
    for (const QJsonObject& r : mouse_.log())
        out << r.toVariantMap();
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

bool TestEnv::plug() {
    return mouse_.ctl({"plug"}) == 0;
}
bool TestEnv::unplug() {
    return mouse_.ctl({"unplug"}) == 0;
}
bool TestEnv::dpiButton(int stage) {
    return mouse_.ctl({"dpi-button", QString::number(stage)}) == 0;
}
bool TestEnv::fault(const QString& kind, int count) {
    return mouse_.ctl({"fault", kind, QString::number(count)}) == 0;
}

QStringList TestEnv::debugLines() const {
    QMutexLocker lock(&linesMutex);
    return lines;
}

bool TestEnv::waitLinkFree(int ms) const {
    QElapsedTimer t;
    t.start();
    while (!window_.hid().isLinkFree() && t.elapsed() < ms)
        QTest::qWait(5);
    return window_.hid().isLinkFree();
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
    const QString program = QDir(modulesDir_ + "/../update").absoluteFilePath("update");
    int stopped = 0;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const int id = pid.toInt(&number);
        if (number && QFileInfo("/proc/" + pid + "/exe").canonicalFilePath() ==
                          QFileInfo(program).canonicalFilePath()) {
            ::kill(id, SIGTERM);
            ++stopped;
        }
    }
    return stopped;
}
