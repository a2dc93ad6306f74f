#include "mouse_probe.h"

namespace app {

bool mousePresent(const hidseam::Api& hid) {
    hid_device_info* devices = hid.enumerate(kMouseVendorId, kMouseProductId);
    bool found = false;
    for (const hid_device_info* d = devices; d != nullptr; d = d->next) {
        if (d->vendor_id == kMouseVendorId && d->product_id == kMouseProductId) {
            found = true;
            break;
        }
    }
    if (devices != nullptr) {
        hid.free_enumeration(devices);
    }
    return found;
}

} // namespace app
