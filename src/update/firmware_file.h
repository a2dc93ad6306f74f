// The firmware file "./data.bin": a 120-byte header (the window title, or the title
// marker) followed by the payload: the normal-mode USB IDs of the mouse, the image length,
// its expected checksum, two scramble keys and the scrambled image. All fields are
// big-endian.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>

namespace updater {

struct FirmwareFile {
    static constexpr int kHeaderSize = 120;
    // Payload bytes 0..147455; nothing larger is taken.
    static constexpr int kPayloadArea = 147456;
    // Payload bytes 0..10 are the fields, the image follows.
    static constexpr int kImageOffset = 11;
    static constexpr std::array<quint8, 5> kTitleMarker = {0x55, 0xaa, 0x99, 0x88, 0x77};
    // What the payload area holds before the file is read; a payload that still starts
    // with its first five bytes counts as none.
    static constexpr std::array<quint8, 8> kPayloadFill = {0xaa, 0x55, 0xcc, 0x33,
                                                           0xdd, 0x66, 0xbb, 0x22};

    QString title; // "Update" for the marker, else the header text
    bool hasPayload = false;
    bool oversize = false; // the file holds more than the payload area
    quint16 vendorId = 0;
    quint16 productId = 0;
    quint32 imageLength = 0; // L
    quint16 checksum = 0;    // expected GetChksum(1) of the image
    quint8 k0 = 0;
    quint8 k1 = 0;
    // The file holds all L image bytes (inside the payload area).
    bool imageComplete = false;
    QByteArray image; // descrambled; empty unless complete

    static FirmwareFile parse(const QByteArray& content);

    // The four-byte XOR pattern: k0, k1, c and NOT c with c = (k0 AND 0xAA) OR (k1 AND 0x55).
    static std::array<quint8, 4> scramblePattern(quint8 k0, quint8 k1);
    // XORs `data` with the pattern in place; applying it twice gives the data back.
    static void scramble(QByteArray& data, quint8 k0, quint8 k1);

    // A whole file. `title` is written as it stands (local 8-bit bytes, at most 119), an
    // empty one as the title marker.
    static QByteArray compose(const QByteArray& title, quint16 vendorId, quint16 productId,
                              const QByteArray& image, quint16 checksum, quint8 k0, quint8 k1);
};

} // namespace updater
