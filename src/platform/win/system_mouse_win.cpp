// Windows' own mouse settings through SystemParametersInfoW. Free of Qt: it builds with the
// Windows SDK alone.
#ifdef _WIN32

#include "platform/system_mouse.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

// The actions by number, as the settings store's table has them.
constexpr UINT kGetMouse = 3;              // SPI_GETMOUSE
constexpr UINT kSetMouse = 4;              // SPI_SETMOUSE
constexpr UINT kSetDoubleClickTime = 32;   // SPI_SETDOUBLECLICKTIME
constexpr UINT kSetWheelScrollLines = 105; // SPI_SETWHEELSCROLLLINES
constexpr UINT kGetMouseSpeed = 112;       // SPI_GETMOUSESPEED
constexpr UINT kSetMouseSpeed = 113;       // SPI_SETMOUSESPEED
static_assert(kGetMouse == SPI_GETMOUSE && kSetMouse == SPI_SETMOUSE &&
              kSetDoubleClickTime == SPI_SETDOUBLECLICKTIME &&
              kSetWheelScrollLines == SPI_SETWHEELSCROLLLINES &&
              kGetMouseSpeed == SPI_GETMOUSESPEED && kSetMouseSpeed == SPI_SETMOUSESPEED);

// Store in the user profile and tell every top-level window (3).
constexpr UINT kUpdateFlags = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;

class SystemMouseWin : public SystemMouse {
  public:
    bool setPointerSpeed(unsigned speed) override {
        // The speed travels in pvParam itself, not behind a pointer.
        return report(Setting::PointerSpeed,
                      SystemParametersInfoW(kSetMouseSpeed, 0,
                                            reinterpret_cast<PVOID>(static_cast<UINT_PTR>(speed)),
                                            kUpdateFlags) != FALSE);
    }

    bool getPointerSpeed(unsigned& speed) override {
        int value = 0;
        if (SystemParametersInfoW(kGetMouseSpeed, 0, &value, 0) == FALSE)
            return false;
        speed = static_cast<unsigned>(value);
        return true;
    }

    bool getMouseThresholds(Thresholds& thresholds) override {
        int values[3] = {0, 0, 0};
        if (SystemParametersInfoW(kGetMouse, 0, values, 0) == FALSE)
            return false;
        thresholds = {values[0], values[1], values[2]};
        return true;
    }

    bool setMouseThresholds(const Thresholds& thresholds) override {
        int values[3] = {thresholds[0], thresholds[1], thresholds[2]};
        return report(Setting::Acceleration,
                      SystemParametersInfoW(kSetMouse, 0, values, kUpdateFlags) != FALSE);
    }

    bool setWheelScrollLines(unsigned lines) override {
        return report(Setting::WheelScrollLines,
                      SystemParametersInfoW(kSetWheelScrollLines, lines, nullptr, kUpdateFlags) !=
                          FALSE);
    }

    bool setDoubleClickTime(unsigned milliseconds) override {
        return report(Setting::DoubleClickTime,
                      SystemParametersInfoW(kSetDoubleClickTime, milliseconds, nullptr,
                                            kUpdateFlags) != FALSE);
    }
};

} // namespace

std::unique_ptr<SystemMouse> createSystemMouse() {
    return std::make_unique<SystemMouseWin>();
}

#endif // _WIN32
