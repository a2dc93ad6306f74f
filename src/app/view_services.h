// What the stores, the macro library and the device facade ask of the program around
// them: the profile settings they share, the file dialogs and the message boxes.
#pragma once

#include "app_config.h"
#include "macro_host.h"
#include "profile_store.h"
#include "system_mouse_settings.h"
#include "user_prompts.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class ViewServices : public UserPrompts, public ProfileAccess, public CurrentProfile {
  public:
    // `view` hands the view the dialogs belong to (null until the window exists).
    ViewServices(std::function<QWidget*()> view, ProfileStore& profiles);

    // The texts of the warning boxes that have no page text of their own.
    const QStringList& messageTexts() const { return messageTexts_; }
    // Someone who answers the file dialogs and takes the warnings in the user's place (the
    // page tests); null shows the real ones. It must outlive its use here.
    void setDialogStandIn(UserPrompts* standIn) { standIn_ = standIn; }

    // UserPrompts
    QString openFileName(const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& dir,
                         const QString& filter) override;

    // ProfileAccess, CurrentProfile
    QSettings* profileSettings(int position) override;
    QSettings* currentProfile() const override;

    int currentProfileIndex() const override;

    void warning(const QString& title, const QString& text) override;
    bool confirm(const QString& title, const QString& text) override;
    // Whether the pages are on screen.
    bool viewVisible() const;

  private:
    std::function<QWidget*()> view_;
    ProfileStore& profiles_;
    UserPrompts* standIn_ = nullptr;
    QStringList messageTexts_;
};
