#include "model/dpi_table_qml.h"

#include "model/dpi_table.h"

namespace model {

QVariantList DpiTableQml::values() const {
    QVariantList out;
    for (int v : kDpiValues)
        out << v;
    return out;
}

int DpiTableQml::codeOf(int dpi) const {
    return dpiCode(dpi);
}

int DpiTableQml::running(int dpi) const {
    return runningDpi(dpi);
}

int DpiTableQml::nearest(int dpi) const {
    return nearestDpi(dpi);
}

int DpiTableQml::steppedStages() const {
    return kSteppedStages;
}

QVariantList DpiTableQml::codes(const QVariantList& values, const QVariantList& ticked) const {
    QList<int> v;
    for (const QVariant& value : values)
        v << value.toInt();
    QList<bool> t;
    for (const QVariant& tick : ticked)
        t << tick.toBool();
    QVariantList out;
    for (int code : dpiStageCodes(v, t))
        out << code;
    return out;
}

} // namespace model
