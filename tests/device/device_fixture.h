// What the device-link tests share: a Hid_Thread wired to a fresh virtual mouse and a
// real application configuration file, with short waits and the protocol's pauses
// recorded instead of slept.
#pragma once

#include "hid_seam.h"
#include "hid_thread.h"
#include "link_state.h"
#include "virtual_mouse_fixture.h"

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
    void operator()(int ms);
    std::vector<int> take();
    std::mutex gate;

  private:
    std::mutex mutex_;
    std::vector<int> seen_;
};

struct Rig {
    explicit Rig(const QStringList& mouseArgs = {}, const QString& code = QString(),
                 int queueMs = Hid_Thread::kQueueWaitMs);
    // Points the process's HID seam at this rig's mouse (done on construction).
    void route();
    void discover(const QString& registry = QStringLiteral(":/DevInfo.ini"));
    // Accepted, listener stopped, log, pauses and debug lines cleared: only what the test
    // sends next crosses the link.
    bool acceptQuietly(const QString& registry = QStringLiteral(":/DevInfo.ini"));
    // Waits until every queued transfer has ended and takes what it signalled.
    bool waitFree();

    testsupport::VirtualMouse mouse;
    QTemporaryDir dir;
    Pauses pauses;
    QSettings apConfig{dir.filePath("apConfig.bin"), QSettings::IniFormat};
    std::unique_ptr<Hid_Thread> hid = std::make_unique<Hid_Thread>();
    QSignalSpy runs{hid.get(), &Hid_Thread::runRequested};
    QSignalSpy views{hid.get(), &Hid_Thread::viewEnabledRequested};
    QSignalSpy balloons{hid.get(), &Hid_Thread::balloonRequested};
    QSignalSpy hides{hid.get(), &Hid_Thread::windowHideRequested};
};

// The shipped registry with encryption switched on, written into `dir`.
QString encryptedRegistry(const QTemporaryDir& dir);

} // namespace devicetest
