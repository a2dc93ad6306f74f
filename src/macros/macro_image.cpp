#include "macros/macro_image.h"

#include <QVariant>

#include <algorithm>

namespace {

// A second byte of 1..3 after a zero byte marks a pause: the text encoder's long pause
// (00 01) or the editor's scale pair (00 scale). Key codes start at 4.
bool isPauseHead(uchar first, uchar second) {
    return first == 0 && second >= 1 && second <= 3;
}

// Length of the record at pos: 0 for the end mark. A record that would run past the image
// still reports its full length; the caller notices.
int recordLength(const QList<uchar>& image, qsizetype pos) {
    if (pos + 1 >= image.size())
        return 2;
    const uchar first = image[pos];
    const uchar second = image[pos + 1];
    if (first == 0 && second == 0)
        return 0;
    if (isPauseHead(first, second))
        return 4;
    if (second == 0x01)
        return 2; // short pause; 01 is never a key code
    // An action without pause bits is followed by the editor's delay pairs, which belong to
    // it: the device reads them as part of the action.
    if ((first & 0x7F) == 0 && pos + 3 < image.size() &&
        isPauseHead(image[pos + 2], image[pos + 3]))
        return 6;
    return 2;
}

} // namespace

QList<uchar> fitMacroImage(const QList<uchar>& image, int bufferSize) {
    if (bufferSize < 4 || image.size() < 2)
        return image.first(std::clamp<qsizetype>(bufferSize, 0, image.size()));

    QList<uchar> fitted = image.first(2);
    qsizetype pos = 2;
    while (pos < image.size()) {
        const int length = recordLength(image, pos);
        if (length == 0 || pos + length > image.size() || pos + length + 2 > bufferSize)
            break;
        fitted.append(image.mid(pos, length));
        pos += length;
    }
    fitted << 0x00 << 0x00;
    return fitted;
}

QByteArray macroTransferBlock(const QList<uchar>& image, int bufferSize) {
    QByteArray block(std::max(bufferSize, 0), '\0');
    const QList<uchar> fitted = fitMacroImage(image, bufferSize);
    std::copy(fitted.cbegin(), fitted.cend(), block.begin());
    return block;
}

QList<uchar> withLoopCount(QList<uchar> image, quint16 loops) {
    while (image.size() < 2)
        image.append(0);
    image[0] = uchar(loops >> 8);
    image[1] = uchar(loops & 0xFF);
    return image;
}

QList<uchar> imageFromVariantList(const QVariantList& values) {
    QList<uchar> image;
    image.reserve(values.size());
    for (const QVariant& value : values)
        image.append(uchar(value.toInt() & 0xFF));
    return image;
}
