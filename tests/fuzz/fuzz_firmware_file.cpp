// The updater reads data.bin as it finds it: any bytes must parse without a fault, and
// what parse reports must agree with the bytes.
#include "update/firmware_file.h"

#include <cstdint>
#include <cstdlib>

using updater::FirmwareFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const FirmwareFile f = FirmwareFile::parse(content);
    if (f.imageComplete) {
        if (!f.hasPayload || f.image.size() != qsizetype(f.imageLength))
            std::abort();
        // The image is the scrambled file bytes after the fields.
        QByteArray raw = f.image;
        FirmwareFile::scramble(raw, f.k0, f.k1);
        if (content.mid(FirmwareFile::kHeaderSize + FirmwareFile::kImageOffset,
                        qsizetype(f.imageLength)) != raw)
            std::abort();
    } else if (!f.image.isEmpty()) {
        std::abort();
    }
    if (f.oversize != (qsizetype(size) > FirmwareFile::kHeaderSize + FirmwareFile::kPayloadArea))
        std::abort();
    return 0;
}
