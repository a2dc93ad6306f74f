#include "device_fixture.h"

#include "vmouse_client.h"

#include <QCoreApplication>
#include <QFile>

namespace devicetest {

void Pauses::operator()(int ms) {
    {
        std::lock_guard lock(mutex_);
        seen_.push_back(ms);
    }
    std::lock_guard wait(gate);
}

std::vector<int> Pauses::take() {
    std::lock_guard lock(mutex_);
    return std::exchange(seen_, {});
}

Rig::Rig(const QStringList& mouseArgs, const QString& code, int queueMs) : mouse(mouseArgs) {
    DebugLines::install();
    LinkState::instance().reset();
    route();
    apConfig.setValue("common/product_name", QStringList{"Mouse A", "Mouse B"});
    if (!code.isNull()) {
        apConfig.setValue("common/sCode0", code);
        apConfig.setValue("common/sCode1", code);
    }
    // The virtual mouse has bulk data ready as soon as it answers: only a fault makes a
    // read wait, and that should cost little.
    hid->setWaits({100, queueMs, 20, Hid_Thread::kDiscoveryWaitMs, std::ref(pauses)});
    hid->setAppConfig(&apConfig);
    DebugLines::take();
}

void Rig::route() {
    // The seam picks the virtual client once, from the environment; the client then
    // follows the socket it is given.
    const QByteArray socket = mouse.socketPath().toUtf8();
    qputenv("VIRTUAL_MOUSE_SOCKET", socket);
    hidseam::apiFor(socket.constData());
    vmouse::client::setSocketPath(socket.toStdString());
}

void Rig::discover(const QString& registry) {
    hid->discover(registry);
}

bool Rig::acceptQuietly(const QString& registry) {
    discover(registry);
    if (runs.count() != 1 || !waitFree())
        return false;
    hid->stopListener();
    mouse.clearLog();
    pauses.take();
    DebugLines::take();
    return true;
}

bool Rig::waitFree() {
    const bool idle = hid->waitIdle(5000);
    // What the worker handed to this thread (failure signals, balloons) arrives now.
    QCoreApplication::processEvents();
    return idle;
}

QString encryptedRegistry(const QTemporaryDir& dir) {
    QFile in(":/DevInfo.ini");
    in.open(QIODevice::ReadOnly);
    const QString path = dir.filePath("DevInfo.ini");
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(in.readAll().replace("isEncode = false", "isEncode = true"));
    return path;
}

} // namespace devicetest
