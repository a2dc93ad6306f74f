// The application configuration, "setting/apConfig.bin": interface language, window
// titles, the last active profile, the colour-stage count, the registry entries' product
// names and secrecy codes, and a free option list kept for the pages.
#pragma once

#include <QLocale>
#include <QObject>
#include <QSettings>
#include <QVariant>

#include <memory>

class AppConfig : public QObject {
    Q_OBJECT

  public:
    explicit AppConfig(const QString& modulesRoot = QStringLiteral("./modules"),
                       QObject* parent = nullptr);
    ~AppConfig() override;

    // The open settings object. Discovery and the handshake read "common/product_name"
    // and "common/sCode"N through it; the facade writes "Q7/profileNo". resetApconfig
    // replaces it: holders of the pointer must follow settingsReplaced.
    QSettings* settings() const { return settings_.get(); }
    QString filePath() const;

    // The window title, chosen from a separate read of the file: "common/name0" when
    // "common/language" is exactly "Portuguese", otherwise "common/name1".
    static QString windowTitle(const QString& modulesRoot = QStringLiteral("./modules"));

    // --- the view host's slots ---
    void saveApConfig(const QVariantList& apConfigs);
    QVariant getLang() const;
    // On the first start the pages follow the desktop's language: a Chinese locale gets
    // the Simplified Chinese pages, any other English. Done once (a mark is kept), and only
    // over the shipped English: a language chosen in the file stays.
    void followDesktopLanguage(const QLocale& desktop);
    QVariantList loadApConfig() const;
    QVariantList loadDeviceApConfig() const;
    QVariant getProfile() const;
    // Stores a profile number 0 to 9; anything else is ignored.
    void setProfile(const QVariant& profileNo);
    // Puts "setting/apConfigD.bin" in place of the file. When the factory copy cannot be
    // read, the current file and its values stay.
    void resetApconfig();
    bool getIsSkinShow() const;

  signals:
    // Emitted by resetApconfig once `now` is in place; the previous object is gone.
    void settingsReplaced(QSettings* now);

  private:
    QString modulesRoot_;
    std::unique_ptr<QSettings> settings_;
};
