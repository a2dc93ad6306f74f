#include "app/ui_controler.h"

#include "app/my_quick_view.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QQuickItem>
#include <QWidget>
#include <QWindow>

Ui_Controler::Ui_Controler(QObject* parent) : QObject(parent) {}

void Ui_Controler::setup(QWidget* window, const ViewParts& parts, QQmlEngine* engine) {
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("Widget"));
    window_ = window;
    window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
    window->setWindowOpacity(1.0);
    window->setAttribute(Qt::WA_TranslucentBackground);
    // Only the window and its view: dialogs parented to the view keep the desktop's look
    // (a bare "background" reached the file dialogs, black text on black).
    window->setStyleSheet(
        QStringLiteral("#%1, #ui_View { background: transparent; }").arg(window->objectName()));

    view_ = new myQQuickView(window, parts, engine);
    view_->setObjectName(QStringLiteral("ui_View"));
    view_->publish(this);
    view_->setSource(QUrl(QStringLiteral("qrc:/modules/qml/main.qml")));
    // Again after loading, as the pages expect them on the loaded root context.
    view_->publish(this);
    window->resize(view_->size());
    window->setWindowTitle(view_->windowTitleFromConfig());
}

void Ui_Controler::onMinimize() {
    if (window_)
        window_->showMinimized();
}

// Hides the window; a window that lives without a tray ends the program on close.
void Ui_Controler::onClose() {
    if (window_)
        window_->close();
}

bool Ui_Controler::startMove(int x, int y) {
    QWindow* handle = window_ ? window_->windowHandle() : nullptr;
    if (!handle || !handle->startSystemMove())
        return false;
    // The press that started it is never released to the view: release it now, after
    // the press is handled, or the next press finds the area still held.
    QPointer<myQQuickView> view = view_;
    QMetaObject::invokeMethod(
        this,
        [view, x, y] {
            if (!view)
                return;
            const QPointF at(x, y);
            QMouseEvent release(QEvent::MouseButtonRelease, at, view->mapToGlobal(at),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(view, &release);
        },
        Qt::QueuedConnection);
    return true;
}

void Ui_Controler::onXChanged(int x) {
    if (window_)
        window_->move(window_->x() + x, window_->y());
}

void Ui_Controler::onYChanged(int y) {
    if (window_)
        window_->move(window_->x(), window_->y() + y);
}

void Ui_Controler::setBusy(int busyTime) {
    if (!window_ || !view_ || !view_->rootObject())
        return;
    QMetaObject::invokeMethod(view_->rootObject(), "setProtectUI", Qt::DirectConnection,
                              Q_ARG(QVariant, QVariant(busyTime)));
}

void Ui_Controler::setBusy() {
    setBusy(0);
}
