// The updater's behaviour behind its window: reading and checking the firmware file,
// following the mouse as it comes and goes in normal and boot-loader mode, and the update
// itself through ISPDLL. The window (Widget) only shows what this object reports and
// forwards the clicks.
#pragma once

#include "device/transport/thread_handoff.h"
#include "isp/ispdll.h"
#include "platform/runtime/device_lock.h"
#include "update/clock.h"
#include "update/firmware_file.h"
#include "update/hid_thread.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <vector>

namespace hidseam {
class HotplugSource;
}

namespace updater {

class UpdateFlow : public QObject {
    Q_OBJECT
  public:
    // Update states.
    static constexpr int kNotReady = -1;
    static constexpr int kWaiting = 0;
    static constexpr int kNormalSeen = 1;
    static constexpr int kReady = 2;
    static constexpr int kUpdated = 3;

    // Status texts 0 to 8.
    static constexpr int kConnected = 0;
    static constexpr int kReadyToUpdate = 1;
    static constexpr int kDisconnect = 2;
    static constexpr int kEntering = 3;
    static constexpr int kErasing = 4;
    static constexpr int kProgramming = 5;
    static constexpr int kVerifying = 6;
    static constexpr int kSuccess = 7;
    static constexpr int kFail = 8;
    static QString statusText(int index);

    static constexpr quint16 kUserProgramAddress = 0x2000;
    static constexpr int kAttempts = 3;
    static constexpr int kRetryDelayMs = 5000;
    static constexpr int kAutoUpdateDelayMs = 3000;
    // How long the mouse may take to come back as its boot loader once it took the
    // command; past it the user is told, and the update still goes on when it appears.
    static constexpr int kBootReturnMs = 15000;
    void setBootReturnMs(int ms) { bootWatch_.setInterval(ms); }
    static QString bootReturnLateText();
    // Shown when the mouse is listed but this user may not open it, and when it did not
    // take the command to enter its update mode.
    static QString noAccessText();
    static QString notEnteredText();
    // Shown while another program (the configurator) still talks to the mouse.
    static QString waitingForMouseText();
    // How often the updater looks whether the mouse was let go.
    static constexpr int kLockPollMs = 250;
    // Whether this updater may talk to the mouse now.
    bool holdsMouse() const { return deviceLock_.held(); }

    using HotplugFactory = std::function<hidseam::HotplugSource*(QObject* parent)>;

    explicit UpdateFlow(Clock& clock, QObject* parent = nullptr);
    // Lets a running step end (the boot loader is never left half written) first.
    ~UpdateFlow() override;

    // Where device notifications come from; the HID seam's hot-plug source by default.
    void setHotplugFactory(HotplugFactory factory) { hotplugFactory_ = std::move(factory); }
    // What clicking "Update" does; calling updateProc() by default.
    void setUpdateClicker(std::function<void()> click) { clickUpdate_ = std::move(click); }

    // Whether a mouse seen in normal mode is asked for its firmware version (command 0x80)
    // so that the window can show it; off by default: nothing else talks to the mouse
    // before an update is asked for.
    void setAskMouseVersion(bool ask) { askMouseVersion_ = ask; }
    // The version in the firmware file and the one the mouse reported ("1.0B"); empty
    // when not known.
    QString fileVersion() const { return fileVersion_; }
    QString mouseVersion() const { return mouseVersion_; }
    static QString versionText(quint16 version);

    // Reads and checks the firmware file; with a good one, starts following the mouse.
    void load(const QString& dataPath);

    int updateState() const { return updateState_; }
    int deviceState() const { return deviceState_; }
    bool autoUpdate() const { return autoUpdate_; }
    int retryCount() const { return retries_; }

    QString title() const { return title_; }
    QString status() const { return status_; }
    QString checksumText() const { return checksumText_; }
    int progress() const { return progress_; }
    int progressMaximum() const { return progressMaximum_; }
    bool progressTextVisible() const { return progressTextVisible_; }
    bool updateEnabled() const { return updateEnabled_; }
    bool exitEnabled() const { return exitEnabled_; }
    // The boot loader is being written: closing now would leave the mouse without firmware.
    bool flashing() const { return flashing_; }
    // A step runs on the device worker.
    bool busy() const { return busy_; }

