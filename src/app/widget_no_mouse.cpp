// The window while no mouse is accepted: the tray says why, and a desktop without a tray
// gets a small visible waiting window instead of nothing.
#include "app/widget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {

const QString kProductName = QStringLiteral("HALDORA SKARN MOUSE R418");
constexpr int kBalloonMs = 10000;

// A plain framed window: the page area is translucent and frameless, which on a desktop
// without a tray would be an invisible program.
class WaitingPanel : public QWidget {
  public:
    explicit WaitingPanel(const QString& title) {
        setObjectName(QStringLiteral("waitingPanel"));
        setWindowTitle(tr("%1: waiting for the mouse").arg(title.isEmpty() ? kProductName : title));
        auto* heading = new QLabel(tr("Waiting for the mouse"), this);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        reason_ = new QLabel(this);
        reason_->setObjectName(QStringLiteral("reason"));
        reason_->setWordWrap(true);
        reason_->setMinimumWidth(360);
        auto* quit = new QPushButton(tr("Quit"), this);
        connect(quit, &QPushButton::clicked, this, &QWidget::close);
        auto* column = new QVBoxLayout(this);
        column->addWidget(heading);
        column->addWidget(reason_);
        column->addWidget(quit, 0, Qt::AlignRight);
        column->setContentsMargins(18, 14, 18, 14);
        // The dark look of the pages and the tray menu.
        setStyleSheet(
            QStringLiteral("#waitingPanel { background: rgb(68, 69, 73); } "
                           "QLabel { color: rgb(225, 225, 225); } "
                           "QPushButton { color: rgb(230, 230, 230); background: rgb(90, 91, 96); "
                           "border: 1px solid rgb(120, 120, 120); padding: 4px 18px; } "
                           "QPushButton:hover { background: rgb(110, 111, 117); }"));
        setAttribute(Qt::WA_StyledBackground);
    }
    void setReason(const QString& text) { reason_->setText(text); }

  protected:
    // The only window there is: closing it ends the program.
    void closeEvent(QCloseEvent* event) override {
        QWidget::closeEvent(event);
        QCoreApplication::exit(0);
    }

  private:
    QLabel* reason_ = nullptr;
};

} // namespace

void Widget::noMouseAccepted(NoMouseReason reason) {
    const bool changed = noMouse_ != reason;
    noMouse_ = reason;
    // Open when the mouse went: open again when it is back. The tray's text for an
    // unplugged mouse promises the settings open as soon as it is found.
    if (isVisible() || (changed && reason == NoMouseReason::NotPlugged && tray_))
        showOnAcceptance_ = true;
    if (tray_) {
        tray_->setToolTip(kProductName + '\n' + noMouseText(reason));
        // One balloon per reason, not one per discovery pass.
        if (changed)
            explainNoMouse(reason);
    }
    setVisible(false);
    if (withoutTray_)
        showWaitingPanel(noMouseText(reason));
}

void Widget::explainNoMouse(NoMouseReason reason) {
    tray_->showMessage(noMouseTitle(reason), noMouseText(reason),
                       reason == NoMouseReason::NotPlugged ? QSystemTrayIcon::Information
                                                           : QSystemTrayIcon::Warning,
                       kBalloonMs);
    emit noMouseExplained(noMouseTitle(reason), noMouseText(reason));
}

void Widget::mouseAccepted() {
    noMouse_.reset();
    if (tray_)
        tray_->setToolTip(kProductName);
    const bool waited = waiting_ && waiting_->isVisible();
    if (waited)
        waiting_->hide();
    if (waited || std::exchange(showOnAcceptance_, false))
        showNormal();
}

void Widget::showWaitingPanel(const QString& text) {
    if (!waiting_)
        waiting_ = new WaitingPanel(windowTitle());
    static_cast<WaitingPanel*>(waiting_)->setReason(text);
    waiting_->show();
}

void Widget::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (withoutTray_ && event->isAccepted())
        exitSYS();
}
