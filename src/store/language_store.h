// The language files "i18n/lang_LLLCCC.ini": the list of installed languages, the text
// groups of the pages and the product-layout texts. The program only reads them.
#pragma once

#include <QStringList>
#include <QVariant>

#include <functional>

class LanguageStore {
  public:
    // Receives the DPI notification captions of group 6 (at most eight texts).
    using Captions = std::function<void(const QStringList& texts)>;

    explicit LanguageStore(const QString& modulesRoot = QStringLiteral("./modules"),
                           Captions captions = {});

    // --- the view host's slots ---
    // Display name ("CHINESE (Simp)", "ENGLISH (UNITED STATES)") → six-digit code.
    QVariantMap chkLanguages() const;
    // `langCode` includes the "lang_" prefix. Type 0 to 6 picks a group; any other type
    // reads the top level of the file. Type 6 also replaces the notification captions.
    QStringList getGlobalStrings(const QVariant& type, const QString& langCode);
    // `langCode` without the prefix; always sixteen texts.
    QStringList getProductLayoutStrings_Q7(const QString& langCode) const;

  private:
    QString languageFile(const QString& baseName) const;

    QString modulesRoot_;
    Captions captions_;
};
