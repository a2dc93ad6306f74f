// What the device facade needs from the program around it: the view's visibility and the
// message boxes. The view host provides it; tests provide their own.
#pragma once

#include <QString>

class FacadeHost {
  public:
    virtual ~FacadeHost() = default;

    virtual bool viewVisible() const = 0;

    // Modal boxes; `confirm` answers whether OK was pressed.
    virtual void warning(const QString& title, const QString& text) = 0;
    virtual bool confirm(const QString& title, const QString& text) = 0;
    // The texts of the warning boxes, by index (empty when there is none).
    virtual QString messageText(int index) const = 0;
};
