// What the device facade needs from the program around it: the settings files, the
// macro library, the view's visibility and the message boxes. The view host provides it;
// tests provide their own.
#pragma once

#include <QSettings>
#include <QStringList>
#include <QVariantList>

class FacadeHost {
  public:
    virtual ~FacadeHost() = default;

    // The settings object of the current profile and of the application configuration.
    virtual QSettings& currentProfile() = 0;
    virtual QSettings& appConfig() = 0;
    virtual int currentProfileIndex() const = 0;
    virtual void setCurrentProfileIndex(int index) = 0;

    virtual bool viewVisible() const = 0;

    // A named macro's action lines (as the library loads them) and their encoding.
    virtual QVariantList loadMacroLines(const QString& name) = 0;
    virtual QVariantList encodeMacro(const QVariantList& lines) = 0;
    // An image cut to a device buffer of `size` bytes so that it still ends in a whole
    // record and the end mark.
    virtual QVariantList fitMacro(const QVariantList& image, int size) = 0;
    // The macro's "config/repeat" (1 when absent).
    virtual quint16 macroRepeat(const QString& name) = 0;

    // Modal boxes; `confirm` answers whether OK was pressed.
    virtual void warning(const QString& title, const QString& text) = 0;
    virtual bool confirm(const QString& title, const QString& text) = 0;
    // The texts of the warning boxes, by index (empty when there is none).
    virtual QString messageText(int index) const = 0;
};
