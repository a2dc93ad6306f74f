// The device registry (which USB devices the program drives, and through which of their
// HID interfaces) and the device table that discovery builds from it.
#pragma once

#include <QList>
#include <QSettings>
#include <QString>
#include <QStringList>

#include "platform/hid/hid_seam.h"

struct RegistryRecord {
    int type = -1;
    quint16 vid = 0;
    quint16 pid = 0;
    quint16 usagePage = 0;
    quint16 usage = 0;
    quint16 usagePage2 = 0;
    quint16 usage2 = 0;
    QString productName;
    uint reportLength = 0;
};

struct DeviceEntry {
    int index = 0;
    QString productName;
    int type = -1;
    QString commandPath; // empty: the command interface is not available
    QString notifyPath;  // empty: the notification interface is not available
    int reportLength = 0;
};

using DeviceTable = QList<DeviceEntry>;

namespace registry {

// Reads `common/total` records from an INI registry; element N of `productNames` names
// record N (empty when the list is shorter).
QList<RegistryRecord> read(QSettings& devInfo, const QStringList& productNames);

// `common/isEncode`, false when missing.
bool encodeFlag(QSettings& devInfo);

// Builds the table: one entry per record up to and including the first whose two
// interfaces are both attached; `currentIndex` becomes that record's number and is left
// alone when none matched.
DeviceTable rebuild(const QList<RegistryRecord>& records, const hidseam::Api& api,
                    uint& currentIndex);

} // namespace registry
