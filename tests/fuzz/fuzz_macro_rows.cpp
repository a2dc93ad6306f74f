// The macro editor's rows, as a user may leave them, make an image the mouse can play:
// the loop count first, one pair per action in order, long pauses only as whole records
// with a scale the mouse knows, the end mark last, and a count the editor can trust.
// Input: two loop-count bytes, then three bytes a row (kind, two bytes of name or pause).
#include "macros/key_names.h"
#include "macros/macro_image.h"
#include "model/macro_rows.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const auto loops = quint16(data[0] << 8 | data[1]);
    QList<model::MacroRow> rows;
    int actions = 0;
    for (std::size_t at = 2; at + 3 <= size; at += 3) {
        const int type = data[at] % 7; // kinds 5 and 6 are no kind at all
        const int value = data[at + 1] << 8 | data[at + 2];
        QString info;
        if (type == 0)
            info = data[at] & 0x80 ? QString::number(value / 7.0) : QString::number(value - 100);
        else
            info = data[at] & 0x80
                       ? QString::fromLatin1(reinterpret_cast<const char*>(data + at + 1), 2)
                       : KeyNames::nameOf(data[at + 2]);
        const model::MacroRow row{type, info};
        rows.append(row);
        actions += model::actionCode(row) >= 0 ? 1 : 0;
    }
    const QList<uchar> image = model::encodeRows(rows, loops);
    if (image.size() < 2 || quint16(image[0] << 8 | image[1]) != loops)
        std::abort();
    if (actions == 0) {
        if (image.size() != 2)
            std::abort();
        return 0;
    }
    if (image.size() < 6 || image[image.size() - 2] != 0 || image[image.size() - 1] != 0)
        std::abort();
    // Walk the records: every action a pair; a pair with no pause bits is followed by a
    // pause record 00 scale high low; the end mark comes right after the last record.
    int pairs = 0;
    qsizetype pos = 2;
    while (pos < image.size() - 2) {
        const uchar control = image[pos];
        pos += 2;
        ++pairs;
        if ((control & 0x7F) == 0) {
            if (pos + 4 > image.size() - 2 || image[pos] != 0 || image[pos + 1] < 1 ||
                image[pos + 1] > 3)
                std::abort();
            pos += 4;
        }
    }
    if (pos != image.size() - 2 || pairs != actions)
        std::abort();
    // The editor's count is the image's length, and a fitting image goes out whole.
    if (image.size() <= kMouseMacroBufferSize &&
        fitMacroImage(image, kMouseMacroBufferSize) != image)
        std::abort();
    return 0;
}
