#include "device/no_mouse_reason.h"

#include <QByteArray>

#include <cerrno>
#include <unistd.h>

namespace {

// hidapi leaves open(2)'s errno; a real node is also asked directly, in case the library
// overwrote it while reporting the failure.
bool deniedOpening(const char* path, int error) {
    if (error == EACCES || error == EPERM)
        return true;
    return path[0] == '/' && ::access(path, R_OK | W_OK) != 0 &&
           (errno == EACCES || errno == EPERM);
}

} // namespace

NoMouseReason diagnoseNoMouse(const hidseam::Api& api, const QList<RegistryRecord>& records) {
    bool listed = false;
    bool opened = false;
    bool denied = false;
    for (const RegistryRecord& r : records) {
        hid_device_info* devices = api.enumerate(r.vid, r.pid);
        for (hid_device_info* d = devices; d; d = d->next) {
            if (d->usage_page != r.usagePage || d->usage != r.usage || !d->path)
                continue;
            listed = true;
            errno = 0;
            if (hid_device* handle = api.open_path(d->path)) {
                api.close(handle);
                opened = true;
            } else if (deniedOpening(d->path, errno)) {
                denied = true;
            }
        }
        api.free_enumeration(devices);
    }
    if (!listed)
        return NoMouseReason::NotPlugged;
    if (denied && !opened)
        return NoMouseReason::NoAccess;
    return NoMouseReason::Refused;
}

QString noMouseTitle(NoMouseReason reason) {
    switch (reason) {
    case NoMouseReason::NotPlugged:
        return QStringLiteral("No mouse found");
    case NoMouseReason::NoAccess:
        return QStringLiteral("No access to the mouse");
    case NoMouseReason::Refused:
        return QStringLiteral("The mouse did not answer");
    }
    return QString();
}

QString noMouseText(NoMouseReason reason) {
    switch (reason) {
    case NoMouseReason::NotPlugged:
        return QStringLiteral("No mouse is plugged in. Plug it in: its settings open as soon "
                              "as it is found.");
    case NoMouseReason::NoAccess:
        return QStringLiteral("A mouse is plugged in, but you may not open its device node. "
                              "Install the udev rule 70-mouse-suite.rules (README, section "
                              "\"Using a real mouse\") and plug the mouse in again.");
    case NoMouseReason::Refused:
        return QStringLiteral("A mouse is plugged in but refused the handshake. Plug it in "
                              "again; if it keeps refusing, it is not a mouse this program "
                              "can set up.");
    }
    return QString();
}
