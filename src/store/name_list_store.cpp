#include "store/name_list_store.h"

#include "store/picked_file.h"

#include "store/file_replace.h"
#include "store/profile_store.h"
#include "store/settings_backup.h"
#include "store/settings_values.h"
#include "store/user_prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString translate(const char* text) {
    return QCoreApplication::translate("myQQuickView", text);
}

// Key of a list kind (0 macros, 1 gun records, 2 profile rows, 3 selected guns); empty
// for any other kind.
QString nameListKey(const QVariant& type) {
    bool ok = false;
    const int kind = type.toString().trimmed().toInt(&ok);
    if (!ok)
        return {};
    switch (kind) {
    case 0:
        return QStringLiteral("macro/macroName");
    case 1:
        return QStringLiteral("gun/gunName");
    case 2:
        return QStringLiteral("profile/profileName");
    case 3:
        return QStringLiteral("gun/selectGun");
    default:
        return {};
    }
}

// A record name becomes an INI key: slashes and backslashes would put it into a sub-group
// where getGunDataKey never lists it, and an empty name addresses no key at all.
bool gunKey(const QVariant& name, QString* key) {
    const QString text = name.toString();
    if (text.isEmpty() || text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('\\')))
        return false;
    *key = QStringLiteral("gunData/") + text;
    return true;
}

} // namespace

NameListStore::NameListStore(ProfileStore& profiles, const QString& modulesRoot,
                             UserPrompts* dialogs)
    : profiles_(profiles), modulesRoot_(modulesRoot), dialogs_(dialogs) {
    removeWriteLeftovers(modulePath(modulesRoot_, QStringLiteral("gun")));
}

QString NameListStore::nameFilePath() const {
    return modulePath(modulesRoot_, QStringLiteral("setting/name.bin"));
}

QString NameListStore::gunFilePath() const {
    return modulePath(modulesRoot_, QStringLiteral("gun/gunData.bin"));
}

QVariant NameListStore::updataNameList(const QVariant& type, const QStringList& nameList) {
    const QString key = nameListKey(type);
    if (key.isEmpty())
        return true;
    QStringList names = nameList;
    if (names.size() == 1)
        names.append(kSentinel);
    QSettings file(beforeWriting(nameFilePath()), QSettings::IniFormat);
    if (names.isEmpty())
        file.remove(key);
    else
        file.setValue(key, names);
    return true;
}

QStringList NameListStore::withoutPadding(const QStringList& list) {
    return list.size() == 2 && list.at(1) == kSentinel ? list.mid(0, 1) : list;
}

QVariantList NameListStore::getNameList(const QVariant& type) const {
    const QString key = nameListKey(type);
    if (key.isEmpty())
        return {};
    const QSettings file(nameFilePath(), QSettings::IniFormat);
    return listValue(file.value(key));
}

bool NameListStore::writeGunFile(const std::function<void(QSettings&)>& change) {
    // A missing gun folder or file is made, not a reason to drop the record.
    bool saved = QDir().mkpath(QFileInfo(gunFilePath()).path());
    if (saved) {
        QSettings file(beforeWriting(gunFilePath()), QSettings::IniFormat);
        change(file);
        file.sync();
        saved = file.status() == QSettings::NoError;
    }
    if (!saved && dialogs_)
        dialogs_->warning(translate("Save File"), translate("The gun record could not be saved: ") +
                                                      QDir::toNativeSeparators(gunFilePath()));
    return saved;
}

void NameListStore::saveGundata(const QVariantList& src6) {
    QString key;
    if (src6.size() < 6 || !gunKey(src6.at(0), &key))
        return;
    writeGunFile([&](QSettings& file) { file.setValue(key, src6.mid(1, 5)); });
}

void NameListStore::modifyGundata(const QVariant& modifyType, const QVariantList& src6) {
    bool ok = false;
    const int kind = modifyType.toString().trimmed().toInt(&ok);
    if (!ok)
        return;
    QString key;
    if (src6.isEmpty() || !gunKey(src6.at(0), &key))
        return;
    if (kind == 0) {
        // Nothing to delete from a file that is not there.
        if (QFile::exists(gunFilePath()))
            writeGunFile([&](QSettings& file) { file.remove(key); });
    } else if (kind == 1) {
        // Renaming needs the whole record and the former name, or it would drop the record.
        QString formerKey;
        if (src6.size() < 7 || !gunKey(src6.at(6), &formerKey))
            return;
        writeGunFile([&](QSettings& file) {
            file.remove(formerKey);
            file.setValue(key, src6.mid(1, 5));
        });
    }
}

QVariantList NameListStore::getGunData(const QVariant& name) const {
    QString key;
    if (!gunKey(name, &key) || !QFile::exists(gunFilePath()))
        return {};
    return listValue(gunFile().value(key));
}

QSettings& NameListStore::gunFile() const {
    if (!gunFile_)
        gunFile_ = std::make_unique<QSettings>(gunFilePath(), QSettings::IniFormat);
    return *gunFile_;
}

QStringList NameListStore::getGunDataKey() const {
    if (!QFile::exists(gunFilePath()))
        return {};
    QSettings file(gunFilePath(), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("gunData"));
    return file.childKeys();
}

QVariant NameListStore::getXYSensitive(const QVariant& index) const {
    QString key;
    if (!decimalKey(QStringLiteral("XYSensitive/"), index, &key))
        return 4;
    return profiles_.current()->value(key, 4);
}

void NameListStore::setXYSensitive(const QVariant& index, const QVariant& xyData) {
    QString key;
    if (decimalKey(QStringLiteral("XYSensitive/"), index, &key))
        profiles_.current()->setValue(key, xyData);
}

QVariant NameListStore::getselectGun(const QVariant& index) const {
    QString key;
    if (!decimalKey(QStringLiteral("selectGun/"), index, &key))
        return QString();
    return profiles_.current()->value(key, QString());
}

void NameListStore::setSelectGun(const QVariant& index, const QVariant& xyData) {
    QString key;
    if (decimalKey(QStringLiteral("selectGun/"), index, &key))
        profiles_.current()->setValue(key, xyData);
}

QString NameListStore::getCustomFilePath() {
    if (!dialogs_)
        return {};
    const QString path = dialogs_->openFileName(
        translate("Open File"), QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
        translate("Image Files(*.png)"));
    if (path.isEmpty())
        return {};
    // Only a regular file: opening a pipe to test it would wait for ever.
    if (pickedfile::check(path).isEmpty())
        return path;
    const QString title = messageTexts_.size() > 2 ? messageTexts_.at(2) : translate("Open File");
    const QString text =
        messageTexts_.size() > 3 ? messageTexts_.at(3) : translate("Cannot open the file: ");
    dialogs_->warning(title, QStringLiteral("%1%2").arg(text, path));
    return {};
}
