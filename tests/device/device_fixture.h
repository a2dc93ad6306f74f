// What the device-link tests share: a Hid_Thread wired to a fresh virtual mouse and a
// real application configuration file, with short waits and the protocol's pauses
// recorded instead of slept.
#pragma once

#include "client/vmouse_client.h"
#include "device/hid_thread.h"
#include "platform/hid/hid_seam.h"
#include "support/virtual_mouse_fixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>
#include <mutex>
#include <vector>

namespace devicetest {

using testsupport::DebugLines;

// The link's Sleep: notes each pause and returns, or waits while a test holds `gate`.
struct Pauses {
    std::mutex gate, mutex;
    std::vector<int> seen;
    void operator()(int ms) {
        {
            std::lock_guard lock(mutex);
            seen.push_back(ms);
        }
        std::lock_guard wait(gate);
    }
    std::vector<int> take() {
        std::lock_guard lock(mutex);
        return std::exchange(seen, {});
    }
};

struct Rig {
    explicit Rig(const QStringList& mouseArgs = {}, const QString& code = QString(),
                 int queueMs = Hid_Thread::kQueueWaitMs)
        : mouse(mouseArgs) {
        DebugLines::install();
        route();
        apConfig.setValue("common/product_name", QStringList{"Mouse A", "Mouse B"});
        if (!code.isNull())
            for (const char* key : {"common/sCode0", "common/sCode1"})
                apConfig.setValue(key, code);
        // The virtual mouse has bulk data ready as soon as it answers: only a fault makes
        // a read wait, and that should cost little.
        hid->setWaits({100, queueMs, 20, Hid_Thread::kDiscoveryWaitMs, std::ref(pauses)});
    }
    // Points the process's HID seam at this rig's mouse: the seam picks the virtual
    // client once, from the environment, and the client then follows the socket it is given.
    void route() {
        qputenv("VIRTUAL_MOUSE_SOCKET", mouse.socketPath().toUtf8());
        hidseam::apiFor(mouse.socketPath().toUtf8().constData());
        vmouse::client::setSocketPath(mouse.socketPath().toStdString());
    }
    // Accepted, listener stopped, log, pauses and debug lines cleared: only what the test
    // sends next crosses the link.
    bool acceptQuietly(const QString& registry = QStringLiteral(":/DevInfo.ini")) {
        hid->discoverNow(registry);
        if (runs.count() != 1 || !waitFree())
            return false;
        hid->stopListener();
        mouse.clearLog();
        pauses.take();
        DebugLines::take();
        return true;
    }
    // Waits until every queued transfer has ended and takes what it signalled.
    bool waitFree() {
        const bool idle = hid->waitIdle(5000);
        QCoreApplication::processEvents();
        return idle;
    }

    testsupport::VirtualMouse mouse;
    QTemporaryDir dir;
    Pauses pauses;
    QSettings apConfig{dir.filePath("apConfig.bin"), QSettings::IniFormat};
    DpiNotices notices;
    std::unique_ptr<Hid_Thread> hid =
        std::make_unique<Hid_Thread>(notices, [this] { return &apConfig; });
    QSignalSpy runs{hid.get(), &Hid_Thread::runRequested};
    QSignalSpy views{hid.get(), &Hid_Thread::viewEnabledRequested};
    QSignalSpy balloons{hid.get(), &Hid_Thread::balloonRequested};
    QSignalSpy hides{hid.get(), &Hid_Thread::windowHideRequested};
};

// The shipped registry with encryption switched on, written into `dir`.
inline QString encryptedRegistry(const QTemporaryDir& dir) {
    QFile in(":/DevInfo.ini"), out(dir.filePath("DevInfo.ini"));
    if (in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly))
        out.write(in.readAll().replace("isEncode = false", "isEncode = true"));
    return out.fileName();
}

} // namespace devicetest
