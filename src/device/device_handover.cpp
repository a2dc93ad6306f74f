#include "device/device_handover.h"

#include "device/device_log.h"
#include "device/hid_thread.h"
#include "platform/hid/hid_seam.h"

DeviceHandover::DeviceHandover(Hid_Thread& hid, QObject* parent)
    : QObject(parent), hid_(hid), lock_(hidseam::deviceKey()) {
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &DeviceHandover::poll);
    drainPoll_.setInterval(kDrainPollMs);
    connect(&drainPoll_, &QTimer::timeout, this, &DeviceHandover::drainStep);
    launchPause_.setSingleShot(true);
    launchPause_.setInterval(kLaunchPauseMs);
    connect(&launchPause_, &QTimer::timeout, this, [this] { emit handedOver(true); });
}

void DeviceHandover::claim() {
    if (lock_.tryTake())
        return;
    qCDebug(lcDevice).noquote() << "the mouse is with another program; waiting for it";
    hid_.setHandedOver(true);
    pid_ = 0;
    seenTaken_ = true;
    poll_.start();
}

void DeviceHandover::handOver(int drainMs) {
    if (handingOver() || away())
        return;
    listened_ = hid_.isListening();
    hid_.requestListenerStop();
    drainMs_ = drainMs;
    drainClock_.start();
    emit handOverStarted();
    drainPoll_.start();
    drainStep();
}

void DeviceHandover::drainStep() {
    if (hid_.listenerStopped() && hid_.isLinkFree()) {
        drainPoll_.stop();
        hid_.setHandedOver(true);
        lock_.release();
        launchPause_.start();
        return;
    }
    if (drainClock_.elapsed() >= drainMs_) {
        drainPoll_.stop();
        if (listened_)
            hid_.startListener(hid_.currentDeviceIndex());
        emit handedOver(false);
    }
}

void DeviceHandover::watch(qint64 pid) {
    pid_ = pid;
    seenTaken_ = false;
    poll();
    if (hid_.handedOver())
        poll_.start();
}

bool DeviceHandover::away() const {
    return hid_.handedOver();
}

void DeviceHandover::poll() {
    if (lock_.heldElsewhere()) {
        seenTaken_ = true;
        return;
    }
    // Free: either the other program is done with the mouse, or it has not taken it yet.
    if (!seenTaken_ && runtimedir::processRunning(pid_))
        return;
    if (lock_.tryTake())
        takeBack();
}

void DeviceHandover::takeBack() {
    poll_.stop();
    hid_.setHandedOver(false);
    qCDebug(lcDevice).noquote() << "the mouse is back from the updater";
    hid_.discover();
    emit returned();
}
