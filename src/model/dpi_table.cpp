#include "model/dpi_table.h"

#include <cstdlib>

namespace model {

int dpiCode(int dpi) {
    for (std::size_t i = 0; i < kDpiValues.size(); ++i)
        if (kDpiValues[i] >= dpi)
            return kDpiCodes[i];
    return kDpiCodes.back();
}

int runningDpi(int dpi) {
    for (int value : kDpiValues)
        if (value >= dpi)
            return value;
    return kDpiValues.back();
}

int nearestDpi(int dpi) {
    int best = kDpiValues.front();
    for (int value : kDpiValues)
        if (std::abs(value - dpi) < std::abs(best - dpi))
            best = value;
    return best;
}

QList<int> dpiStageCodes(const QList<int>& values, const QList<bool>& ticked) {
    QList<int> codes;
    for (int i = 0; i < kDpiStages; ++i) {
        const bool on = i < kSteppedStages && i < ticked.size() && ticked.at(i);
        codes << (on ? dpiCode(i < values.size() ? values.at(i) : kDpiValues.front())
                     : kDpiStageOff);
    }
    return codes;
}

} // namespace model
