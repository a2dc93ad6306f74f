#include "device_fixture.h"

#include "vmouse_client.h"

#include <QCoreApplication>
#include <QTest>

namespace devicetest {
void routeSeamTo(const testsupport::VirtualMouse& mouse) {
    const QByteArray path = mouse.socketPath().toUtf8();
    qputenv("VIRTUAL_MOUSE_SOCKET", path);
    hidseam::apiFor(path.constData());
    vmouse::client::setSocketPath(path.toStdString());
}

Rig::Rig(const QStringList& mouseArgs, const QString& code) : mouse(mouseArgs) {
    DebugLines::install();
    LinkState::instance().reset();
    routeSeamTo(mouse);
    apConfig = std::make_unique<QSettings>(dir.filePath("apConfig.bin"), QSettings::IniFormat);
    apConfig->setValue("common/product_name", QStringList{"Mouse A", "Mouse B"});
    if (!code.isNull()) {
        apConfig->setValue("common/sCode0", code);
        apConfig->setValue("common/sCode1", code);
    }
    hid = std::make_unique<Hid_Thread>();
    hid->setAppConfig(apConfig.get());
    runs = std::make_unique<QSignalSpy>(hid.get(), &Hid_Thread::runRequested);
    views = std::make_unique<QSignalSpy>(hid.get(), &Hid_Thread::viewEnabledRequested);
    balloons = std::make_unique<QSignalSpy>(hid.get(), &Hid_Thread::balloonRequested);
    hides = std::make_unique<QSignalSpy>(hid.get(), &Hid_Thread::windowHideRequested);
    DebugLines::take();
}

Rig::~Rig() {
    if (hid) {
        waitFree();
        hid->stopListener();
    }
}

bool Rig::waitFree(int ms) {
    const bool idle = hid->waitIdle(ms);
    // What the worker handed to this thread (failure signals, balloons) arrives now.
    QCoreApplication::processEvents();
    return idle;
}

} // namespace devicetest
