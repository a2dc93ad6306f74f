#include "update/update_flow.h"

#include "platform/hid/hid_seam.h"
#include "update/update_log.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <utility>

namespace updater {
namespace {

constexpr int kEnterTries = 4;
constexpr int kEnterPauseMs = 300;
constexpr int kAfterConnectMs = 30;
constexpr int kAfterVerifyMs = 100;
constexpr int kAfterExecuteMs = 10;
constexpr int kAfterSwitchMs = 50;
constexpr int kBeforeClickMs = 30;
// PartialProgram takes a 16-bit address: the pages must end by 64 KiB.
constexpr quint64 kAddressableBytes = 0x10000;

void processEvents() {
    QCoreApplication::processEvents();
}

} // namespace

QString UpdateFlow::bootReturnLateText() {
    return QStringLiteral("The mouse has not come back in update mode yet. Still waiting: "
                          "the update goes on when it does. If nothing happens, unplug it "
                          "and plug it in again.");
}

QString UpdateFlow::noAccessText() {
    return QStringLiteral("A mouse is plugged in, but you may not open its device node. Install "
                          "the udev rule 70-mouse-suite.rules (README, section \"Using a real "
                          "mouse\") and plug the mouse in again.");
}

QString UpdateFlow::notEnteredText() {
    return QStringLiteral("The mouse did not switch to its update mode. Press Update to try "
                          "again; if it keeps refusing, unplug it and plug it in again.");
}

QString UpdateFlow::waitingForMouseText() {
    return QStringLiteral("Waiting for the configurator to let go of the mouse...");
}

QString UpdateFlow::statusText(int index) {
    static const char* const texts[] = {
        "Connected to the Device!",
        "Ready To Update!",
        "Disconnect the Device!",
        "Enter the bootloader mode...",
        "Erase ...",
        "Program ...",
        "Verify ...",
        "Update Success!",
        "Update Fail!",
    };
    if (index < 0 || index >= int(std::size(texts)))
        return QString();
    return QString::fromLatin1(texts[index]);
}

UpdateFlow::UpdateFlow(Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock), hid_(clock, this),
      hotplugFactory_([](QObject* p) { return hidseam::createHotplugSource(p); }),
      clickUpdate_([this] { updateProc(); }), deviceLock_(hidseam::deviceKey()),
      status_(QStringLiteral("Error:")) {
    mcu_.size = sizeof(IspMcuInfo);
    connect(this, &UpdateFlow::deviceChange, this, &UpdateFlow::deviceChangeProc);
    bootWatch_.setSingleShot(true);
    bootWatch_.setInterval(kBootReturnMs);
    connect(&bootWatch_, &QTimer::timeout, this, &UpdateFlow::bootReturnOverdue);
}

UpdateFlow::~UpdateFlow() {
    hid_.shutdown();
}

void UpdateFlow::onGui(std::function<void()> f) {
    gui_.post(std::move(f));
}

int UpdateFlow::loadImage(quint16& linkAddress) {
    // The other outputs are not needed: the page count comes from GetMCUInfo.
    quint32 length = 0, padded = 0, userSize = 0;
    quint16 pages = 0, version = 0;
    const int rc = LoadProgdata(reinterpret_cast<const uint8_t*>(file_.image.constData()),
                                static_cast<uint32_t>(file_.image.size()), &length, &linkAddress,
                                &padded, &pages, &userSize, &version);
    if (rc == ISP_OK)
        fileVersion_ = versionText(version);
    return rc;
}

QString UpdateFlow::versionText(quint16 version) {
    return QString::number(version >> 8, 16).toUpper() + QLatin1Char('.') +
           QStringLiteral("%1").arg(version & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

void UpdateFlow::setMouseVersion(const QString& version) {
    mouseVersion_ = version;
    emit versionsChanged(mouseVersion_, fileVersion_);
}

void UpdateFlow::askMouseVersion() {
    if (!askMouseVersion_ || busy_ || deviceState_ != Hid_Thread::kNormal)
        return;
    if (!takeMouse([this] { askMouseVersion(); }))
        return;
    hid_.worker().post([this] {
        quint8 a1 = 0, a2 = 0;
        const bool ok = hid_.readFirmwareVersion(a1, a2);
        onGui([this, ok, a1, a2] {
            if (letGoAfterVersion_) {
                letGoAfterVersion_ = false;
                letGoOfMouse();
            }
            if (ok && deviceState_ == Hid_Thread::kNormal) {
                setMouseVersion(versionText(quint16(a1 << 8 | a2)));
                qCInfo(lcUpdateReport).noquote()
                    << QStringLiteral("The mouse runs firmware %1; data.bin holds %2.")
                           .arg(mouseVersion_, fileVersion_);
            }
            if (autoUpdate_ && updateState_ == kNormalSeen)
                decideAutoUpdate();
        });
    });
}

void UpdateFlow::load(const QString& dataPath) {
    QFile data(dataPath);
    if (!data.open(QIODevice::ReadOnly)) {
        qCDebug(lcUpdate).noquote() << "Open data File fail";
        qCInfo(lcUpdateReport).noquote()
            << QStringLiteral("Cannot read the firmware file %1: %2. Nothing can be updated.")
                   .arg(QFileInfo(dataPath).absoluteFilePath(), data.errorString());
        return;
    }
    const auto unusable = [&](const QString& why) {
        qCInfo(lcUpdateReport).noquote()
            << QStringLiteral("The firmware file %1 cannot be used: %2.")
                   .arg(QFileInfo(dataPath).absoluteFilePath(), why);
    };
    file_ = FirmwareFile::parse(data.readAll());
    title_ = file_.title;
    emit titleChanged(title_);
    if (!file_.hasPayload) {
        unusable(QStringLiteral("it holds no firmware image"));
        return;
    }
    if (file_.oversize) {
        // Cutting it to the area would flash a truncated image.
        qCDebug(lcUpdate).noquote() << "data File too large";
        unusable(QStringLiteral("it is larger than the mouse's memory"));
        return;
    }
    hid_.setNormalModeIds(file_.vendorId, file_.productId);
    if (!file_.imageComplete) {
        qCDebug(lcUpdate).noquote() << "data File too short";
        unusable(QStringLiteral("its image is cut short"));
        return;
    }

    quint16 linkAddress = 0;
    if (loadImage(linkAddress) != ISP_OK) {
        unusable(QStringLiteral("the image is not one the mouse's boot loader takes"));
        return;
    }

    mcu_ = IspMcuInfo{};
    mcu_.size = sizeof(IspMcuInfo);
    const bool known = GetMCUInfo(&mcu_) != 0 && (mcu_.pageSize == 512 || mcu_.pageSize == 1024);
    quint16 sum = 0;
    if (known) {
        sum = GetChksum(1);
        checksumText_ = QString::number(sum, 16);
        emit checksumTextChanged(checksumText_);
    }
    const bool addressable = quint64(mcu_.pageCount) * mcu_.chunkSize <= kAddressableBytes;
    if (!known || !addressable || sum != file_.checksum || linkAddress != kUserProgramAddress) {
        unusable(sum != file_.checksum
                     ? QStringLiteral("the image's checksum is %1 where the file expects %2")
                           .arg(sum, 4, 16, QLatin1Char('0'))
                           .arg(file_.checksum, 4, 16, QLatin1Char('0'))
                     : QStringLiteral("the image does not fit the mouse's memory"));
        return;
    }
    qCInfo(lcUpdateReport).noquote()
        << QStringLiteral("Firmware %1 for the mouse %2:%3 read from %4.")
               .arg(fileVersion_)
               .arg(file_.vendorId, 4, 16, QLatin1Char('0'))
               .arg(file_.productId, 4, 16, QLatin1Char('0'))
               .arg(QFileInfo(dataPath).absoluteFilePath());
    emit versionsChanged(mouseVersion_, fileVersion_);
    progressMaximum_ = 3 * int(mcu_.pageCount) + 2;
    emit progressRangeChanged(0, progressMaximum_);
    progressTextVisible_ = false;
    emit progressTextVisibleChanged(false);

    updateState_ = kWaiting;
    setStatus(kDisconnect);
    if (takeMouse([this] { follow(); }))
        follow();
}

bool UpdateFlow::takeMouse(std::function<void()> retry) {
    if (deviceLock_.tryTake())
        return true;
    if (status_ != waitingForMouseText()) {
        statusBeforeWait_ = status_;
        status_ = waitingForMouseText();
        emit statusChanged(status_);
        qCInfo(lcUpdateReport).noquote() << status_;
    }
    lockWaiters_.push_back(std::move(retry));
    if (lockWaiters_.size() == 1)
        clock_.singleShot(kLockPollMs, this, [this] { pollMouse(); });
    return false;
}

void UpdateFlow::pollMouse() {
    if (!deviceLock_.tryTake()) {
        clock_.singleShot(kLockPollMs, this, [this] { pollMouse(); });
        return;
    }
    qCInfo(lcUpdateReport).noquote() << "The configurator let go of the mouse.";
    if (status_ == waitingForMouseText()) {
        status_ = statusBeforeWait_;
        emit statusChanged(status_);
    }
    const auto waiters = std::exchange(lockWaiters_, {});
    for (const auto& waiter : waiters)
        waiter();
}

void UpdateFlow::letGoOfMouse() {
    deviceLock_.release();
}

int UpdateFlow::detectOpenable() {
    const int found = hid_.detect();
    if (found < 0 || hid_.opens(found)) {
        noAccess_ = false;
        return found;
    }
    // Listed but not ours to open: as good as absent, and the user told why.
    if (!noAccess_) {
        noAccess_ = true;
        status_ = noAccessText();
        emit statusChanged(status_);
        qCInfo(lcUpdateReport).noquote() << status_;
    }
    return -1;
}

void UpdateFlow::follow() {
    storeDeviceState(detectOpenable());
    if (deviceState_ < 0)
        qCInfo(lcUpdateReport).noquote() << "No mouse is connected. Plug it in to update it.";
    emit deviceChange(deviceState_);
    watchDevices();
}

void UpdateFlow::watchDevices() {
    if (hotplug_ || !hotplugFactory_)
        return;
    hotplug_ = hotplugFactory_(this);
    if (!hotplug_)
        return;
    // Queued: an update started from a notification runs from the event loop, not from
    // inside the source's own handler.
    connect(hotplug_, &hidseam::HotplugSource::deviceAdded, this, &UpdateFlow::deviceArrived,
            Qt::QueuedConnection);
    connect(hotplug_, &hidseam::HotplugSource::deviceRemoved, this, &UpdateFlow::deviceRemoved,
            Qt::QueuedConnection);
}

void UpdateFlow::storeDeviceState(int state) {
    const bool changed = state != deviceState_;
    deviceState_ = state;
    hid_.setCurrentDevice(state);
    if (!changed || updateState_ == kNotReady)
        return;
    static const char* const seen[] = {
        "No mouse is connected. Plug it in to update it.",
        "The mouse is connected in normal mode; press Update to write the new firmware.",
        "The mouse is connected in its update mode (boot loader).",
    };
    qCInfo(lcUpdateReport).noquote() << seen[qBound(-1, state, 1) + 1];
    if (state != Hid_Thread::kNormal && !mouseVersion_.isEmpty())
        setMouseVersion(QString());
    askMouseVersion();
}

void UpdateFlow::deviceArrived() {
    const int found = detectOpenable();
    if (found != deviceState_) {
        storeDeviceState(found);
        emit deviceChange(found);
    }
}

void UpdateFlow::deviceRemoved() {
    storeDeviceState(-1);
    emit deviceChange(-1);
}

void UpdateFlow::forceStates(int updateState, int deviceState, bool autoUpdate, bool failed) {
    updateState_ = updateState;
    failed_ = failed;
    storeDeviceState(deviceState);
    autoUpdate_ = autoUpdate;
}

void UpdateFlow::offerUpdate() {
    setUpdateEnabled(true);
    setStatus(kConnected);
}

void UpdateFlow::decideAutoUpdate() {
    // The next mouse is updated by itself only when it is known to run other firmware:
    // the one just updated, plugged in again, is not flashed a second time unasked.
    if (!mouseVersion_.isEmpty() && mouseVersion_ != fileVersion_) {
        updateLater(kAutoUpdateDelayMs);
        return;
    }
    autoUpdate_ = false;
    offerUpdate();
    if (!mouseVersion_.isEmpty())
        qCInfo(lcUpdateReport).noquote()
            << QStringLiteral("The mouse already runs firmware %1; press Update to write it "
                              "again.")
                   .arg(mouseVersion_);
}

void UpdateFlow::deviceChangeProc(int deviceIndex) {
    qCDebug(lcUpdate).noquote() << "Device" << deviceIndex << updateState_;
    const int d = deviceState_;
    if (updateState_ == kNotReady && failed_ && d >= 0) {
        // Plugged in again after the final failure, as the window advised: the update can
        // be run again from the start, in whichever mode the mouse came back.
        failed_ = false;
        retries_ = 0;
        updateState_ = kWaiting;
    }
    if (updateState_ == kWaiting && d == Hid_Thread::kNormal) {
        updateState_ = kNormalSeen;
        // With the flag set the mouse's version decides, once it has told it.
        if (!autoUpdate_ || !askMouseVersion_ || busy_) {
            autoUpdate_ = false;
            offerUpdate();
        }
    } else if (updateState_ == kWaiting && d == Hid_Thread::kBootLoader) {
        updateState_ = kReady;
        setUpdateEnabled(true);
        setStatus(kReadyToUpdate);
    } else if (updateState_ == kNormalSeen && d == Hid_Thread::kNormal && bootLate_) {
        // Back in normal mode after all (replugged): it can be sent again.
        bootLate_ = false;
        setUpdateEnabled(true);
        setStatus(kConnected);
    } else if (updateState_ == kNormalSeen && d == Hid_Thread::kBootLoader) {
        bootWatch_.stop();
        bootLate_ = false;
        updateState_ = kReady;
        setStatus(kReadyToUpdate);
        processEvents();
        clock_.sleep(kBeforeClickMs);
        setUpdateEnabled(true);
        clickUpdate_();
    } else if (updateState_ == kUpdated && d == Hid_Thread::kNormal) {
        updateState_ = kWaiting;
        autoUpdate_ = true;
    }
}

void UpdateFlow::updateLater(int ms) {
    if (callPending_)
        return;
    callPending_ = true;
    clock_.singleShot(ms, this, [this] {
        callPending_ = false;
        updateProc();
    });
}

void UpdateFlow::updateProc() {
    // A step runs on the worker. An "Update" while the mouse is sent to its boot loader
    // (the automatic one, when the mouse restarted before the entry step ended) runs when
    // that step is done; nothing starts a second flash inside the first.
    if (busy_) {
        if (!flashing_)
            rerun_ = true;
        return;
    }
    if (updateState_ == kNormalSeen)
        enterBootLoader();
    else if (updateState_ == kReady)
        program();
}

void UpdateFlow::stepDone() {
    busy_ = false;
    if (rerun_) {
        rerun_ = false;
        updateProc();
    }
}

void UpdateFlow::bootReturnOverdue() {
    if (updateState_ != kNormalSeen || deviceState_ == Hid_Thread::kBootLoader)
        return;
    if (busy_) {
        bootWatch_.start(); // still entering: the bound counts from its end
        return;
    }
    // Some mice take longer: the boot loader is still taken up whenever it appears.
    qCDebug(lcUpdate).noquote() << "boot loader late";
    bootLate_ = true;
    setExitEnabled(true);
    status_ = bootReturnLateText();
    emit statusChanged(status_);
    qCInfo(lcUpdateReport).noquote() << status_;
}

void UpdateFlow::enterBootLoader() {
    if (deviceState_ != Hid_Thread::kNormal) {
        updateLater(kRetryDelayMs);
        return;
    }
    if (!takeMouse([this] { updateProc(); }))
        return;
    // Every mouse is asked, an automatic update's too: the next one plugged in may
    // encipher differently.
    autoUpdate_ = false;
    bootLate_ = false;
    setProgress(1);
    setStatus(kEntering);
    busy_ = true;
    const bool queued = hid_.worker().post([this] {
        hid_.checkEncryption();
        bool entered = false;
        for (int attempt = 0; attempt < kEnterTries && !entered; ++attempt) {
            if (attempt > 0)
                clock_.sleep(kEnterPauseMs);
            entered = hid_.enterBootLoader();
        }
        onGui([this, entered] {
            // The mouse took it and restarts: it gets a bounded time to come back as its
            // boot loader. Not taken, "Update" runs this again, and the user is told.
            if (entered && updateState_ == kNormalSeen)
                bootWatch_.start();
            if (!entered && updateState_ == kNormalSeen) {
                setProgress(0);
                status_ = notEnteredText();
                emit statusChanged(status_);
                qCInfo(lcUpdateReport).noquote() << status_;
            }
            stepDone();
        });
    });
    if (!queued)
        busy_ = false;
}

void UpdateFlow::program() {
    // The mouse was let go after a final failure; it is taken again before any command.
    if (!takeMouse([this] { updateProc(); }))
        return;
    setUpdateEnabled(false);
    setExitEnabled(false);
    busy_ = true;
    flashing_ = true;
    const bool queued = hid_.worker().post([this] {
        const int connected = ConnectToBootloader();
        clock_.sleep(kAfterConnectMs);
        quint16 linkAddress = 0;
        const int loaded = loadImage(linkAddress);
        // Each result on its own: error codes of opposite sign must not add up to success.
        const bool ok = connected == ISP_OK && loaded == ISP_OK && runPhases();
        if (!ok)
            DisConnectBootloader();
        onGui([this, ok] {
            flashing_ = false;
            if (ok)
                succeeded();
            else
                attemptFailed();
            stepDone();
        });
    });
    if (!queued) {
        busy_ = false;
        flashing_ = false;
    }
}

bool UpdateFlow::runPhases() {
    const quint32 n = mcu_.pageCount;
    const quint32 p = mcu_.chunkSize;
    const auto status = [this](int index) { onGui([this, index] { setStatus(index); }); };
    const auto progress = [this](int value) { onGui([this, value] { setProgress(value); }); };

    status(kErasing);
    for (quint32 page = 0; page < n; ++page) {
        if (EraseByPage(static_cast<uint16_t>(page), 1, 0) != ISP_OK) {
            qCDebug(lcUpdate).noquote() << "Erase Error";
            return false;
        }
        progress(int(page) + 1);
    }

    if (BlankCheck(0) != ISP_OK) {
        qCDebug(lcUpdate).noquote() << "BlankCheck Error";
        return false;
    }

    status(kProgramming);
    for (quint32 page = 0; page < n; ++page) {
        if (PartialProgram(static_cast<uint16_t>(page * p), static_cast<uint16_t>(p)) != ISP_OK) {
            qCDebug(lcUpdate).noquote() << "Program Error";
            return false;
        }
        progress(int(n + page) + 1);
    }

    status(kVerifying);
    for (quint32 page = 0; page < n; ++page) {
        if (VerifyByPage(static_cast<uint16_t>(page), 1, 0) != ISP_OK) {
            clock_.sleep(kAfterVerifyMs);
            qCDebug(lcUpdate).noquote() << "Verify Error";
            return false;
        }
        progress(int(2 * n + page) + 1);
    }
    clock_.sleep(kAfterVerifyMs);

    const int started = ExecuteProgramFrom(2);
    clock_.sleep(kAfterExecuteMs);
    if (started != ISP_OK || LockAll() == 0) {
        qCDebug(lcUpdate).noquote() << "Lock Error";
        return false;
    }
    SwitchToUserProgram();
    clock_.sleep(kAfterSwitchMs);
    DisConnectBootloader();
    return true;
}

void UpdateFlow::succeeded() {
    // Done with the mouse once it is back and has told its new version: then the
    // configurator may take it up again.
    letGoAfterVersion_ = askMouseVersion_;
    if (!askMouseVersion_)
        letGoOfMouse();
    setExitEnabled(true);
    updateState_ = kUpdated;
    retries_ = 0;
    qCDebug(lcUpdate).noquote() << "Update Success";
    setStatus(kSuccess);
    setProgress(int(3 * mcu_.pageCount) + 2);
}

void UpdateFlow::attemptFailed() {
    ++retries_;
    if (retries_ < kAttempts) {
        qCInfo(lcUpdateReport).noquote()
            << QStringLiteral("Attempt %1 of %2 failed; trying again in %3 seconds.")
                   .arg(retries_)
                   .arg(kAttempts)
                   .arg(kRetryDelayMs / 1000);
        updateLater(kRetryDelayMs);
        return;
    }
    letGoOfMouse();
    setExitEnabled(true);
    setStatus(kFail);
    qCDebug(lcUpdate).noquote() << "Update fail";
    updateState_ = kNotReady;
    failed_ = true;
    autoUpdate_ = false;
}

void UpdateFlow::setStatus(int index) {
    status_ = statusText(index);
    emit statusChanged(status_);
    static const char* const told[] = {
        nullptr,
        "Ready to write the new firmware.",
        nullptr,
        "Sending the mouse into its update mode.",
        "Erasing the mouse's firmware.",
        "Writing the new firmware.",
        "Checking what was written.",
        "The update succeeded; the mouse restarts with the new firmware.",
        "The update failed after every attempt; the mouse stays in its update mode. Unplug "
        "it, plug it in again and retry.",
    };
    if (index >= 0 && index < int(std::size(told)) && told[index])
        qCInfo(lcUpdateReport).noquote() << told[index];
}

void UpdateFlow::setProgress(int value) {
    progress_ = value;
    emit progressChanged(value);
}

void UpdateFlow::setUpdateEnabled(bool enabled) {
    updateEnabled_ = enabled;
    emit updateEnabledChanged(enabled);
}

void UpdateFlow::setExitEnabled(bool enabled) {
    exitEnabled_ = enabled;
    emit exitEnabledChanged(enabled);
}

} // namespace updater
