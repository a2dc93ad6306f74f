#include "test_env.h"

#include "link_state.h"
#include "my_quick_view.h"
#include "virtual_mouse_fixture.h"
#include "vmouse_client.h"
#include "widget.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QMutex>
#include <QSettings>
#include <QTest>

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
                 QObject* parent)
    : QObject(parent), modulesDir_(modulesDir), mouse_(mouse), window_(window) {}

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

int TestEnv::stageDpi(int index) const {
    return static_cast<int>(LinkState::instance().stageDpi(index));
}
