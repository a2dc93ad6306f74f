#include "app/window_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

#include <utility>

WindowKeys::WindowKeys(QWidget& window, Sink sink, QObject* parent)
    : QObject(parent), window_(&window), sink_(std::move(sink)) {
    // On the application: the platform window of a widget may be made anew (hidden and
    // shown again on Wayland), and the focus widget inside it changes.
    qApp->installEventFilter(this);
}

WindowKeys::~WindowKeys() {
    qApp->removeEventFilter(this);
}

bool WindowKeys::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    // Only the platform's delivery to the top-level window: it then goes on to the focus
    // widget (and from the Qt Quick widget to its own window), which would count again.
    if (!window_ || watched != window_->windowHandle())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat() || key->nativeScanCode() == 0)
        return false;
    sink_(key->nativeScanCode(), type == QEvent::KeyPress,
          key->modifiers().testFlag(Qt::AltModifier));
    return false;
}
