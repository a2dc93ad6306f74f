// The mouse as the programs know it: its USB ids in normal and in boot-loader mode and the
// HID interfaces each mode offers. Declared once here; the compiled-in device registry,
// the udev rule and the boot-loader protocol are checked against these values.
#pragma once

#include <cstdint>

namespace deviceids {

struct Interface {
    std::uint16_t usagePage;
    std::uint16_t usage;
};

struct Device {
    std::uint16_t vendorId;
    std::uint16_t productId;
    Interface command; // feature reports, bulk data
    Interface notify;  // DPI-stage notifications; {0, 0} when the mode has none
    int reportLength;  // bytes of a bulk report after the report id
};

// Normal mode: the command interface takes 9-byte feature reports and 33-byte bulk
// reports; the notification interface reports DPI-stage changes.
inline constexpr Device kMouse{0x04D9, 0xA26B, {0xFF00, 0xFF00}, {0xFF01, 0xFF01}, 32};

// Boot-loader mode: one interface of 64-byte reports.
inline constexpr Device kBootLoader{0x04D9, 0x8022, {0xFF00, 0x0020}, {0, 0}, 64};

} // namespace deviceids