    const FirmwareFile& firmwareFile() const { return file_; }
    const IspMcuInfo& mcuInfo() const { return mcu_; }
    Hid_Thread& hid() { return hid_; }

    // Puts the window into a given state, as device changes and updates would have; for
    // tests that walk the device-change table.
    // `failed`: the state −1 is the one a final failure leaves.
    void forceStates(int updateState, int deviceState, bool autoUpdate, bool failed = false);

  signals:
    void deviceChange(int deviceIndex);

    void titleChanged(const QString& title);
    void statusChanged(const QString& status);
    void checksumTextChanged(const QString& text);
    void progressChanged(int value);
    void progressRangeChanged(int minimum, int maximum);
    void progressTextVisibleChanged(bool visible);
    void updateEnabledChanged(bool enabled);
    void exitEnabledChanged(bool enabled);
    void versionsChanged(const QString& mouseVersion, const QString& fileVersion);

  public slots:
    void updateProc();
    void deviceChangeProc(int deviceIndex);
    // Device notifications: some HID interface arrived / went away.
    void deviceArrived();
    void deviceRemoved();

  private:
    void enterBootLoader();
    // Enables "Update" for a mouse in normal mode.
    void offerUpdate();
    // With the auto-update flag set and the mouse's version asked for: flash it by itself
    // or offer "Update".
    void decideAutoUpdate();
    void program();
    // On the worker: the programming calls, with progress and texts handed to the GUI.
    bool runPhases();
    void succeeded();
    void attemptFailed();
    // A step on the worker has ended (on the GUI thread): an "Update" that came in
    // meanwhile runs now.
    void stepDone();
    void bootReturnOverdue();
    // Runs `f` on the GUI thread, after what is already queued there.
    void onGui(std::function<void()> f);
    // updateProc() once, `ms` from now; a call already pending stands for it.
    void updateLater(int ms);
    void watchDevices();
    // Takes the mouse from other programs' reach before the first command to it; false
    // (and the user told) while another program has it: `retry` runs when it may be free.
    bool takeMouse(std::function<void()> retry);
    void pollMouse();
    void letGoOfMouse();
    // Detection and device following, once the mouse is ours.
    void follow();
    // detect(), with a mouse that does not open counted as none (and said once).
    int detectOpenable();
    void storeDeviceState(int state);

    void setStatus(int index);
    void setProgress(int value);
    void setUpdateEnabled(bool enabled);
    void setExitEnabled(bool enabled);
    int loadImage(quint16& linkAddress);
    void askMouseVersion();
    void setMouseVersion(const QString& version);

    Clock& clock_;
    // Steps on the worker report to the GUI thread through it.
    transport::ThreadHandoff gui_;
    Hid_Thread hid_;
    HotplugFactory hotplugFactory_;
    std::function<void()> clickUpdate_;
    hidseam::HotplugSource* hotplug_ = nullptr;

    FirmwareFile file_;
    IspMcuInfo mcu_{};

    int updateState_ = kNotReady;
    int deviceState_ = -1;
    bool autoUpdate_ = false;
    int retries_ = 0;
    // The last attempt failed; a mouse plugged in again starts over.
    bool failed_ = false;
    bool noAccess_ = false;
    bool busy_ = false;
    bool rerun_ = false;
    bool flashing_ = false;
    bool callPending_ = false;
    runtimedir::DeviceLock deviceLock_;
    std::vector<std::function<void()>> lockWaiters_;
    QString statusBeforeWait_;
    bool letGoAfterVersion_ = false;
    QTimer bootWatch_;
    bool bootLate_ = false;
    bool askMouseVersion_ = false;
    QString fileVersion_;
    QString mouseVersion_;

    QString title_;
    QString status_;
    QString checksumText_;
    int progress_ = 0;
    int progressMaximum_ = 100;
    bool progressTextVisible_ = true;
    bool updateEnabled_ = false;
    bool exitEnabled_ = true;
};

} // namespace updater
