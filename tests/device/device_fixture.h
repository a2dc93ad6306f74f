// What the device-link tests share: a Hid_Thread wired to a fresh virtual mouse and a
// real application configuration file, and the debug lines the link writes.
#pragma once

#include "hid_seam.h"
#include "hid_thread.h"
#include "link_state.h"
#include "virtual_mouse_fixture.h"

#include <QMutex>
#include <QSettings>
#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace devicetest {

using testsupport::DebugLines;

// Points the process's HID seam at `mouse` (the seam picks the virtual client once, from
// the environment; the client then follows the socket it is given).
void routeSeamTo(const testsupport::VirtualMouse& mouse);

struct Rig {
    explicit Rig(const QStringList& mouseArgs = {}, const QString& code = QString());
    ~Rig();

    // Discovery with the shipped registry, then the handshake.
    void discover() { hid->discover(); }
    // Waits until every queued transfer has ended.
    bool waitFree(int ms = 5000);

    testsupport::VirtualMouse mouse;
    QTemporaryDir dir;
    std::unique_ptr<QSettings> apConfig;
    std::unique_ptr<Hid_Thread> hid;
    std::unique_ptr<QSignalSpy> runs, views, balloons, hides;
};

} // namespace devicetest
