#include "platform/hid/hid_seam.h"

#include "client/vmouse_client.h"

#include <cstdlib>

namespace hidseam {
namespace {

const Api hidapiFunctions = {
    "hidapi",
    hid_enumerate,
    hid_free_enumeration,
    hid_open_path,
    hid_set_nonblocking,
    hid_close,
    hid_send_feature_report,
    hid_get_feature_report,
    hid_write,
    hid_read,
    hid_read_timeout,
};

const Api virtualFunctions = {
    "virtual-mouse",
    vmouse::client::enumerate,
    vmouse::client::freeEnumeration,
    vmouse::client::openPath,
    vmouse::client::setNonblocking,
    vmouse::client::close,
    vmouse::client::sendFeatureReport,
    vmouse::client::getFeatureReport,
    vmouse::client::write,
    vmouse::client::read,
    vmouse::client::readTimeout,
};

} // namespace

const Api& apiFor(const char* socketPath) {
    if (socketPath && *socketPath) {
        vmouse::client::setSocketPath(socketPath);
        return virtualFunctions;
    }
    return hidapiFunctions;
}

const Api& api() {
    static const Api& chosen = apiFor(std::getenv("VIRTUAL_MOUSE_SOCKET"));
    return chosen;
}

QString virtualMouseSocket() {
    return &api() == &virtualFunctions ? QString::fromStdString(vmouse::client::socketPath())
                                       : QString();
}

QString deviceKey() {
    const QString socket = virtualMouseSocket();
    return socket.isEmpty() ? QStringLiteral("hidapi") : QStringLiteral("virtual-mouse:") + socket;
}

} // namespace hidseam
