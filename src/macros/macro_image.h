#pragma once

#include <QByteArray>
#include <QList>
#include <QVariantList>

// A macro image is what one macro slot of the mouse receives: the loop count (16 bits, high
// byte first), records, and the end mark 00 00. Records, as both encoders write them:
//   action pair        control, key code    control bit 7 = release, bits 0-6 = pause (10 ms)
//   short pause        count, 01            count of 20 ms units
//   long pause         00 01 high low       count of 20 ms units
//   editor's delay     action with no pause bits, then 00 scale, high low
// The device plays records until the end mark, so an image must never be cut inside a
// record nor lose its end mark.

constexpr int kMouseMacroBufferSize = 128;
constexpr int kKeyboardMacroBufferSize = 192;

// The image as it fits a transfer buffer of bufferSize bytes: the loop count, the whole
// records that fit before the image's end mark while leaving room for one, then 00 00.
// Anything after the end mark and a record cut short at the end of the image are dropped.
// Buffers under four bytes, or images without a loop count, get the first bytes as they are.
QList<uchar> fitMacroImage(const QList<uchar>& image, int bufferSize);

// A zero-filled block of bufferSize bytes starting with the fitted image.
QByteArray macroTransferBlock(const QList<uchar>& image, int bufferSize);

// The image with its loop count replaced (high byte first); an image shorter than the loop
// count is padded with zeros first.
QList<uchar> withLoopCount(QList<uchar> image, quint16 loops);

// The low eight bits of every element, as the pages hand macro bytes over.
QList<uchar> imageFromVariantList(const QVariantList& values);
