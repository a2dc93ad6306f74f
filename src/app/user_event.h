#pragma once

#include <QEvent>

// A custom event carrying a code; the shell posts type 1000 with code 2177 to ask the
// pages to run after a device was accepted.
class UserEvent : public QEvent {
  public:
    static constexpr int kRunType = QEvent::User; // 1000
    static constexpr int kRunCode = 2177;

    UserEvent(int type, int code) : QEvent(static_cast<QEvent::Type>(type)), code_(code) {}
    int code() const { return code_; }

  private:
    int code_;
};
