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
    Q_INVOKABLE int codeOf(int dpi) const;
    // The eight stage codes for the stages' values and ticks.
    Q_INVOKABLE QVariantList codes(const QVariantList& values, const QVariantList& ticked) const;
};

} // namespace model
