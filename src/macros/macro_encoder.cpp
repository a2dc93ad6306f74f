#include "macros/macro_encoder.h"

#include <utility>

#include "macros/key_names.h"

#include <algorithm>

namespace {

constexpr qsizetype kTagLength = 10;
const QString kPressTag = QStringLiteral("    [Down]");
const QString kReleaseTag = QStringLiteral("      [Up]");
const QString kPauseTag = QStringLiteral("   [Delay]");

constexpr int kLongestFoldedPauseMs = 1270; // 127 units of 10 ms in the control byte
constexpr int kLongestShortPauseMs = 5100;  // 255 units of 20 ms in a short pause record
constexpr qint64 kLongestLongPauseUnits = 0xFFFF;

QString tagOf(const QString& entry) {
    return entry.size() >= kTagLength ? entry.right(kTagLength) : QString();
}

void appendLongPause(QList<uchar>& image, qint64 units) {
    // A pause beyond one record's 16-bit count continues in further records rather than
    // wrapping around to a short one.
    while (units > 0) {
        const qint64 part = std::min(units, kLongestLongPauseUnits);
        image << 0x00 << 0x01 << uchar(part >> 8) << uchar(part & 0xFF);
        units -= part;
    }
}

} // namespace

MacroEncoder::MacroEncoder(std::function<int()> deviceIndex)
    : deviceIndex_(std::move(deviceIndex)) {}

QList<uchar> MacroEncoder::macroIncode(const QStringList& macros) const {
    return encode(macros, deviceIndex_ ? deviceIndex_() : 0);
}

QList<uchar> MacroEncoder::encode(const QStringList& macros, int deviceIndex) {
    QList<uchar> image{0x00, 0x01};
    // Whether the image ends with an action pair, the only record a pause may fold into.
    // After an entry that wrote nothing the image may end with the loop count or a pause
    // record, whose bytes a fold would corrupt.
    bool endsWithAction = false;

    for (qsizetype i = 0; i < macros.size(); ++i) {
        const QString& entry = macros.at(i);
        const QString tag = tagOf(entry);
        const QString text = entry.left(entry.size() - kTagLength);

        if (tag == kPressTag || tag == kReleaseTag) {
            const uchar code = KeyNames::codeOf(text);
            if (code == 0)
                continue;
            image << (tag == kPressTag ? 0x01 : 0x81) << code;
            endsWithAction = true;
        } else if (tag == kPauseTag) {
            const int ms = text.toInt(); // 0 when not a number
            if (ms == 0 || deviceIndex >= 2)
                continue;
            const bool followsPause = i > 0 && tagOf(macros.at(i - 1)) == kPauseTag;
            if (ms <= kLongestFoldedPauseMs && i > 0 && !followsPause && endsWithAction) {
                uchar& control = image[image.size() - 2];
                control = uchar((control & 0x80) | ((std::max(ms, 10) + 5) / 10));
            } else if (ms > kLongestFoldedPauseMs && ms <= kLongestShortPauseMs) {
                image << uchar((ms + 10) / 20) << 0x01;
                endsWithAction = false;
            } else {
                appendLongPause(image, (std::max<qint64>(ms, 20) + 10) / 20);
                endsWithAction = false;
            }
        }
    }

    image << 0x00 << 0x00;
    return image;
}
