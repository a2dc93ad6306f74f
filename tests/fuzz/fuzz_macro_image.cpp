// Macro images come from the pages and from macro files; fitting one into a transfer
// buffer must never cut a record or lose the end mark. Input: a buffer size byte, then the
// image.
#include "macros/macro_image.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const int bufferSize = int(data[0]) - 8; // a few invalid sizes below zero too
    const QList<uchar> image(data + 1, data + size);

    const QList<uchar> fitted = fitMacroImage(image, bufferSize);
    if (fitted.size() > std::max(bufferSize, 0))
        std::abort();
    if (bufferSize >= 4 && image.size() >= 2) {
        // Loop count kept, the end mark last, and every byte before it a prefix of the image.
        if (fitted.size() < 4 || fitted[0] != image[0] || fitted[1] != image[1] ||
            fitted[fitted.size() - 2] != 0 || fitted[fitted.size() - 1] != 0 ||
            fitted.first(fitted.size() - 2) != image.first(fitted.size() - 2))
            std::abort();
        // Fitting what was fitted changes nothing.
        if (fitMacroImage(fitted, bufferSize) != fitted)
            std::abort();
    }
    const QByteArray block = macroTransferBlock(image, bufferSize);
    if (block.size() != std::max(bufferSize, 0))
        std::abort();

    const quint16 loops = image.size() >= 2 ? quint16(image[0] << 8 | image[1]) : 0;
    const QList<uchar> relooped = withLoopCount(image, quint16(loops + 1));
    if (relooped.size() != std::max<qsizetype>(image.size(), 2) ||
        quint16(relooped[0] << 8 | relooped[1]) != quint16(loops + 1))
        std::abort();
    return 0;
}
