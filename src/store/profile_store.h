// The ten profile files "setting/p1.bin" … "setting/p10.bin", the factory profile
// "setting/pD.bin" beside them, and the current profile index that every keyed read and
// write of the facade goes to.
#pragma once

#include "store/profile_access.h"

#include <QSettings>
#include <QString>
#include <QVariant>

#include <array>
#include <functional>
#include <memory>

class UserPrompts;

class ProfileStore : public ProfileAccess, public CurrentProfile {
  public:
    static constexpr int kProfiles = 10;

    // Which device-registry entry is connected: only entries 0 and 1 keep a button table
    // in the profiles. Empty: entry 0.
    using DeviceIndex = std::function<uint()>;

    // `dialogs` may be null (every dialog counts as cancelled); it must outlive the store.
    explicit ProfileStore(const QString& modulesRoot = QStringLiteral("./modules"),
                          DeviceIndex deviceIndex = {}, UserPrompts* dialogs = nullptr);
    ~ProfileStore() override;
    ProfileStore(const ProfileStore&) = delete;
    ProfileStore& operator=(const ProfileStore&) = delete;

    int currentIndex() const { return current_; }

    // ProfileAccess, CurrentProfile: the same settings objects, for the macro library and
    // the desktop's mouse settings.
    QSettings* profileSettings(int position) override { return at(position); }
    int currentProfileIndex() const override { return current_; }
    QSettings* currentProfile() const override { return current(); }
    // Profile numbers outside 0 to 9 are refused.
    bool setCurrentIndex(int profile);
    // The settings object of the current profile. Do not keep the pointer across an
    // import, reset or copy of that profile: those replace the object.
    QSettings* current() const { return profiles_[current_].get(); }
    // Null outside 0 to 9; the same caveat as current().
    QSettings* at(int profile) const;
    QString filePath(int profile) const;
    QString factoryFilePath() const;

    // --- the view host's slots ---
    QVariantList loadDefaultProfile(uchar uiPageId) const;
    // True when a chosen file was copied in. False when cancelled, and false with a warning
    // when the file cannot be read or is not a profile (the profile is then untouched).
    bool loadProfile(int profile);
    void saveProfile(int profile);
    void resetProfile(int profile);
    void copyProfile(int destprofile, int srcprofile);
    QVariantList getKeydefine(const QVariant& matrixId) const;
    void setMacroKey(int index, const QVariant& macroName);
    QVariant getMacroKey(int index) const;

  private:
    static bool isProfile(int profile) { return profile >= 0 && profile < kProfiles; }
    bool replaceProfile(int profile, const QByteArray& content);

    QString modulesRoot_;
    DeviceIndex deviceIndex_;
    UserPrompts* dialogs_;
    std::array<std::unique_ptr<QSettings>, kProfiles> profiles_;
    int current_ = 0;
};
