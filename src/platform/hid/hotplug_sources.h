// The two hot-plug sources behind hidseam::createHotplugSource.
#pragma once

#include "platform/hid/hid_seam.h"

namespace hidseam {

// libudev's monitor on the hidraw subsystem; paths are the /dev/hidrawN nodes, as
// hidapi's hidraw backend names devices.
HotplugSource* createUdevHotplug(QObject* parent);

// The virtual mouse's plug events, from a watching connection to its daemon.
HotplugSource* createVirtualHotplug(const QString& socketPath, QObject* parent);

} // namespace hidseam
