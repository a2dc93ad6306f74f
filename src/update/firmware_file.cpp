#include "update/firmware_file.h"

#include "update/local_text.h"

#include <algorithm>

namespace updater {
namespace {

quint32 bigEndian(const QByteArray& b, int at, int width) {
    quint32 v = 0;
    for (int i = 0; i < width; ++i)
        v = (v << 8) | static_cast<quint8>(b[at + i]);
    return v;
}

void putBigEndian(QByteArray& b, quint32 v, int width) {
    for (int i = width - 1; i >= 0; --i)
        b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Both the title marker and the payload's "no payload" mark are five bytes long.
bool startsWithFive(const QByteArray& b, const quint8* mark) {
    return b.size() >= 5 &&
           std::equal(mark, mark + 5, reinterpret_cast<const quint8*>(b.constData()));
}

} // namespace

FirmwareFile FirmwareFile::parse(const QByteArray& content) {
    FirmwareFile f;

    // The header buffer starts as 55 aa 99 88 77 66 55 44 and zeros: a file shorter than
    // the header keeps the marker.
    QByteArray header(kHeaderSize, '\0');
    const std::array<quint8, 8> headerFill = {0x55, 0xaa, 0x99, 0x88, 0x77, 0x66, 0x55, 0x44};
    std::copy(headerFill.begin(), headerFill.end(), header.begin());
    const qsizetype headerRead = std::min<qsizetype>(content.size(), kHeaderSize);
    std::copy_n(content.constBegin(), headerRead, header.begin());

    if (startsWithFive(header, kTitleMarker.data())) {
        f.title = QStringLiteral("Update");
    } else {
        const qsizetype end = header.indexOf('\0');
        f.title = fromLocal8Bit(header.left(end < 0 ? kHeaderSize : end));
    }

    QByteArray payload(kPayloadArea, '\0');
    std::copy(kPayloadFill.begin(), kPayloadFill.end(), payload.begin());
    const qsizetype payloadInFile = std::max<qsizetype>(0, content.size() - kHeaderSize);
    f.oversize = payloadInFile > kPayloadArea;
    const qsizetype payloadRead = std::min<qsizetype>(payloadInFile, kPayloadArea);
    std::copy_n(content.constBegin() + headerRead, payloadRead, payload.begin());

    f.hasPayload = !startsWithFive(payload, kPayloadFill.data());
    if (!f.hasPayload)
        return f;
    f.vendorId = static_cast<quint16>(bigEndian(payload, 0, 2));
    f.productId = static_cast<quint16>(bigEndian(payload, 2, 2));
    f.imageLength = bigEndian(payload, 4, 3);
    f.checksum = static_cast<quint16>(bigEndian(payload, 7, 2));
    f.k0 = static_cast<quint8>(payload[9]);
    f.k1 = static_cast<quint8>(payload[10]);
    f.imageComplete = kImageOffset + qsizetype(f.imageLength) <= payloadRead;
    if (f.imageComplete) {
        f.image = payload.mid(kImageOffset, f.imageLength);
        scramble(f.image, f.k0, f.k1);
    }
    return f;
}

std::array<quint8, 4> FirmwareFile::scramblePattern(quint8 k0, quint8 k1) {
    const auto c = static_cast<quint8>((k0 & 0xAA) | (k1 & 0x55));
    return {k0, k1, c, static_cast<quint8>(~c)};
}

void FirmwareFile::scramble(QByteArray& data, quint8 k0, quint8 k1) {
    const auto pattern = scramblePattern(k0, k1);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(static_cast<quint8>(data[i]) ^ pattern[i % 4]);
}

QByteArray FirmwareFile::compose(const QByteArray& title, quint16 vendorId, quint16 productId,
                                 const QByteArray& image, quint16 checksum, quint8 k0, quint8 k1) {
    QByteArray header(kHeaderSize, '\0');
    if (title.isEmpty())
        std::copy(kTitleMarker.begin(), kTitleMarker.end(), header.begin());
    else
        std::copy_n(title.constBegin(), std::min<qsizetype>(title.size(), kHeaderSize - 1),
                    header.begin());
    QByteArray out = header;
    putBigEndian(out, vendorId, 2);
    putBigEndian(out, productId, 2);
    putBigEndian(out, static_cast<quint32>(image.size()), 3);
    putBigEndian(out, checksum, 2);
    out.append(static_cast<char>(k0));
    out.append(static_cast<char>(k1));
    QByteArray scrambled = image;
    scramble(scrambled, k0, k1);
    return out + scrambled;
}

} // namespace updater
