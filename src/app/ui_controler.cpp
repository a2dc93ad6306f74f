#include "app/ui_controler.h"

#include "app/my_quick_view.h"

#include <QQuickItem>
#include <QWidget>

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
