#include "update/hid_thread.h"

#include "device/transport/device_ids.h"
#include "platform/hid/hid_seam.h"
#include "update/update_log.h"

#include <QStringList>

#include <utility>

namespace updater {
namespace {

// The updater queues nothing long: a command waits at most behind one programming step.
constexpr int kTurnWaitMs = 60000;

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

DeviceEntry entryOf(const deviceids::Device& d) {
    return DeviceEntry{d.vendorId,      d.productId,    d.command.usagePage,
                       d.command.usage, d.reportLength, {}};
}

} // namespace

Hid_Thread::Hid_Thread(Clock& clock, QObject* parent)
    : QThread(parent), clock_(clock), link_([&clock](int ms) { clock.sleep(ms); }) {
    table_[kNormal] = entryOf(deviceids::kMouse);
    table_[kBootLoader] = entryOf(deviceids::kBootLoader);
    for (int i = 0; i < 6; ++i)
        secrecy_[i + 1] = static_cast<std::uint8_t>(kDefaultSecrecy[i]);
}

Hid_Thread::~Hid_Thread() {
    worker_.shutdown();
}

std::array<DeviceEntry, 2> Hid_Thread::deviceTable() const {
    QMutexLocker lock(&tableMutex_);
    return table_;
}

void Hid_Thread::setNormalModeIds(quint16 vendorId, quint16 productId) {
    QMutexLocker lock(&tableMutex_);
    table_[kNormal].vendorId = vendorId;
    table_[kNormal].productId = productId;
}

codec::SecrecyCode Hid_Thread::secrecyCode() const {
    QMutexLocker lock(&tableMutex_);
    return secrecy_;
}

int Hid_Thread::detect() {
    const hidseam::Api& hid = hidseam::api();
    std::array<DeviceEntry, 2> table = deviceTable();
    int found = -1;
    for (int i = 0; i < int(table.size()); ++i) {
        DeviceEntry& entry = table[i];
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
    QMutexLocker lock(&tableMutex_);
    for (int i = 0; i < int(table.size()); ++i)
        table_[i].path = table[i].path;
    return found;
}

bool Hid_Thread::opens(int index) const {
    QByteArray path;
    {
        QMutexLocker lock(&tableMutex_);
        if (index < 0 || index >= int(table_.size()))
            return false;
        path = table_[index].path.toLocal8Bit();
    }
    const hidseam::Api& hid = hidseam::api();
    hid_device* device = path.isEmpty() ? nullptr : hid.open_path(path.constData());
    if (!device)
        return false;
    hid.close(device);
    return true;
}

bool Hid_Thread::onWorker(const transport::DeviceWorker::Job& job) {
    return worker_.call(job, kTurnWaitMs);
}

transport::Target Hid_Thread::currentTarget() const {
    const int current = current_;
    QMutexLocker lock(&tableMutex_);
    if (current < 0 || current >= int(table_.size()))
        return {};
    return {table_[current].path.toLocal8Bit(), table_[current].reportLength};
}

void Hid_Thread::setCommand(const codec::Frame& frame) {
    command_[0] = 0;
    std::copy(frame.begin(), frame.end(), command_.begin() + 1);
}

bool Hid_Thread::writeTransfer(bool settle) {
    QMutexLocker lock(&tableMutex_);
    link_.setCipher(encodeEnabled_ ? secrecy_.data() : nullptr);
    lock.unlock();
    return link_.write(currentTarget(), command_.data(), settle) == transport::Outcome::Ok;
}

bool Hid_Thread::readTransfer(bool checkAnswer) {
    QMutexLocker lock(&tableMutex_);
    link_.setCipher(encodeEnabled_ ? secrecy_.data() : nullptr);
    lock.unlock();
    transport::ReadCheck check;
    check.frame = checkAnswer;
    return link_.read(currentTarget(), command_.data(), answer_.data(), nullptr, 0, check) ==
           transport::Outcome::Ok;
}

bool Hid_Thread::checkEncryption() {
    if (!onWorker([this] { checkEncryptionOnWorker(); }))
        qCDebug(lcUpdate).noquote() << "cmd Failed";
    return true;
}

void Hid_Thread::checkEncryptionOnWorker() {
    // The question goes out plain and the answer is taken as it comes, also when an
    // earlier check turned the cipher on.
    encodeEnabled_ = false;
    setCommand(codec::makeFrame(0x00));
    answer_.fill(0);
    // An enciphering mouse answers the plain question with its cipher applied to a block
    // it could not read: no value frame, and that is what the code is recovered from.
    readTransfer(false);
    qCDebug(lcUpdate).noquote() << "data" << hexBytes(answer_.data(), answer_.size());
    if (answer_[2] == 0 && answer_[3] == 0 && answer_[4] == 0) {
        encodeEnabled_ = false;
        return;
    }
    unsigned char data1[8];
    std::copy(answer_.begin() + 1, answer_.end(), data1);
    unmask(data1);
    qCDebug(lcUpdate).noquote() << "data1" << hexBytes(data1, sizeof data1);
    QMutexLocker lock(&tableMutex_);
    for (int i = 1; i <= 6; ++i)
        secrecy_[i] = data1[i];
    encodeEnabled_ = true;
    qCDebug(lcUpdate).noquote() << "Secret" << hexBytes(secrecy_.data(), secrecy_.size());
}

codec::Frame Hid_Thread::bootLoaderEntryFrame() const {
    const auto high = static_cast<std::uint8_t>(deviceids::kBootLoader.productId >> 8);
    const auto low = static_cast<std::uint8_t>(deviceids::kBootLoader.productId & 0xFF);
    const auto vendorLow = static_cast<std::uint8_t>(deviceids::kBootLoader.vendorId & 0xFF);
    return codec::makeFrame(0x0F, high, static_cast<std::uint8_t>(~high), low,
                            static_cast<std::uint8_t>(~low), vendorLow,
                            static_cast<std::uint8_t>(~vendorLow));
}

bool Hid_Thread::enterBootLoader() {
    bool ok = false;
    if (!onWorker([this, &ok] { ok = enterBootLoaderOnWorker(); })) {
        qCDebug(lcUpdate).noquote() << "enterBootLoader fail";
        return false;
    }
    return ok;
}

bool Hid_Thread::readFirmwareVersion(quint8& a1, quint8& a2) {
    bool ok = false;
    onWorker([&] {
        if (current_ != kNormal)
            return;
        checkEncryptionOnWorker();
        setCommand(codec::makeFrame(0x80));
        answer_.fill(0);
        ok = readTransfer() && answer_[1] == 0x80;
        a1 = answer_[2];
        a2 = answer_[3];
    });
    return ok;
}

bool Hid_Thread::enterBootLoaderOnWorker() {
    if (current_ == kBootLoader)
        return true;
    setCommand(bootLoaderEntryFrame());
    writeTransfer(true);
    clock_.sleep(30);
    setCommand(codec::makeFrame(0x8F));
    answer_.fill(0);
    readTransfer();
    return answer_[2] == 0xFF;
}

} // namespace updater
