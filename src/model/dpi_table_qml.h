// The DPI table as the pages reach it (DpiTable in MouseSuite.Model).
#pragma once

#include <QObject>
#include <QVariantList>

namespace model {

class DpiTableQml : public QObject {
    Q_OBJECT
    // The DPI values the sensor knows, lowest first.
    Q_PROPERTY(QVariantList values READ values CONSTANT)
  public:
    using QObject::QObject;

    QVariantList values() const;
    // The stages the DPI button steps through; the others are always off.
    Q_PROPERTY(int steppedStages READ steppedStages CONSTANT)
    Q_INVOKABLE int codeOf(int dpi) const;
    // The value the mouse runs for a stored one, and the value a slider position lands on.
    Q_INVOKABLE int running(int dpi) const;
    Q_INVOKABLE int nearest(int dpi) const;
    int steppedStages() const;
    // The eight stage codes for the stages' values and ticks.
    Q_INVOKABLE QVariantList codes(const QVariantList& values, const QVariantList& ticked) const;
};

} // namespace model
