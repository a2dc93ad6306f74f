#include "app/widget.h"

#include "app/my_quick_view.h"
#include "app/ui_controler.h"
#include "app/user_event.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMoveEvent>

namespace {

constexpr int kPollMs = 2048;

const char* const kTrayMenuStyle =
    "QMenu { border: 1px solid rgb(100, 100, 100); background: rgb(68, 69, 73); } "
    "QMenu::item { height: 22px; padding: 0px 25px 0px 20px; } "
    "QMenu::item:enabled { color: rgb(225, 225, 225); } "
    "QMenu::item:!enabled { color: rgb(155, 155, 155); } "
    "QMenu::item:enabled:selected { color: rgb(230, 230, 230); background: rgba(255, 255, "
    "255, 40); } "
    "QMenu::separator { height: 1px; background: rgb(100, 100, 100); } "
    "QMenu::indicator { width: 13px; height: 13px; } "
    "QMenu::icon { padding-left: 2px; padding-right: 2px; } ";

} // namespace

Widget::Widget(Hid_Thread& hid, const ViewParts& parts, QWidget* parent, QQmlEngine* pageEngine)
    : QWidget(parent), pollTimer_(new QTimer), controller_(new Ui_Controler), hid_(hid) {
    controller_->setup(this, parts, pageEngine);

    pollTimer_->setInterval(kPollMs);
    pollTimer_->setSingleShot(true);
    connect(pollTimer_.get(), &QTimer::timeout, this, &Widget::checkDevice);

    // What acceptance and the listener ask of the window, the view and the tray.
    connect(&hid_, &Hid_Thread::runRequested, this, &Widget::requestRun);
    connect(&hid_, &Hid_Thread::viewEnabledRequested, view(), &QWidget::setEnabled);
    connect(&hid_, &Hid_Thread::runRequested, this, &Widget::mouseAccepted);
    connect(&hid_, &Hid_Thread::windowHideRequested, this, &Widget::noMouseAccepted);
    connect(&hid_, &Hid_Thread::balloonRequested, this,
            [this](const QString& title, const QString& text, int icon, int msecs) {
                if (tray_)
                    tray_->showMessage(title, text, static_cast<QSystemTrayIcon::MessageIcon>(icon),
                                       msecs);
            });

    setupTray();

    // The updater's turn: the page stays locked while the mouse is handed over.
    DeviceHandover& handover = parts.device.handover();
    connect(&handover, &DeviceHandover::handOverStarted, this, [this] {
        controller_->setBusy(DeviceHandover::kDrainMs + DeviceHandover::kLaunchPauseMs);
        if (tray_ && tray_->isVisible())
            tray_->showMessage(QStringLiteral("Update"),
                               QStringLiteral("Handing the mouse to the updater…"),
                               QSystemTrayIcon::Information, 5000);
    });
    connect(&handover, &DeviceHandover::handedOver, this, [this] { controller_->setBusy(0); });

    // A mouse that may hold something else than the profile gets all of it again.
    sync_ = &parts.device.sync();
    connect(sync_, &MouseSync::resendRequested, this, &Widget::resendProfile);

    hotplug_ = hidseam::createHotplugSource(this);
    connect(hotplug_, &hidseam::HotplugSource::deviceAdded, this, [this] { deviceChanged(true); });
    connect(hotplug_, &hidseam::HotplugSource::deviceRemoved, this, [this](const QString& path) {
        hid_.deviceLeft(path);
        deviceChanged(false);
    });
    // However the listener ended (the mouse left, or left and came back at once),
    // discovery decides what is there now: without it a mouse that made no device change
    // would stay unaccepted until it is replugged.
    connect(&hid_, &Hid_Thread::listenerEnded, this, [this] { pollTimer_->start(); });
}

Widget::~Widget() {
    pendingWarnings_.clear();
    delete warningBox_;
    hid_.stopListener();
    controller_->deleteLater();
}

myQQuickView* Widget::view() const {
    return controller_->view();
}

void Widget::setupTray() {
    tray_ = new QSystemTrayIcon(this);
    auto* show = new QAction(tr("Show (&S)"), this);
    show->setObjectName(QStringLiteral("trayShow"));
    connect(show, &QAction::triggered, this, &Widget::showWindow);
    auto* quit = new QAction(tr("Quit (&Q)"), this);
    quit->setObjectName(QStringLiteral("trayQuit"));
    connect(quit, &QAction::triggered, this, &Widget::exitSYS);
    auto* menu = new QMenu(this);
    menu->addAction(show);
    menu->addSeparator();
    menu->addAction(quit);
    menu->setStyleSheet(QString::fromLatin1(kTrayMenuStyle));
    tray_->setContextMenu(menu);
    tray_->setToolTip(QStringLiteral("HALDORA SKARN MOUSE R418"));
    tray_->setIcon(QIcon(QStringLiteral("./modules/img/trayIcon.ico")));
    connect(tray_, &QSystemTrayIcon::activated, this, &Widget::trayIconActivated);
    tray_->setVisible(true);
}

