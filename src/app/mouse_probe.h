// Looks for the mouse among the HID devices.
#pragma once

#include "hid_seam.h"

namespace app {

inline constexpr unsigned short kMouseVendorId = 0x04d9;
inline constexpr unsigned short kMouseProductId = 0xa26b;

// True when `hid` lists at least one interface of the mouse in normal mode.
bool mousePresent(const hidseam::Api& hid);

} // namespace app
