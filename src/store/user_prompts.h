// What the program asks of its user: a file to open or to save to, a warning to read, a
// choice to confirm. The configurator shows the desktop's dialogs and message boxes; the
// tests answer in the user's place. The stores, the macro library and the device facade
// reach the user only through this.
#pragma once

#include <QString>

class UserPrompts {
  public:
    virtual ~UserPrompts() = default;

    // An empty result means the user cancelled.
    virtual QString openFileName(const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual QString saveFileName(const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    // A modal warning with one OK button.
    virtual void warning(const QString& title, const QString& text) = 0;
    // A modal question with OK and Cancel; true for OK.
    virtual bool confirm(const QString& title, const QString& text) = 0;
};
