#include "update/widget.h"

#include "platform/hid/hid_seam.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

namespace updater {

Widget::Widget(QWidget* parent) : QWidget(parent), ownClock_(std::make_unique<SystemClock>()) {
    // The program's window asks the mouse which firmware it runs, to show it.
    flow_ = new UpdateFlow(*ownClock_, this);
    flow_->setAskMouseVersion(true);
    build(*ownClock_, QStringLiteral("./data.bin"),
          [](QObject* p) { return hidseam::createHotplugSource(p); });
}

Widget::Widget(Clock& clock, const QString& dataPath, UpdateFlow::HotplugFactory hotplug,
               QWidget* parent)
    : QWidget(parent) {
    build(clock, dataPath, std::move(hotplug));
}

Widget::~Widget() {
    // The flow goes before the clock it was given.
    delete flow_;
}

void Widget::build(Clock& clock, const QString& dataPath, UpdateFlow::HotplugFactory hotplug) {
    // The device table is built with the flow.
    if (!flow_)
        flow_ = new UpdateFlow(clock, this);
    flow_->setHotplugFactory(std::move(hotplug));

    const QFont font(QString::fromUtf8("微软雅黑"), 10);
    progress_ = new QProgressBar(this);
    progress_->setMinimumSize(263, 27);
    csLabel_ = new QLabel(tr("CS:"), this);
    csLabel_->setMinimumHeight(18);
    status_ = new QLabel(tr("Error:"), this);
    status_->setMinimumHeight(24);
    versions_ = new QLabel(this);
    versions_->setObjectName(QStringLiteral("versions"));
    versions_->setMinimumHeight(18);
    showVersions(QString(), QString());
    checksum_ = new QLineEdit(this);
    checksum_->setMinimumSize(36, 24);
    checksum_->setMaximumWidth(58);
    checksum_->setFocusPolicy(Qt::NoFocus);
    update_ = new QPushButton(tr("Update"), this);
    update_->setMinimumSize(70, 30);
    update_->setEnabled(false);
    exit_ = new QPushButton(tr("Exit"), this);
    exit_->setMinimumSize(70, 30);
    for (QWidget* w : std::initializer_list<QWidget*>{progress_, csLabel_, status_, versions_,
                                                      checksum_, update_, exit_})
        w->setFont(font);

    auto* row = new QHBoxLayout;
    row->addWidget(csLabel_, 0, Qt::AlignBottom);
    row->addWidget(checksum_, 0, Qt::AlignBottom);
    row->addSpacing(12);
    row->addWidget(update_, 0, Qt::AlignBottom);
    row->addWidget(exit_, 0, Qt::AlignBottom);
    auto* column = new QVBoxLayout(this);
    column->addWidget(progress_);
    column->addWidget(status_);
    column->addWidget(versions_);
    column->addLayout(row);

    connect(exit_, &QPushButton::clicked, this, &QWidget::close);
    connect(update_, &QPushButton::clicked, this, &Widget::updateProc);
    connect(flow_, &UpdateFlow::deviceChange, this, &Widget::deviceChange);

    connect(flow_, &UpdateFlow::titleChanged, this, &QWidget::setWindowTitle);
    connect(flow_, &UpdateFlow::statusChanged, status_, &QLabel::setText);
    connect(flow_, &UpdateFlow::versionsChanged, this, &Widget::showVersions);
    connect(flow_, &UpdateFlow::checksumTextChanged, checksum_, &QLineEdit::setText);
    connect(flow_, &UpdateFlow::progressChanged, progress_, &QProgressBar::setValue);
    connect(flow_, &UpdateFlow::progressRangeChanged, progress_, &QProgressBar::setRange);
    connect(flow_, &UpdateFlow::progressTextVisibleChanged, progress_,
            &QProgressBar::setTextVisible);
    connect(flow_, &UpdateFlow::updateEnabledChanged, update_, &QWidget::setEnabled);
    connect(flow_, &UpdateFlow::exitEnabledChanged, exit_, &QWidget::setEnabled);
    // "Update" is clicked for real when the boot loader turns up after the mouse.
    flow_->setUpdateClicker([this] {
        flowClicks_ = true;
        update_->click();
        flowClicks_ = false;
    });
    confirm_ = [this](const QString& text) {
        return QMessageBox::question(this, windowTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };

    flow_->load(dataPath);
}

void Widget::showVersions(const QString& mouse, const QString& file) {
    const QString unknown = QStringLiteral("–");
    versions_->setText(
        tr("Mouse firmware: %1    data.bin: %2")
            .arg(mouse.isEmpty() ? unknown : mouse, file.isEmpty() ? unknown : file));
}

QString Widget::closeRefusedText() {
    return tr("The mouse's firmware is being written. Closing now would leave the mouse "
              "without working firmware; please wait until the update has finished.");
}

void Widget::closeEvent(QCloseEvent* event) {
    if (!flow_->flashing()) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
    // Not modal: the flash goes on and its progress keeps showing behind the message.
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), closeRefusedText(),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("closeRefused"));
    box->open();
}

QString Widget::confirmText() const {
    const QString file = flow_->fileVersion();
    const QString mouse = flow_->mouseVersion();
    QString text = !mouse.isEmpty() && mouse == file
                       ? tr("The mouse already runs firmware %1. Write it again?").arg(file)
                       : tr("Write firmware %1 to the mouse?").arg(file);
    return text + QLatin1Char('\n') +
           tr("Do not unplug the mouse or close this window until it says \"Update "
              "Success!\": a mouse cut off while its firmware is written has none.");
}

void Widget::updateProc() {
    // The user's click starts a flash only once answered; the flow's own click for the
    // boot loader continues what was answered already.
    const int state = flow_->updateState();
    const bool starts =
        !flow_->busy() && (state == UpdateFlow::kNormalSeen || state == UpdateFlow::kReady);
    if (!flowClicks_ && starts && confirm_ && !confirm_(confirmText()))
        return;
    flow_->updateProc();
}

void Widget::deviceChangeProc(int deviceIndex) {
    flow_->deviceChangeProc(deviceIndex);
}

} // namespace updater
