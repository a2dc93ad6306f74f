// The lighting steps as the pages reach them (LedSteps in MouseSuite.Model).
#pragma once

#include <QObject>
#include <QVariantMap>

namespace model {

class LedStepsQml : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // model::ledCommand as { effect, option1, option2 }.
    Q_INVOKABLE QVariantMap command(int effect, int slider) const;
};

} // namespace model
