#include "model/led_steps_qml.h"

#include "model/led_steps.h"

namespace model {

QVariantMap LedStepsQml::command(int effect, int slider) const {
    const LedCommand c = ledCommand(effect, slider);
    return {{QStringLiteral("effect"), c.effect},
            {QStringLiteral("option1"), c.option1},
            {QStringLiteral("option2"), c.option2}};
}

} // namespace model
