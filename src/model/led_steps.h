// The lighting panel's effect and five-step slider as the mouse takes them: the effect,
// option 1 (brightness or speed) and option 2.
#pragma once

namespace model {

enum LedEffect : int {
    kLedOff = 0,
    kLedStatic = 1,
    kLedBreath = 2,
    kLedNeon = 3,
    kLedFingerTapping = 4,
};
// Slider positions 0..kLedSteps-1.
constexpr int kLedSteps = 5;

struct LedCommand {
    int effect = kLedOff;
    int option1 = 0;
    int option2 = 0;
    friend bool operator==(const LedCommand&, const LedCommand&) = default;
};

// The command for `effect` at slider position `slider`. Static at position 0 is lighting
// off (effect, option 1 and option 2 all 0). Option 2 is otherwise always 2. A slider
// outside 0..4 counts as the nearer end; an effect other than 1..3 is sent as finger
// tapping, the effect the panel shows for a stored one it does not know.
LedCommand ledCommand(int effect, int slider);

} // namespace model
