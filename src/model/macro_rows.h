// The macro editor's rows and the image they make for a mouse macro slot. A row is what
// the editor lists and the macro file stores as "type,info": 0 a pause (info: milliseconds),
// 1 and 2 a key pressed and released, 3 and 4 a mouse button pressed and released (info:
// the key or button name the pages show).
#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

#include <optional>

namespace model {

struct MacroRow {
    int type = 0;
    QString info;
};

// A stored line "type,info"; nothing for a line without a type digit and a comma.
std::optional<MacroRow> rowFromLine(const QString& line);
// Rows as the pages hand them over: objects with "type" and "info".
QList<MacroRow> rowsFromVariant(const QVariantList& rows);

// The code an action row sends (keyboard usages for keys, 0xF0..0xF4 for mouse buttons);
// -1 for a pause, an unknown name or a name of the other kind.
int actionCode(const MacroRow& row);

// The image: the loop count (high byte first), then for each action its pair (bit 7 of the
// control byte for a release, bits 0-6 the pause after it in 10 ms), and the end mark
// 00 00 after the last action. The pause after an action is the sum of the pause rows up
// to the next action, in milliseconds, rounded once to 10 ms, halves up; pauses before
// the first action have nothing to follow and count for nothing, as do rows that are no
// action. A pause of 127 units or more leaves the control byte's pause at 0 and follows
// as a record 00 scale high low: a count of 20 ms units (scale 1), 50 ms (2) or 100 ms
// (3), the smallest scale whose count fits, held at 65535 beyond the last. Rows without
// any action make the loop count alone.
QList<uchar> encodeRows(const QList<MacroRow>& rows, quint16 loops);

} // namespace model
