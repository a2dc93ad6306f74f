// The updater's window: a progress bar, the status line, the checksum field and the
// "Update" and "Exit" buttons. It shows what its UpdateFlow reports and hands it the
// clicks; the flow answers its own deviceChange signal, which the window passes on.
#pragma once

#include "update/update_flow.h"

#include <QWidget>

#include <functional>

#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace updater {

class Widget : public QWidget {
    Q_OBJECT
  public:
    // The program's window: real time, "./data.bin", the seam's hot-plug source.
    explicit Widget(QWidget* parent = nullptr);
    // With a clock, a firmware file and device notifications of the caller's choice.
    Widget(Clock& clock, const QString& dataPath, UpdateFlow::HotplugFactory hotplug,
           QWidget* parent = nullptr);
    ~Widget() override;

    UpdateFlow& flow() { return *flow_; }

    // Shown when closing is refused during a flash.
    static QString closeRefusedText();
    // The question before the user's "Update" starts a flash: which firmware, "already
    // runs it" when the mouse said so, and not to unplug it.
    QString confirmText() const;
    // Asks the question (a message box unless replaced, for tests); true to go on.
    using Confirm = std::function<bool(const QString& text)>;
    void setConfirm(Confirm confirm) { confirm_ = std::move(confirm); }

    QProgressBar* progressBar() const { return progress_; }
    QLabel* csLabel() const { return csLabel_; }
    QLabel* statusLabel() const { return status_; }
    QLineEdit* checksumField() const { return checksum_; }
    // The version the mouse reports and the one in data.bin.
    QLabel* versionsLabel() const { return versions_; }
    QPushButton* updateButton() const { return update_; }
    QPushButton* exitButton() const { return exit_; }

  signals:
    void deviceChange(int deviceIndex);

  public slots:
    void updateProc();
    void deviceChangeProc(int deviceIndex);

  protected:
    // Refused, with a message, while the boot loader is being written.
    void closeEvent(QCloseEvent* event) override;

  private:
    void showVersions(const QString& mouse, const QString& file);
    void build(Clock& clock, const QString& dataPath, UpdateFlow::HotplugFactory hotplug);

    std::unique_ptr<Clock> ownClock_;
    UpdateFlow* flow_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* csLabel_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* versions_ = nullptr;
    QLineEdit* checksum_ = nullptr;
    QPushButton* update_ = nullptr;
    QPushButton* exit_ = nullptr;
    Confirm confirm_;
    // The flow clicks "Update" itself when the boot loader turns up: no question then.
    bool flowClicks_ = false;
};

} // namespace updater
