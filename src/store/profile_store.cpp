#include "store/profile_store.h"

#include "store/picked_file.h"

#include "store/file_replace.h"
#include "store/settings_backup.h"
#include "store/settings_values.h"
#include "store/user_prompts.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <utility>

namespace {

QString translate(const char* text) {
    return QCoreApplication::translate("myQQuickView", text);
}

void appendListElements(QVariantList* out, const QSettings& file, const QString& key) {
    out->append(listValue(file.value(key)));
}

// A profile is a few kilobytes; anything far larger is not one and is not read in.
constexpr qint64 kMaxProfileBytes = 1 << 20;

// Whether `content` is a profile of this mouse: INI text the settings class reads without
// complaint, holding at least one key of this mouse (a key or group ending in "_Q7").
// Without the check any file the user picks (a picture, an empty file, another program's
// settings) would replace the profile, and the mouse would get the read defaults.
bool isProfileContent(const QByteArray& content) {
    QTemporaryFile probe;
    if (!probe.open() || probe.write(content) != content.size())
        return false;
    probe.close();
    const QSettings settings(probe.fileName(), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return false;
    for (const QString& key : settings.allKeys())
        for (const QString& part : key.split(QLatin1Char('/')))
            if (part.endsWith(QLatin1String("_Q7")))
                return true;
    return false;
}

} // namespace

ProfileStore::ProfileStore(const QString& modulesRoot, DeviceIndex deviceIndex,
                           UserPrompts* dialogs)
    : modulesRoot_(modulesRoot), deviceIndex_(std::move(deviceIndex)), dialogs_(dialogs) {
    removeWriteLeftovers(modulePath(modulesRoot_, QStringLiteral("setting")));
    for (int i = 0; i < kProfiles; ++i)
        profiles_[i] =
            std::make_unique<QSettings>(beforeWriting(filePath(i)), QSettings::IniFormat);
}

ProfileStore::~ProfileStore() = default;

bool ProfileStore::setCurrentIndex(int profile) {
    if (!isProfile(profile))
        return false;
    current_ = profile;
    return true;
}

QSettings* ProfileStore::at(int profile) const {
    return isProfile(profile) ? profiles_[profile].get() : nullptr;
}

QString ProfileStore::filePath(int profile) const {
    return modulePath(modulesRoot_,
                      QStringLiteral("setting/p%1.bin").arg(QString::number(profile + 1)));
}

QString ProfileStore::factoryFilePath() const {
    return modulePath(modulesRoot_, QStringLiteral("setting/pD.bin"));
}

bool ProfileStore::replaceProfile(int profile, const QByteArray& content) {
    const QString path = filePath(profile);
    // Pending writes go to the old file and the object goes away before the file is
    // replaced: nothing it cached can land on the new content afterwards.
    profiles_[profile]->sync();
    profiles_[profile].reset();
    const bool replaced = replaceFileContent(path, content);
    profiles_[profile] = std::make_unique<QSettings>(beforeWriting(path), QSettings::IniFormat);
    return replaced;
}

QVariantList ProfileStore::loadDefaultProfile(uchar uiPageId) const {
    const QSettings factory(factoryFilePath(), QSettings::IniFormat);
    QVariantList list;
    switch (uiPageId) {
    case 0:
        for (int button = 0; button < 16; ++button)
            appendListElements(&list, factory, QStringLiteral("keydefine_Q7/%1").arg(button));
        break;
    case 2:
        appendListElements(&list, factory, QStringLiteral("color_Q7/type0"));
        appendListElements(&list, factory, QStringLiteral("color_Q7/ledEffect"));
        break;
    case 3:
        list.append(factory.value(QStringLiteral("sensor/reportRate_Q7"), 2).toInt());
        list.append(factory.value(QStringLiteral("sensor/cursorSpeed_Q7"), 5).toInt());
        list.append(factory.value(QStringLiteral("sensor/verticalScrollLines_Q7"), 2).toInt());
        list.append(factory.value(QStringLiteral("sensor/doubleClickSpeed_Q7"), 5).toInt());
        appendListElements(&list, factory, QStringLiteral("sensor/dpi_Q7"));
        list.append(factory.value(QStringLiteral("sensor/stage_Q7"), 2).toInt());
        appendListElements(&list, factory, QStringLiteral("color_Q7/type1"));
        appendListElements(&list, factory, QStringLiteral("color_Q7/type2"));
        break;
    default:
        break;
    }
    return list;
}

bool ProfileStore::loadProfile(int profile) {
    if (!isProfile(profile) || !dialogs_)
        return false;
    const QString path = dialogs_->openFileName(translate("Open File"), pickedfile::defaultFolder(),
                                                translate("Profile(*.pf)"));
    if (path.isEmpty())
        return false;
    // The chosen file may be one of our own profiles with writes still pending.
    for (const auto& settings : profiles_)
        settings->sync();
    const QString notProfile = translate("This file is not a profile; nothing was changed: ");
    const pickedfile::Content picked = pickedfile::read(path, kMaxProfileBytes);
    if (!picked.ok()) {
        dialogs_->warning(translate("Open File"), picked.problem);
        return false;
    }
    const QByteArray& content = picked.data;
    if (!isProfileContent(content)) {
        dialogs_->warning(translate("Open File"), notProfile + path);
        return false;
    }
    return replaceProfile(profile, content);
}

void ProfileStore::saveProfile(int profile) {
    if (!isProfile(profile) || !dialogs_)
        return;
    const QString path = pickedfile::withSuffix(dialogs_->saveFileName(translate("Save File"),
                                                                       pickedfile::defaultFolder(),
                                                                       translate("Profile(*.pf)")),
                                                QStringLiteral(".pf"));
    if (path.isEmpty())
        return;
    profiles_[profile]->sync();
    // An existing export is replaced only once the profile has been read.
    if (!copyFileOver(filePath(profile), path))
        dialogs_->warning(translate("Save File"),
                          translate("The profile could not be written to ") + path);
}

void ProfileStore::resetProfile(int profile) {
    if (!isProfile(profile))
        return;
    QByteArray factory;
    if (!readWholeFile(factoryFilePath(), &factory))
        return;
    replaceProfile(profile, factory);
}

void ProfileStore::copyProfile(int destprofile, int srcprofile) {
    if (!isProfile(destprofile) || !isProfile(srcprofile) || destprofile == srcprofile)
        return;
    profiles_[srcprofile]->sync();
    QByteArray content;
    if (!readWholeFile(filePath(srcprofile), &content))
        return;
    replaceProfile(destprofile, content);
}

QVariantList ProfileStore::getKeydefine(const QVariant& matrixId) const {
    // Only registry entries 0 and 1 keep their button table in the profile.
    if (deviceIndex_ && deviceIndex_() > 1)
        return {};
    QString key;
    if (!decimalKey(QStringLiteral("keydefine_Q7/"), matrixId, &key))
        return {};
    return listValue(current()->value(key));
}

void ProfileStore::setMacroKey(int index, const QVariant& macroName) {
    current()->setValue(QStringLiteral("macro/") + QString::number(index), macroName);
}

QVariant ProfileStore::getMacroKey(int index) const {
    return current()->value(QStringLiteral("macro/") + QString::number(index), 0);
}