void Widget::trayIconActivated(QSystemTrayIcon::ActivationReason reason) {
    // StatusNotifierItem hosts (Plasma, GNOME's AppIndicator, swaybar) only ever send
    // "activate" (Trigger); XEmbed trays send a click and a double click.
    if (reason != QSystemTrayIcon::DoubleClick && reason != QSystemTrayIcon::Trigger)
        return;
    // A restore request, handled after this activation like the system's own.
    QMetaObject::invokeMethod(this, &Widget::showWindow, Qt::QueuedConnection);
}

void Widget::showWindow() {
    if (hid_.deviceAccepted()) {
        showNormal();
        raise();
        activateWindow();
        return;
    }
    showOnAcceptance_ = true;
    if (!noMouse_)
        return; // still looking: it opens when the mouse is accepted
    if (withoutTray_) {
        showWaitingPanel(noMouseText(*noMouse_));
    } else if (tray_) {
        explainNoMouse(*noMouse_);
    }
}

void Widget::checkDevice() {
    hid_.discover();
}

void Widget::exitSYS() {
    // Off the screen at once; what is still queued for the mouse goes out afterwards, while
    // the program ends (Hid_Thread::kShutdownDrainMs at most).
    hide();
    if (QWidget* waiting = waitingPanel())
        waiting->hide();
    if (tray_)
        tray_->hide();
    hid_.requestListenerStop();
    // The unmapping reaches the window system now, not after the drain.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QCoreApplication::exit(0);
}

void Widget::deviceChanged(bool arrival) {
    Q_UNUSED(arrival);
    if (!hid_.isListening())
        pollTimer_->start();
}

void Widget::requestRun() {
    view()->initUI();
    // Once initUI has made the stored profile current: asked before, the record would be
    // compared with profile 1 and every start on another profile would send it all again.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (sync_->needsResend())
                resendProfile();
        },
        Qt::QueuedConnection);
    QCoreApplication::postEvent(this, new UserEvent(UserEvent::kRunType, UserEvent::kRunCode));
}

void Widget::resendProfile() {
    view()->sendWholeProfile();
    // Queued behind the page's sends, so that the check sees them queued.
    QMetaObject::invokeMethod(
        this, [this] { sync_->resendQueued(); }, Qt::QueuedConnection);
}

void Widget::customEvent(QEvent* event) {
    if (event->type() == UserEvent::kRunType &&
        static_cast<UserEvent*>(event)->code() == UserEvent::kRunCode)
        view()->runUI();
}

// The pages draw into an offscreen window that must know where on the screen the view
// is: Qt Quick re-checks what lies under the pointer (when a menu opens, for instance)
// from the pointer's screen position. Only the top-level window gets a move event when
// it is dragged, so the view is told here; otherwise rows far from the pointer light up.
void Widget::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (myQQuickView* v = view()) {
        QMoveEvent viewMoved(v->pos(), v->pos());
        QCoreApplication::sendEvent(v, &viewMoved);
    }
}

void Widget::keyEvent(bool pressed, uchar code) {
    view()->detectKeyboard(pressed, code);
    hotKey(pressed, code);
}

void Widget::mouseEvent(bool pressed, uchar code, int x, int y) {
    view()->detectMouse(pressed, code, x, y);
}

void Widget::hotKey(bool pressed, uchar code) {
    switch (code) {
    case 0xE1:
    case 0xE5:
        shiftHeld_ = pressed;
        break;
    case 0xE2:
    case 0xE6:
        altHeld_ = pressed;
        break;
    case 0x45:
        if (pressed && shiftHeld_ && altHeld_ && isHidden())
            showNormal();
        break;
    default:
        break;
    }
}

bool Widget::showChannelMessage(const QString& text) {
    if (pendingWarnings_.size() >= static_cast<std::size_t>(kMaxPendingWarnings)) {
        if (!droppingWarnings_)
            qDebug() << "message channel: too many warnings at once, dropping the rest";
        droppingWarnings_ = true;
        return false;
    }
    pendingWarnings_.push_back(text);
    if (!warningBox_)
        showNextWarning();
    return true;
}

void Widget::showNextWarning() {
    if (pendingWarnings_.empty()) {
        droppingWarnings_ = false;
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), pendingWarnings_.front(),
                                QMessageBox::Ok);
    pendingWarnings_.pop_front();
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    // The next one only once this one is gone, queued so a box is never opened from
    // inside another's signal.
    connect(box, &QObject::destroyed, this, &Widget::showNextWarning, Qt::QueuedConnection);
    warningBox_ = box;
    box->show();
}
