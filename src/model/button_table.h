// The mouse's button table: sixteen entries of four bytes (kind, then bytes 1 to 3), of
// which the first six are the buttons the user can change. A macro entry is 09, play mode,
// slot, 00; the mouse and the profile count its slot from 1, the pages from 0, so a slot
// is lowered by one on reading and raised by one on sending.
#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

#include <array>

namespace model {

// kind, b1, b2, b3 as the pages hold them (a macro's slot from 0, -1 for a stored 0).
using ButtonEntry = std::array<int, 4>;
using ButtonEntries = std::array<ButtonEntry, 16>;

constexpr int kButtonEntries = 16;
constexpr int kShownButtons = 6;
constexpr int kMacroKind = 0x09;

// What each entry does when nothing else is known of it: left, right, middle, forward,
// back, DPI up, DPI down, eight unassigned and the two kind-4 entries.
const ButtonEntries& factoryButtons();
// The same as "kkbbbbbb" hex codes, as the key menu names assignments.
QString entryCode(const ButtonEntry& entry);
ButtonEntry entryOfCode(const QString& code);

bool isLeftButton(const ButtonEntry& entry);
// Left-button assignments among the buttons the user can change.
int leftButtons(const ButtonEntries& entries);

// An entry as the profile stores it (four decimal texts, a macro's slot from 1) for the
// pages; anything else is the factory entry of `button`.
ButtonEntry entryFromStored(const QVariantList& stored, int button);

// Replaces shown entry `index`. Refused (false, nothing changed): an index outside the
// shown buttons, a byte out of range (a macro's slot may be -1 to 254), or taking away the
// last left button, so that the mouse always keeps a button that clicks.
bool replaceEntry(ButtonEntries& entries, int index, const ButtonEntry& entry);

// The 64 values the mouse and the profile get (a macro's slot from 1 again).
QList<int> wireValues(const ButtonEntries& entries);

} // namespace model
