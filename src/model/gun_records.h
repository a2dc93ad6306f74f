// Gun records: named auto-fire settings (trigger key, interval, deviation per shot, run
// count) as they are stored, typed in, named and sent to the mouse.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>

namespace model {

struct GunRecord {
    QString name;
    QString key = QStringLiteral("L-Click");
    int period = 10;
    int x = 0;
    int y = 0;
    // 0 runs without a count.
    int times = 0;
    friend bool operator==(const GunRecord&, const GunRecord&) = default;
};

enum class GunField { Period, X, Y, Times };

struct GunFieldRange {
    int low;
    int high;
    // What an empty or unreadable value becomes.
    int empty;
};

GunFieldRange gunFieldRange(GunField field);

// A stored or typed value as a whole number kept to [low, high]: a number, or text holding
// a decimal number (blanks around it, a fraction or an exponent allowed). Halves round up
// (-2.5 to -2, 2.5 to 3). Nothing, "-", other text and infinities give `empty`.
int numberIn(const QVariant& value, int low, int high, int empty);
// numberIn with the field's range.
int clampGunField(GunField field, const QVariant& value);

// The record `name` from what the gun file holds for it: key, period, X, Y, run count in
// that order. A missing or empty key is "L-Click"; the numbers are kept to their fields.
GunRecord gunRecordFromStored(const QString& name, const QVariantList& stored);

// Whether a row may be called `name`: it becomes a key of the gun file and an entry of the
// name list, so it must not be empty, the name list's padding word, or hold a slash or a
// backslash, and no row of `rowNames` other than `exceptRow` may have it.
bool gunNameAllowed(const QString& name, const QStringList& rowNames, int exceptRow);

// The page makes new records while the list holds fewer than this many: past it a list
// becomes unwieldy, and the names Gun0..Gun99 run out.
constexpr int kGunNames = 100;
constexpr int kMaxNewGunRecords = kGunNames;

// The first of "Gun0".."Gun99" that no row has; empty when all are taken or the list
// holds kMaxNewGunRecords rows already.
QString nextFreeGunName(const QStringList& rowNames);

// The gun command's five bytes: 0xF0, the run count, X and Y as 8-bit two's complement,
// 0. The numbers are kept to their fields first.
std::array<int, 5> gunDeviceBytes(int times, int x, int y);

} // namespace model
