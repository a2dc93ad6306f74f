// The few dialogs the store has to show. The application implements them with widgets
// parented to the view; tests answer with the path they want.
#pragma once

#include <QString>

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;

    // An empty result means the user cancelled.
    virtual QString openFileName(const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual QString saveFileName(const QString& caption, const QString& dir,
                                 const QString& filter) = 0;

    // A modal warning with one OK button.
    virtual void warning(const QString& title, const QString& text) = 0;
};
