// The DPI values the sensor knows and the codes the mouse takes for them, and which of
// the eight stages the DPI button steps through.
#pragma once

#include <QList>

#include <array>

namespace model {

constexpr std::array<int, 12> kDpiValues{250,  500,  750,  1000, 1250, 1500,
                                         1750, 2000, 2500, 3000, 3500, 4000};
constexpr std::array<int, 12> kDpiCodes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
                                        0x07, 0x08, 0x45, 0x46, 0x47, 0x48};
// The code of a stage the DPI button skips.
constexpr int kDpiStageOff = 0x80;
// Stages the DPI button can step to; the others are always sent as off.
constexpr int kSteppedStages = 4;
constexpr int kDpiStages = 8;

// The code of the first value not below `dpi`; above the table, the last code.
int dpiCode(int dpi);
// The value the mouse runs for `dpi`: that of dpiCode(dpi).
int runningDpi(int dpi);
// The known value nearest to `dpi` (the lower of two as near): where a slider lands.
int nearestDpi(int dpi);

// The eight codes sent for the stages' values and ticks (missing ones count as 250 DPI
// and unticked).
QList<int> dpiStageCodes(const QList<int>& values, const QList<bool>& ticked);

} // namespace model
