// Keys typed into the configurator's own window, handed on as the platform reports them.
// Where no desktop-wide capture sees the session's keys (Wayland), these are the keys
// that macro recording and the single-key box get.
#pragma once

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>

class QWidget;

class WindowKeys : public QObject {
    Q_OBJECT
  public:
    // (native scan code, pressed, Alt held). Auto-repeated presses are not passed on.
    using Sink = std::function<void(std::uint32_t nativeScanCode, bool pressed, bool altDown)>;

    // Watches the key events the platform delivers to `window` (a top-level widget);
    // the pages still get every key as before.
    WindowKeys(QWidget& window, Sink sink, QObject* parent = nullptr);
    ~WindowKeys() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPointer<QWidget> window_;
    Sink sink_;
};
