// Small conversions shared by the stores: list values as the pages expect them, keys built
// from page arguments, and paths below the modules folder.
#pragma once

#include <QString>
#include <QVariant>

// Upper bound for lengths read from a file ("total" keys). The real lists hold a few dozen
// entries; a corrupt or hostile count must not make a read allocate gigabytes.
inline constexpr int kMaxStoredListEntries = 4096;

// The modules folder joined with a relative path ("setting/p1.bin").
QString modulePath(const QString& modulesRoot, const QString& relative);

// A stored list as a QVariantList. An absent key gives an empty list; a list read back in
// a fresh process (a QStringList) gives its texts; a single scalar, as a hand-edited file
// or a one-value list written by another program holds it, gives a one-element list
// (QVariant would otherwise iterate a text character by character). Empty text counts
// as an empty list.
QVariantList listValue(const QVariant& stored);

// `group` followed by `id` in decimal ("keydefine_Q7/" + 3). False when `id` is not a whole
// number: a text such as "1/2" would otherwise address another group of the file.
bool decimalKey(const QString& group, const QVariant& id, QString* key);

// A stored value as display text. An unquoted text with commas ("Hello, world") comes
// back from an INI file as a list; it is joined again with ", " instead of turning into
// an empty text.
QString textValue(const QVariant& stored);
