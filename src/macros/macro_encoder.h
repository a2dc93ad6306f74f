#pragma once

#include <QList>
#include <QStringList>

#include <functional>

// The text-entry encoder: turns a macro written as tagged entries into a macro image
// (macro_image.h). Each entry is a key name or a number followed by a ten-character tag:
//   "    [Down]"  press of the named key or button
//   "      [Up]"  release
//   "   [Delay]"  pause of that many milliseconds
// Entries with another tag, unknown names and pauses that are not a positive number
// produce nothing; the encoder never fails and sets no length limit (callers cut the
// image to their buffer with fitMacroImage).
class MacroEncoder {
  public:
    // `deviceIndex` tells the connected registry entry at each call; without it the index
    // counts as 0.
    explicit MacroEncoder(std::function<int()> deviceIndex = {});

    QList<uchar> macroIncode(const QStringList& macros) const;

    // The encoder itself, for a given device index: devices at registry index 2 and above
    // take no pauses.
    static QList<uchar> encode(const QStringList& macros, int deviceIndex);

  private:
    std::function<int()> deviceIndex_;
};
