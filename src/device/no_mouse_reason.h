// Why no mouse was accepted, told to the user instead of an empty screen: nothing is
// plugged in, a mouse is there but this user may not open its device node (the udev rule
// is missing), or the mouse did not pass the handshake.
#pragma once

#include "device/device_registry.h"
#include "platform/hid/hid_seam.h"

#include <QString>

enum class NoMouseReason { NotPlugged, NoAccess, Refused };

// Looks at the command interfaces of the registry's devices: listed at all, and whether
// they open. Opening is tried once and closed again.
NoMouseReason diagnoseNoMouse(const hidseam::Api& api, const QList<RegistryRecord>& records);

// What the tray says: the balloon's title and a sentence or two for tool tip and balloon.
QString noMouseTitle(NoMouseReason reason);
QString noMouseText(NoMouseReason reason);
