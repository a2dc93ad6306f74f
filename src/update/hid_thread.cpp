#include "hid_thread.h"

#include "hid_seam.h"
#include "update_log.h"

#include <QCoreApplication>
#include <QStringList>

#include <utility>

namespace updater {
namespace {

constexpr int kAcquireRounds = 255;
constexpr int kAcquirePauseMs = 8;
constexpr int kSettleStepMs = 64;

QString hexBytes(const unsigned char* data, std::size_t length) {
    QStringList parts;
    for (std::size_t i = 0; i < length; ++i)
        parts << QStringLiteral("%1").arg(data[i], 2, 16, QLatin1Char('0'));
    return parts.join(QLatin1Char(' '));
}

// The first two steps of deciphering (the key taken off, the 64 bits rotated back), which
// leave an enciphered all-zero answer as 0, S1..S6, 0. The shared decipher with a zero
// secrecy code does those two steps, mixes in nothing and then swaps the byte pairs;
// swapping them again undoes that last step.
void unmask(unsigned char* b) {
    const codec::SecrecyCode none{};
    codec::decipher(b, none.data());
    std::swap(b[0], b[5]);
    std::swap(b[1], b[4]);
    std::swap(b[2], b[7]);
    std::swap(b[3], b[6]);
}

} // namespace

Hid_Thread::Hid_Thread(Clock& clock, QObject* parent) : QThread(parent), clock_(clock) {
    table_[kNormal] = DeviceEntry{0x04D9, 0xA09F, 0xFF00, 0xFF00, 32, {}};
    table_[kBootLoader] = DeviceEntry{0x04D9, 0x8022, 0xFF00, 0x0020, 64, {}};
    for (int i = 0; i < 6; ++i)
        secrecy_[i + 1] = static_cast<std::uint8_t>(kDefaultSecrecy[i]);
}

void Hid_Thread::setNormalModeIds(quint16 vendorId, quint16 productId) {
    table_[kNormal].vendorId = vendorId;
    table_[kNormal].productId = productId;
}

int Hid_Thread::detect() {
    const hidseam::Api& hid = hidseam::api();
    int found = -1;
    for (int i = 0; i < int(table_.size()); ++i) {
        DeviceEntry& entry = table_[i];
        entry.path.clear();
        hid_device_info* devices = hid.enumerate(entry.vendorId, entry.productId);
        for (hid_device_info* d = devices; d; d = d->next) {
            if (d->usage_page == entry.usagePage && d->usage == entry.usage && d->path) {
                entry.path = QString::fromLocal8Bit(d->path);
                break;
            }
        }
        hid.free_enumeration(devices);
        if (!entry.path.isEmpty())
            found = i;
    }
    return found;
}

bool Hid_Thread::acquire() {
    for (int round = 0; round < kAcquireRounds; ++round) {
        if (linkFree_) {
            linkFree_ = false;
            return true;
        }
        clock_.sleep(kAcquirePauseMs);
        QCoreApplication::processEvents();
    }
    return false;
}

hid_device* Hid_Thread::openCurrent() {
    if (current_ < 0 || current_ >= int(table_.size()) || table_[current_].path.isEmpty())
        return nullptr;
    const hidseam::Api& hid = hidseam::api();
    hid_device* handle = hid.open_path(table_[current_].path.toLocal8Bit().constData());
    if (handle)
        hid.set_nonblocking(handle, 0);
    return handle;
}

void Hid_Thread::setCommand(const codec::Frame& frame) {
    command_[0] = 0;
    std::copy(frame.begin(), frame.end(), command_.begin() + 1);
}

void Hid_Thread::settleWait() {
    clock_.sleep(kSettleStepMs);
    clock_.sleep(kSettleStepMs);
}

bool Hid_Thread::writeTransfer(bool settle) {
    QCoreApplication::processEvents();
    const hidseam::Api& hid = hidseam::api();
    hid_device* handle = openCurrent();
    bool ok = handle != nullptr;
    if (ok) {
        if (encodeEnabled_)
            codec::encrypt(command_.data() + 1, secrecy_.data());
        ok = hid.send_feature_report(handle, command_.data(), command_.size()) >= 0;
        if (ok && settle)
            settleWait();
        hid.close(handle);
    }
    linkFree_ = true;
    return ok;
}

bool Hid_Thread::readTransfer() {
    const hidseam::Api& hid = hidseam::api();
    hid_device* handle = openCurrent();
    bool ok = handle != nullptr;
    if (ok) {
        if (encodeEnabled_)
            codec::encrypt(command_.data() + 1, secrecy_.data());
        ok = hid.send_feature_report(handle, command_.data(), command_.size()) >= 0 &&
             hid.get_feature_report(handle, answer_.data(), answer_.size()) >= 0;
        hid.close(handle);
    }
    linkFree_ = true;
    if (ok && encodeEnabled_)
        codec::decipher(answer_.data() + 1, secrecy_.data());
    return ok;
}

bool Hid_Thread::checkEncryption() {
    if (!acquire()) {
        qCDebug(lcUpdate).noquote() << "cmd Failed";
        return true;
    }
    // The question goes out plain and the answer is taken as it comes, also when an
    // earlier check turned the cipher on.
    encodeEnabled_ = false;
    setCommand(codec::makeFrame(0x00));
    answer_.fill(0);
    readTransfer();
    qCDebug(lcUpdate).noquote() << "data" << hexBytes(answer_.data(), answer_.size());
    if (answer_[2] == 0 && answer_[3] == 0 && answer_[4] == 0) {
        encodeEnabled_ = false;
        return true;
    }
    unsigned char data1[8];
    std::copy(answer_.begin() + 1, answer_.end(), data1);
    unmask(data1);
    qCDebug(lcUpdate).noquote() << "data1" << hexBytes(data1, sizeof data1);
    for (int i = 1; i <= 6; ++i)
        secrecy_[i] = data1[i];
    encodeEnabled_ = true;
    qCDebug(lcUpdate).noquote() << "Secret" << hexBytes(secrecy_.data(), secrecy_.size());
    return true;
}

codec::Frame Hid_Thread::bootLoaderEntryFrame() const {
    const DeviceEntry& loader = table_[kBootLoader];
    const auto high = static_cast<std::uint8_t>(loader.productId >> 8);
    const auto low = static_cast<std::uint8_t>(loader.productId & 0xFF);
    const auto vendorLow = static_cast<std::uint8_t>(loader.vendorId & 0xFF);
    return codec::makeFrame(0x0F, high, static_cast<std::uint8_t>(~high), low,
                            static_cast<std::uint8_t>(~low), vendorLow,
                            static_cast<std::uint8_t>(~vendorLow));
}

bool Hid_Thread::enterBootLoader() {
    if (!acquire()) {
        qCDebug(lcUpdate).noquote() << "enterBootLoader fail";
        return false;
    }
    if (current_ == kBootLoader) {
        linkFree_ = true;
        return true;
    }
    setCommand(bootLoaderEntryFrame());
    writeTransfer(true);
    clock_.sleep(30);
    if (!acquire()) {
        qCDebug(lcUpdate).noquote() << "cmd Failed";
        return false;
    }
    setCommand(codec::makeFrame(0x8F));
    answer_.fill(0);
    readTransfer();
    return answer_[2] == 0xFF;
}

} // namespace updater
