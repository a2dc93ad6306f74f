#include "model/gun_records_qml.h"

#include "model/gun_records.h"

namespace model {

QVariantMap GunRecordsQml::fromStored(const QString& name, const QVariant& stored) const {
    const GunRecord r = gunRecordFromStored(name, stored.toList());
    return {{QStringLiteral("gunName"), r.name},     {QStringLiteral("gunKey"), r.key},
            {QStringLiteral("gunPeriod"), r.period}, {QStringLiteral("gunX"), r.x},
            {QStringLiteral("gunY"), r.y},           {QStringLiteral("gunTimes"), r.times}};
}

int GunRecordsQml::numberIn(const QVariant& value, int low, int high, int empty) const {
    return model::numberIn(value, low, high, empty);
}

bool GunRecordsQml::nameAllowed(const QString& name, const QStringList& rowNames,
                                int exceptRow) const {
    return gunNameAllowed(name, rowNames, exceptRow);
}

int GunRecordsQml::maxNewRecords() const {
    return kMaxNewGunRecords;
}

QString GunRecordsQml::nextFreeName(const QStringList& rowNames) const {
    return nextFreeGunName(rowNames);
}

QVariantList GunRecordsQml::deviceBytes(int times, int x, int y) const {
    QVariantList out;
    for (int b : gunDeviceBytes(times, x, y))
        out << b;
    return out;
}

} // namespace model
