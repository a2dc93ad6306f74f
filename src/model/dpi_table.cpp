#include "model/dpi_table.h"

namespace model {

int dpiCode(int dpi) {
    for (std::size_t i = 0; i < kDpiValues.size(); ++i)
        if (kDpiValues[i] >= dpi)
            return kDpiCodes[i];
    return kDpiCodes.back();
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
