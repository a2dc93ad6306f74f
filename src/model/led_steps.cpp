#include "model/led_steps.h"

#include <algorithm>
#include <array>

namespace model {

namespace {

// Option 1 by slider position: static's brightness (position 0 does not use it: that is
// off), and neon's and finger tapping's speed. Breath's speed runs the other way, 5..1.
constexpr std::array<int, kLedSteps> kStaticLevels{0, 2, 4, 6, 10};
constexpr std::array<int, kLedSteps> kCycleSpeeds{6, 12, 18, 24, 30};
constexpr int kOption2 = 2;

} // namespace

LedCommand ledCommand(int effect, int slider) {
    const auto step = std::size_t(std::clamp(slider, 0, kLedSteps - 1));
    switch (effect) {
    case kLedStatic:
        if (step == 0)
            return {kLedOff, 0, 0};
        return {kLedStatic, kStaticLevels[step], kOption2};
    case kLedBreath:
        return {kLedBreath, kLedSteps - int(step), kOption2};
    case kLedNeon:
        return {kLedNeon, kCycleSpeeds[step], kOption2};
    default:
        return {kLedFingerTapping, kCycleSpeeds[step], kOption2};
    }
}

} // namespace model
