// What the stores, the macro library and the device facade ask of the program around
// them: the profile settings they share, the file dialogs and the message boxes.
#pragma once

#include "app_config.h"
#include "facade_host.h"
#include "file_dialogs.h"
#include "macro_host.h"
#include "profile_store.h"
#include "system_mouse_settings.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class ViewServices : public FileDialogs,
                     public ProfileAccess,
                     public MacroFileDialogs,
                     public CurrentProfile,
                     public FacadeHost {
  public:
    // `view` hands the view the dialogs belong to (null until the window exists).
    ViewServices(std::function<QWidget*()> view, ProfileStore& profiles);

    // The texts of the warning boxes that have no page text of their own.
    const QStringList& messageTexts() const { return messageTexts_; }
    // Someone who answers the file dialogs and takes the warnings in the user's place (the
    // page tests); null shows the real ones. It must outlive its use here.
    void setDialogStandIn(FileDialogs* standIn) { standIn_ = standIn; }

    // FileDialogs, MacroFileDialogs
    QString openFileName(const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString getSaveFileName(const QString& caption, const QString& dir,
                            const QString& filter) override {
        return saveFileName(caption, dir, filter);
    }
    QString getOpenFileName(const QString& caption, const QString& dir,
                            const QString& filter) override {
        return openFileName(caption, dir, filter);
    }

    // ProfileAccess, CurrentProfile
    QSettings* profileSettings(int position) override;
    QSettings* currentProfile() const override;

    int currentProfileIndex() const override;

    // FacadeHost (warning() also serves FileDialogs)
    bool viewVisible() const override;
    void warning(const QString& title, const QString& text) override;
    bool confirm(const QString& title, const QString& text) override;
    QString messageText(int index) const override;

  private:
    std::function<QWidget*()> view_;
    ProfileStore& profiles_;
    FileDialogs* standIn_ = nullptr;
    QStringList messageTexts_;
};
