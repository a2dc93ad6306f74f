#include "model/gun_records.h"

#include "store/name_list_store.h"

#include <algorithm>
#include <cmath>

namespace model {

namespace {

// Text from the gun file or an input; anything but a decimal number is no number.
bool parseNumber(const QVariant& value, double* out) {
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
    case QMetaType::Bool:
        return false;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        *out = value.toDouble();
        return true;
    default:
        break;
    }
    const QString text = value.toString().trimmed();
    if (text.isEmpty() || text == QLatin1String("-"))
        return false;
    bool ok = false;
    *out = text.toDouble(&ok);
    return ok;
}

} // namespace

GunFieldRange gunFieldRange(GunField field) {
    switch (field) {
    case GunField::Period:
        return {0, 255, 10};
    case GunField::X:
    case GunField::Y:
        return {-127, 127, 0};
    case GunField::Times:
        break;
    }
    return {0, 255, 0};
}

int numberIn(const QVariant& value, int low, int high, int empty) {
    double n = 0;
    if (!parseNumber(value, &n) || !std::isfinite(n))
        return empty;
    return int(std::clamp(std::floor(n + 0.5), double(low), double(high)));
}

int clampGunField(GunField field, const QVariant& value) {
    const GunFieldRange r = gunFieldRange(field);
    return numberIn(value, r.low, r.high, r.empty);
}

GunRecord gunRecordFromStored(const QString& name, const QVariantList& stored) {
    GunRecord record;
    record.name = name;
    const QString key = stored.value(0).toString();
    if (!key.isEmpty())
        record.key = key;
    record.period = clampGunField(GunField::Period, stored.value(1));
    record.x = clampGunField(GunField::X, stored.value(2));
    record.y = clampGunField(GunField::Y, stored.value(3));
    record.times = clampGunField(GunField::Times, stored.value(4));
    return record;
}

bool gunNameAllowed(const QString& name, const QStringList& rowNames, int exceptRow) {
    if (name.isEmpty() || NameListStore::isPadding(name) || name.contains(QLatin1Char('/')) ||
        name.contains(QLatin1Char('\\')))
        return false;
    const qsizetype row = rowNames.indexOf(name);
    return row < 0 || row == exceptRow;
}

QString nextFreeGunName(const QStringList& rowNames) {
    if (rowNames.size() >= kMaxNewGunRecords)
        return {};
    for (int n = 0; n < kGunNames; ++n) {
        const QString name = QStringLiteral("Gun%1").arg(n);
        if (!rowNames.contains(name))
            return name;
    }
    return {};
}

std::array<int, 5> gunDeviceBytes(int times, int x, int y) {
    const GunFieldRange xy = gunFieldRange(GunField::X);
    const GunFieldRange count = gunFieldRange(GunField::Times);
    return {0xF0, std::clamp(times, count.low, count.high),
            (std::clamp(x, xy.low, xy.high) + 256) % 256,
            (std::clamp(y, xy.low, xy.high) + 256) % 256, 0};
}

} // namespace model
