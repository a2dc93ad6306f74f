#include "device/device_handover.h"

#include "device/device_log.h"
#include "device/hid_thread.h"
#include "platform/hid/hid_seam.h"

DeviceHandover::DeviceHandover(Hid_Thread& hid, QObject* parent)
    : QObject(parent), hid_(hid), lock_(hidseam::deviceKey()) {
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &DeviceHandover::poll);
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

bool DeviceHandover::handOver(int drainMs) {
    const bool listened = hid_.isListening();
    hid_.stopListener();
    if (!hid_.waitIdle(drainMs)) {
        if (listened)
            hid_.startListener(hid_.currentDeviceIndex());
        return false;
    }
    hid_.setHandedOver(true);
    lock_.release();
    return true;
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
