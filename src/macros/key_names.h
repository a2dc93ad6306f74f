#pragma once

#include <QList>
#include <QMap>
#include <QString>

// The host's key-name table: the short texts by which macro entries, macro files and the
// pages name keyboard keys and mouse buttons, each tied to a one-byte key code (HID
// keyboard usages 0x04..0xE7, mouse buttons 0xF0..0xF4). Built once, read-only after.
class KeyNames {
  public:
    struct Row {
        uchar code;
        QString name;
    };

    // Code of a name, exact text; 0 (no key) for a name not in the table.
    static uchar codeOf(const QString& name);
    // Name of a code; empty for a code without a name.
    static QString nameOf(uchar code);
    // The table as an ordered map from name to code.
    static const QMap<QString, uchar>& table();
    // The rows in code order.
    static const QList<Row>& rows();
};
