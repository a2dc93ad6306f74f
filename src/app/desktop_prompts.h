// What the program asks of its user, on the desktop: its file dialogs over the pages and
// its message boxes. The page tests stand in for the user through setDialogStandIn.
#pragma once

#include "store/user_prompts.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class DesktopPrompts : public UserPrompts {
  public:
    // `view` hands the view the dialogs belong to (null until the window exists).
    explicit DesktopPrompts(std::function<QWidget*()> view);

    // The texts of the warning boxes that have no page text of their own.
    const QStringList& messageTexts() const { return messageTexts_; }
    // Someone who answers the file dialogs and the boxes in the user's place (the page
    // tests); null shows the real ones. It must outlive its use here.
    void setDialogStandIn(UserPrompts* standIn) { standIn_ = standIn; }
    UserPrompts* dialogStandIn() const { return standIn_; }

    QString openFileName(const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& dir,
                         const QString& filter) override;
    void warning(const QString& title, const QString& text) override;
    bool confirm(const QString& title, const QString& text) override;

    // Whether the pages are on screen.
    bool viewVisible() const;

  private:
    std::function<QWidget*()> view_;
    UserPrompts* standIn_ = nullptr;
    QStringList messageTexts_;
};
