#include "device/device_registry.h"

namespace registry {
namespace {

// Registry numbers are hexadecimal text without prefix ("04d9", "A26B").
quint16 hex16(QSettings& s, const QString& key) {
    return static_cast<quint16>(s.value(key, "0").toString().toUInt(nullptr, 16));
}

} // namespace

QList<RegistryRecord> read(QSettings& devInfo, const QStringList& productNames) {
    QList<RegistryRecord> records;
    const int total = devInfo.value("common/total", 0).toInt();
    for (int n = 0; n < total; ++n) {
        const QString g = QString::number(n) + "/";
        RegistryRecord r;
        bool ok = false;
        const int type = devInfo.value(g + "type").toString().toInt(&ok, 16);
        r.type = ok ? type : -1;
        r.vid = hex16(devInfo, g + "vid");
        r.pid = hex16(devInfo, g + "pid");
        r.usagePage = hex16(devInfo, g + "usagePage");
        r.usage = hex16(devInfo, g + "usage");
        r.usagePage2 = hex16(devInfo, g + "usagePage2");
        r.usage2 = hex16(devInfo, g + "usage2");
        r.productName = n < productNames.size() ? productNames.at(n) : QString();
        r.reportLength = devInfo.value(g + "reportLength", 0).toUInt();
        records.append(r);
    }
    return records;
}

bool encodeFlag(QSettings& devInfo) {
    return devInfo.value("common/isEncode", false).toBool();
}

DeviceTable rebuild(const QList<RegistryRecord>& records, const hidseam::Api& api,
                    uint& currentIndex) {
    DeviceTable table;
    for (int n = 0; n < records.size(); ++n) {
        const RegistryRecord& r = records.at(n);
        DeviceEntry entry{n, r.productName, r.type, {}, {}, static_cast<int>(r.reportLength)};
        QString commandPath, notifyPath;
        bool found = false;
        hid_device_info* devs = api.enumerate(r.vid, r.pid);
        for (hid_device_info* d = devs; d; d = d->next) {
            if (d->usage_page == r.usagePage && d->usage == r.usage)
                commandPath = QString::fromLatin1(d->path);
            if (d->usage_page == r.usagePage2 && d->usage == r.usage2)
                notifyPath = QString::fromLatin1(d->path);
            if (!commandPath.isEmpty() && !notifyPath.isEmpty()) {
                entry.commandPath = commandPath;
                entry.notifyPath = notifyPath;
                currentIndex = static_cast<uint>(n);
                found = true;
                break;
            }
        }
        api.free_enumeration(devs);
        table.append(entry);
        if (found)
            break;
    }
    return table;
}

} // namespace registry
