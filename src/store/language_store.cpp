#include "store/language_store.h"

#include "store/locale_names.h"
#include "store/settings_values.h"

#include <QDir>
#include <QSettings>
#include <utility>

namespace {

QString groupOf(const QVariant& type) {
    static const char* const kGroups[] = {"main",       "keyMatrix", "keyMenu", "macroEditor",
                                          "gunControl", "macroKey",  "other"};
    bool ok = false;
    const uint index = type.toString().trimmed().toUInt(&ok);
    if (!ok || index >= std::size(kGroups))
        return {};
    return QString::fromLatin1(kGroups[index]);
}

// Three characters of the code as an unsigned number; 0 when they are not one.
uint codeNumber(const QString& digits) {
    bool ok = false;
    const uint number = digits.toUInt(&ok);
    return ok ? number : 0;
}

} // namespace

LanguageStore::LanguageStore(const QString& modulesRoot, Captions captions)
    : modulesRoot_(modulesRoot), captions_(std::move(captions)) {}

QString LanguageStore::languageFile(const QString& baseName) const {
    // Codes name a file in the language folder and nothing outside it.
    if (baseName.contains(QLatin1Char('/')) || baseName.contains(QLatin1Char('\\')))
        return {};
    return modulePath(modulesRoot_, QStringLiteral("i18n/") + baseName + QStringLiteral(".ini"));
}

QVariantMap LanguageStore::chkLanguages() const {
    QVariantMap languages;
    const QDir folder(modulePath(modulesRoot_, QStringLiteral("i18n")));
    const QStringList files = folder.entryList({QStringLiteral("lang_*.ini")}, QDir::Files,
                                               QDir::Name | QDir::IgnoreCase);
    for (const QString& file : files) {
        const QString code = file.mid(5, 6);
        const uint language = codeNumber(code.left(3));
        const uint country = codeNumber(code.right(3));
        QString name = englishLanguageName(language).toUpper();
        if (country == 44)
            name += QStringLiteral(" (Simp)");
        else if (country == 208)
            name += QStringLiteral(" (Trad)");
        else if (country != 0)
            name += QStringLiteral(" (") + englishCountryName(country).toUpper() + QLatin1Char(')');
        languages.insert(name, code);
    }
    return languages;
}

QStringList LanguageStore::getGlobalStrings(const QVariant& type, const QString& langCode) {
    const QString path = languageFile(langCode);
    if (path.isEmpty())
        return {};
    const QSettings file(path, QSettings::IniFormat);
    const QString group = groupOf(type);
    const QString prefix = group.isEmpty() ? QString() : group + QLatin1Char('/');

    const int total =
        std::min(file.value(prefix + QStringLiteral("total"), 0).toInt(), kMaxStoredListEntries);
    QStringList texts;
    for (int i = 0; i < total; ++i)
        texts.append(textValue(file.value(prefix + QString::number(i), QString())));

    if (group == QLatin1String("other") && captions_ && !texts.isEmpty())
        captions_(texts.mid(0, 8));
    return texts;
}

QStringList LanguageStore::getProductLayoutStrings_Q7(const QString& langCode) const {
    const QString path = languageFile(QStringLiteral("lang_") + langCode);
    QStringList texts;
    if (path.isEmpty()) {
        for (int i = 0; i < 16; ++i)
            texts.append(QString());
        return texts;
    }
    const QSettings file(path, QSettings::IniFormat);
    for (int i = 0; i < 16; ++i)
        texts.append(textValue(file.value(QStringLiteral("Q7_133C6AA/") + QString::number(i))));
    return texts;
}
