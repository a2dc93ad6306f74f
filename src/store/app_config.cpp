#include "store/app_config.h"

#include "store/file_replace.h"
#include "store/settings_backup.h"
#include "store/settings_values.h"

#include <QDir>

namespace {

const QString kTotalKey = QStringLiteral("common/total");
const QString kOptionGroup = QStringLiteral("common/");
const QString kProfileNoKey = QStringLiteral("Q7/profileNo");

} // namespace

AppConfig::AppConfig(const QString& modulesRoot, QObject* parent)
    : QObject(parent), modulesRoot_(modulesRoot) {
    removeWriteLeftovers(modulePath(modulesRoot_, QStringLiteral("setting")));
    settings_ = std::make_unique<QSettings>(beforeWriting(filePath()), QSettings::IniFormat);
}

AppConfig::~AppConfig() = default;

QString AppConfig::filePath() const {
    return modulePath(modulesRoot_, QStringLiteral("setting/apConfig.bin"));
}

QString AppConfig::windowTitle(const QString& modulesRoot) {
    const QSettings file(modulePath(modulesRoot, QStringLiteral("setting/apConfig.bin")),
                         QSettings::IniFormat);
    const QString language = file.value(QStringLiteral("common/language"), QString()).toString();
    const QString key = language == QLatin1String("Portuguese") ? QStringLiteral("common/name0")
                                                                : QStringLiteral("common/name1");
    return textValue(file.value(key, QString()));
}

void AppConfig::saveApConfig(const QVariantList& apConfigs) {
    settings_->setValue(kTotalKey, apConfigs.size());
    for (int i = 0; i < apConfigs.size(); ++i)
        settings_->setValue(kOptionGroup + QString::number(i), apConfigs.at(i));
}

QVariant AppConfig::getLang() const {
    return settings_->value(QStringLiteral("common/language"));
}

void AppConfig::followDesktopLanguage(const QLocale& desktop) {
    const QString mark = QStringLiteral("common/languageFromDesktop");
    if (settings_->contains(mark))
        return;
    const QString key = QStringLiteral("common/language");
    const QString stored = settings_->value(key).toString();
    if (stored.isEmpty() || stored == QLatin1String("English"))
        settings_->setValue(key, desktop.language() == QLocale::Chinese
                                     ? QStringLiteral("ChineseSimplified")
                                     : QStringLiteral("English"));
    settings_->setValue(mark, true);
}

QVariantList AppConfig::loadApConfig() const {
    QVariantList list;
    // The count is re-read for every entry, as the list has always been read.
    for (int i = 0; i < kMaxStoredListEntries && i < settings_->value(kTotalKey, 0).toInt(); ++i)
        list.append(settings_->value(kOptionGroup + QString::number(i), 0));
    return list;
}

QVariantList AppConfig::loadDeviceApConfig() const {
    return {settings_->value(QStringLiteral("Q7/colorMaxStage"), 8).toInt()};
}

QVariant AppConfig::getProfile() const {
    return settings_->value(kProfileNoKey, 0);
}

void AppConfig::setProfile(const QVariant& profileNo) {
    // A number outside the ten profiles would later become the current profile index.
    bool ok = false;
    const uint number = profileNo.toString().trimmed().toUInt(&ok);
    if (!ok || number > 9)
        return;
    settings_->setValue(kProfileNoKey, number);
}

void AppConfig::resetApconfig() {
    QByteArray factory;
    if (!readWholeFile(modulePath(modulesRoot_, QStringLiteral("setting/apConfigD.bin")), &factory))
        return;

    const QString path = filePath();
    // Flush and drop the old object before the file changes, so that nothing it still
    // holds can be written over the factory copy.
    settings_->sync();
    settings_.reset();
    replaceFileContent(path, factory);
    settings_ = std::make_unique<QSettings>(beforeWriting(path), QSettings::IniFormat);
    emit settingsReplaced(settings_.get());
}

bool AppConfig::getIsSkinShow() const {
    const QDir images(modulePath(modulesRoot_, QStringLiteral("img")));
    if (!images.exists())
        return false;
    return images.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden).size() > 1;
}
