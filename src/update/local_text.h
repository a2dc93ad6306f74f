// Texts in the local 8-bit encoding, which the updater sets to GB18030 at start-up (the
// window title in data.bin is written in it).
#pragma once

#include <QByteArray>
#include <QString>

namespace updater {

// Chooses the encoding by name. "GB18030-0" is taken as GB18030. An unknown name keeps
// the system's local 8-bit encoding; returns whether the name was known.
bool setLocal8BitEncoding(const QByteArray& name);

QString fromLocal8Bit(const QByteArray& bytes);
QByteArray toLocal8Bit(const QString& text);

} // namespace updater
