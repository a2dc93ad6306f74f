// Gun records as the gun overlay reaches them (GunRecords in MouseSuite.Model). A record
// is an object with the overlay's row roles: gunName, gunKey, gunPeriod, gunX, gunY,
// gunTimes.
#pragma once

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace model {

class GunRecordsQml : public QObject {
    Q_OBJECT
    // New records are offered while the list is shorter.
    Q_PROPERTY(int maxNewRecords READ maxNewRecords CONSTANT)
  public:
    using QObject::QObject;

    int maxNewRecords() const;

    // The record `name` from what getGunData gives for it.
    Q_INVOKABLE QVariantMap fromStored(const QString& name, const QVariant& stored) const;
    // A stored or typed value as a whole number kept to [low, high]; `empty` for nothing.
    Q_INVOKABLE int numberIn(const QVariant& value, int low, int high, int empty) const;
    // Whether row `exceptRow` of `rowNames` (-1: a new row) may be called `name`.
    Q_INVOKABLE bool nameAllowed(const QString& name, const QStringList& rowNames,
                                 int exceptRow) const;
    // The first free "GunN"; "" when all hundred are taken or the list is full.
    Q_INVOKABLE QString nextFreeName(const QStringList& rowNames) const;
    // The five arguments of ui_04H_SetGunData for a record's run count and deviation.
    Q_INVOKABLE QVariantList deviceBytes(int times, int x, int y) const;
};

} // namespace model
