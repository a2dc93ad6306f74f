#include "facade/mouse_sync.h"

#include "device/device_log.h"
#include "device/hid_thread.h"

#include <QSettings>

namespace {

const char* const kDigestKey = "confirmed/digest";

} // namespace

MouseSync::MouseSync(Hid_Thread& hid, const QString& recordPath, Digest digest, QObject* parent)
    : QObject(parent), hid_(hid), recordPath_(recordPath), digest_(std::move(digest)) {
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, &MouseSync::retry);
    confirm_.setInterval(kConfirmPollMs);
    connect(&confirm_, &QTimer::timeout, this, &MouseSync::confirm);
    connect(&hid_, &Hid_Thread::sendFailed, this, [this] {
        ++failures_;
        markOutOfStep();
    });
    // Whatever was on its way when the mouse left may not have arrived.
    connect(&hid_, &Hid_Thread::listenerEnded, this, &MouseSync::markOutOfStep);
}

bool MouseSync::needsResend() const {
    if (outOfStep_)
        return true;
    const QByteArray record = recorded(); // one read of the record file
    return record.isEmpty() || record != digest_().toHex();
}

void MouseSync::markOutOfStep() {
    outOfStep_ = true;
    if (!retry_.isActive() && !confirm_.isActive())
        retry_.start();
}

void MouseSync::retry() {
    // Away, refused or with the updater: the next acceptance sends the profile.
    if (!hid_.deviceAccepted() || !hid_.isListening() || hid_.handedOver())
        return;
    qCDebug(lcDevice).noquote() << "the mouse may not hold the profile; sending it again";
    emit resendRequested();
}

void MouseSync::resendQueued() {
    retry_.stop();
    failuresAtResend_ = failures_;
    confirm_.start();
}

void MouseSync::confirm() {
    if (!hid_.isLinkFree())
        return;
    confirm_.stop();
    if (failures_ != failuresAtResend_) {
        markOutOfStep();
        return;
    }
    outOfStep_ = false;
    record();
    emit inStep();
}

void MouseSync::recordIfInStep() {
    // A resend whose transfers have all run counts, even when its check has not come round
    // yet (a short-lived program ends right after its sends).
    if (confirm_.isActive())
        confirm();
    if (!outOfStep_ && !confirm_.isActive())
        record();
}

QByteArray MouseSync::recorded() const {
    QSettings settings(recordPath_, QSettings::IniFormat);
    return settings.value(kDigestKey).toByteArray();
}

void MouseSync::record() {
    QSettings settings(recordPath_, QSettings::IniFormat);
    settings.setValue(kDigestKey, digest_().toHex());
    settings.sync();
}
