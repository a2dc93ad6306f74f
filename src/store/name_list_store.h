// The name lists of "setting/name.bin" (macros, gun records, profiles), the gun records of
// "gun/gunData.bin", the per-profile axis sensitivity and gun selection, and the picture
// file chooser. Each call opens its file, works and closes it again.
#pragma once

#include <QSettings>

#include <functional>
#include <memory>

#include <QStringList>
#include <QVariant>

class UserPrompts;
class ProfileStore;

class NameListStore {
  public:
    // The padding that keeps a one-name list a list in the file; readers drop it.
    static inline const QString kSentinel = QStringLiteral("loaderpellam");
    // A list as read, without the padding of a one-name list.
    static QStringList withoutPadding(const QStringList& list);
    // The padding word is no name a user may give.
    static bool isPadding(const QString& name) { return name == kSentinel; }

    // `profiles` and `dialogs` must outlive the store; `dialogs` may be null (cancelled).
    NameListStore(ProfileStore& profiles, const QString& modulesRoot = QStringLiteral("./modules"),
                  UserPrompts* dialogs = nullptr);

    // The view host's message-text list; entries 2 and 3 title and introduce the warning
    // of getCustomFilePath. Without them built-in English texts are used.
    void setMessageTexts(const QStringList& texts) { messageTexts_ = texts; }

    // --- the view host's slots ---
    QVariant updataNameList(const QVariant& type, const QStringList& nameList);
    QVariantList getNameList(const QVariant& type) const;
    // Gun records are written only when complete (six elements, seven for a rename) with a
    // usable name; a missing gun folder or file is made, and a write that fails is said.
    void saveGundata(const QVariantList& src6);
    void modifyGundata(const QVariant& modifyType, const QVariantList& src6);
    QVariantList getGunData(const QVariant& name) const;
    QStringList getGunDataKey() const;
    QVariant getXYSensitive(const QVariant& index) const;
    void setXYSensitive(const QVariant& index, const QVariant& xyData);
    QVariant getselectGun(const QVariant& index) const;
    void setSelectGun(const QVariant& index, const QVariant& xyData);
    QString getCustomFilePath();

  private:
    QString nameFilePath() const;
    QString gunFilePath() const;
    // The gun file, parsed once and kept: reading a record must not parse the whole file
    // again (thousands of records). Writers in this process share its cache.
    QSettings& gunFile() const;
    // Applies `change` to the gun file (made when missing); false, and the user told,
    // when it could not be written.
    bool writeGunFile(const std::function<void(QSettings&)>& change);

    ProfileStore& profiles_;
    QString modulesRoot_;
    UserPrompts* dialogs_;
    QStringList messageTexts_;
    mutable std::unique_ptr<QSettings> gunFile_;
};
