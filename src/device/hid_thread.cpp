#include "device/hid_thread.h"

#include "device/codec/report_codec.h"
#include "device/device_log.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <cstring>
#include <utility>

namespace {

constexpr int kBalloonMs = 10000;
constexpr int kInformationIcon = 1; // QSystemTrayIcon::Information
// The listener keeps one pool thread for itself, two while a restart waits for the old one.
constexpr int kMinPoolThreads = 3;

const hidseam::Api& hid() {
    return hidseam::api();
}

} // namespace

Hid_Thread::Hid_Thread(DpiNotices& notices, Configuration configuration, QObject* owner)
    : QThread(nullptr), owner_(owner), notices_(notices), configuration_(std::move(configuration)) {
}

QSettings* Hid_Thread::apConfig() const {
    return configuration_ ? configuration_() : nullptr;
}

void Hid_Thread::setWaits(const Waits& waits) {
    waits_ = waits;
    link_.setSleep(waits.sleep);
}

Hid_Thread::~Hid_Thread() {
    stopListener();
    // Queued writes still reach the mouse (bounded); nothing runs after this object.
    worker_.shutdown(kShutdownDrainMs);
}

// ---------------------------------------------------------------- device table

DeviceTable Hid_Thread::deviceTable() const {
    QMutexLocker lock(&tableMutex_);
    return devices_;
}

void Hid_Thread::setDeviceTable(const DeviceTable& table) {
    QMutexLocker lock(&tableMutex_);
    devices_ = table;
}

QString Hid_Thread::pathOf(Interface which, uint index) const {
    QMutexLocker lock(&tableMutex_);
    for (const DeviceEntry& e : devices_)
        if (static_cast<uint>(e.index) == index)
            return which == Interface::Command ? e.commandPath : e.notifyPath;
    return {};
}

void Hid_Thread::clearPath(Interface which, uint index) {
    QMutexLocker lock(&tableMutex_);
    for (DeviceEntry& e : devices_)
        if (static_cast<uint>(e.index) == index)
            (which == Interface::Command ? e.commandPath : e.notifyPath).clear();
}

transport::Target Hid_Thread::commandTarget(uint index) const {
    QMutexLocker lock(&tableMutex_);
    for (const DeviceEntry& e : devices_)
        if (static_cast<uint>(e.index) == index)
            return {e.commandPath.toLatin1(), e.reportLength};
    return {};
}

Hid_Thread::HandshakeInput Hid_Thread::handshakeInput() const {
    HandshakeInput input;
    QSettings* config = apConfig();
    if (!config)
        return input;
    input.productNames = config->value("common/product_name").toStringList();
    const QString prefix = QStringLiteral("common/sCode");
    for (const QString& key : config->allKeys()) {
        bool ok = false;
        const uint index = key.startsWith(prefix) ? key.mid(prefix.size()).toUInt(&ok) : 0;
        if (ok)
            input.codes.insert(index, config->value(key).toString());
    }
    return input;
}

QString Hid_Thread::HandshakeInput::codeFor(uint index) const {
    return codes.value(index, QStringLiteral("735190"));
}

void Hid_Thread::discover(const QString& registryPath) {
    if (handedOver_) {
        qCDebug(lcDevice).noquote() << "the mouse is with the updater; no discovery";
        return;
    }
    // One queued discovery enumerates when it runs, so it sees every change until then.
    if (discoveryQueued_.exchange(true))
        return;
    const bool queued = worker_.post([this, registryPath, input = handshakeInput()] {
        discoveryQueued_ = false;
        const HandshakeResult result = discoverOnWorker(registryPath, input);
        onOwnerThread([this, result] { finishHandshake(result); });
    });
    if (!queued)
        discoveryQueued_ = false;
}

bool Hid_Thread::discoverNow(const QString& registryPath) {
    if (handedOver_) {
        qCDebug(lcDevice).noquote() << "the mouse is with the updater; no discovery";
        return false;
    }
    HandshakeResult result;
    const HandshakeInput input = handshakeInput();
    worker_.call([&] { result = discoverOnWorker(registryPath, input); }, waits_.discoveryMs);
    finishHandshake(result);
    return result.accepted;
}

Hid_Thread::HandshakeResult Hid_Thread::discoverOnWorker(const QString& registryPath,
                                                         const HandshakeInput& input) {
    QSettings devInfo(registryPath, QSettings::IniFormat);
    const QList<RegistryRecord> records = registry::read(devInfo, input.productNames);
    {
        QMutexLocker lock(&tableMutex_);
        records_ = records;
    }
    uint index = curDevice_;
    const DeviceTable table = registry::rebuild(records, hid(), index);
    setDeviceTable(table);
    curDevice_ = index;
    state_.encodeEnabled = registry::encodeFlag(devInfo);
    return handshakeOnWorker(input.codeFor(index));
}

void Hid_Thread::swichCurDevice(uint did) {
    if (did != curDevice_) {
        curDevice_ = did;
        startListener(did);
    }
    chkDeviceIsEnCode();
}

// ---------------------------------------------------------------- frame and cipher

uchar Hid_Thread::hidCS(uchar* buf) {
    return codec::checksum(buf);
}

void Hid_Thread::USBDataEncryption(uchar FIFOBuf[], uchar SecrecyCode[]) {
    codec::encrypt(FIFOBuf, SecrecyCode);
}

void Hid_Thread::USBDataDecipher(uchar FIFOBuf[], uchar SecrecyCode[]) {
    codec::decipher(FIFOBuf, SecrecyCode);
}

void Hid_Thread::frame(uchar code, uchar p1, uchar p2, uchar p3, uchar p4, uchar p5, uchar p6) {
    const codec::Frame f = codec::makeFrame(code, p1, p2, p3, p4, p5, p6);
    commandReport_[0] = 0;
    std::memcpy(commandReport_ + 1, f.data(), f.size());
    std::memset(answerReport_, 0, sizeof answerReport_);
}

// ---------------------------------------------------------------- transfers (worker)

bool Hid_Thread::ended(transport::Outcome outcome, uint index) {
    if (outcome == transport::Outcome::NoDevice)
        clearPath(Interface::Command, index); // unavailable until the next discovery
    return outcome == transport::Outcome::Ok;
}

bool Hid_Thread::writeTransfer(int length, bool settle) {
    const LinkState& state = state_;
    if (state.linkDisabled || handedOver_)
        return false;
    const uint index = curDevice_;
    link_.setCipher(state.encodeEnabled ? state.secrecyCode.data() : nullptr);
    return ended(link_.write(commandTarget(index), commandReport_, settle, bulk_, length), index);
}

bool Hid_Thread::readTransfer(int length) {
    const LinkState& state = state_;
    if (state.linkDisabled || handedOver_)
        return false;
    const uint index = curDevice_;
    link_.setCipher(state.encodeEnabled ? state.secrecyCode.data() : nullptr);
    return ended(link_.read(commandTarget(index), commandReport_, answerReport_, bulk_, length,
                            {true, waits_.bulkReadMs}),
                 index);
}

// ---------------------------------------------------------------- acceptance

bool Hid_Thread::secrecyEcho(uchar& byte1, uchar& byte2, uchar& byte3, uchar& byte4,
                             const QByteArray& code) {
    bool ok = false;
    std::array<uchar, 4> echo{byte1, byte2, byte3, byte4};
    const bool ran = worker_.call(
        [&] {
            if (!code.isNull())
                codec::secrecyFromText(code.constData(), static_cast<std::size_t>(code.size()),
                                       state_.secrecyCode);
            frame(0x00, echo[0], echo[1], echo[2], echo[3]);
            ok = readTransfer(0);
            for (std::size_t i = 0; i < echo.size(); ++i)
                echo[i] = answerReport_[2 + i];
        },
        waits_.queueMs);
    if (!ran) {
        qCDebug(lcDevice).noquote() << "cmd Failed";
        return false;
    }
    byte1 = echo[0];
    byte2 = echo[1];
    byte3 = echo[2];
    byte4 = echo[3];
    return ok;
}

void Hid_Thread::chkDeviceIsEnCode() {
    HandshakeResult result;
    const QString code = handshakeInput().codeFor(curDevice_);
    worker_.call([&] { result = handshakeOnWorker(code); }, waits_.queueMs);
    finishHandshake(result);
}

Hid_Thread::HandshakeResult Hid_Thread::handshakeOnWorker(const QString& code) {
    HandshakeResult result;
    result.ran = true;
    QRandomGenerator random(static_cast<quint32>(QDateTime::currentSecsSinceEpoch()));
    const uchar r0 = static_cast<uchar>(random.generate());
    const uchar r1 = static_cast<uchar>(random.generate());
    const uchar r2 = static_cast<uchar>(random.generate());
    const uchar r3 = static_cast<uchar>(random.generate());
    uchar b0 = r0, b1 = r1, b2 = r2, b3 = r3;
    // A secrecy command that never went out proves nothing, whatever its bytes hold.
    // A text that is not six characters long leaves the code as it was.
    const QByteArray ascii = code.size() == 6 ? code.toLatin1() : QByteArray("");
    const bool sent = secrecyEcho(b0, b1, b2, b3, ascii);
    if (sent && b0 == r0 && b1 == r1 && b2 == r2 && b3 == r3) {
        state_.deviceAccepted = true;
        result.accepted = true;
        return result;
    }
    state_.deviceAccepted = false;
    if (code == QLatin1String("t-beacon")) {
        state_.linkDisabled = true;
        state_.deviceAccepted = true;
        state_.encodeEnabled = false;
        result.linkOff = true;
        return result;
    }
    result.reason = diagnoseOnWorker();
    return result;
}

void Hid_Thread::finishHandshake(const HandshakeResult& result) {
    if (result.accepted) {
        qCDebug(lcDevice).noquote() << "Device Connect";
        emit runRequested();
        emit viewEnabledRequested(true);
        clearHidBusy();
        emit balloonRequested(QStringLiteral("Info"), QStringLiteral("Detect Mouse!"),
                              kInformationIcon, kBalloonMs);
        startListener(curDevice_);
    } else {
        if (!result.ran)
            qCDebug(lcDevice).noquote() << "cmd Failed";
        qCDebug(lcDevice).noquote() << "Device Error";
        // Work that never got the worker means the queue did not make way: a mouse is
        // there, busy.
        if (!result.linkOff)
            emit windowHideRequested(result.ran ? result.reason : NoMouseReason::Refused);
    }
    emit discoveryFinished(result.accepted);
}

NoMouseReason Hid_Thread::diagnoseOnWorker() {
    QList<RegistryRecord> records;
    {
        QMutexLocker lock(&tableMutex_);
        records = records_;
    }
    if (records.isEmpty()) {
        QSettings devInfo(QStringLiteral(":/DevInfo.ini"), QSettings::IniFormat);
        records = registry::read(devInfo, {});
    }
    return diagnoseNoMouse(hid(), records);
}

// ---------------------------------------------------------------- listener

void Hid_Thread::startListener(uint index) {
    // A listener still in its read ends when the read does; the new one waits for it on
    // its own thread (one reader at a time, so a report is shown once), not here.
    const unsigned generation = ++listenerGeneration_;
    QFuture<void> previous = listener_;
    hid_03H_SetKeyboardoption(0x00, 0x0F, 0x9E, 0x45);
    removalSeen_ = false;
    listening_ = true;
    QThreadPool* pool = QThreadPool::globalInstance();
    if (pool->maxThreadCount() < kMinPoolThreads)
        pool->setMaxThreadCount(kMinPoolThreads);
    listener_ = QtConcurrent::run(pool, [this, index, generation, previous]() mutable {
        previous.waitForFinished();
        listenLoop(index, generation);
    });
}

bool Hid_Thread::listenerCurrent(unsigned generation) const {
    return listening_ && generation == listenerGeneration_;
}

void Hid_Thread::stopListener() {
    listening_ = false;
    listener_.waitForFinished();
}

void Hid_Thread::listenLoop(uint index, unsigned generation) {
    const QByteArray path = pathOf(Interface::Notify, index).toLatin1();
    if (path.isEmpty()) {
        // Nothing to listen to: say so instead of claiming to listen.
        if (generation == listenerGeneration_)
            listening_ = false;
        return;
    }
    // One handle for as long as reads succeed. The read's timeout is how often the loop
    // looks at a stop request: the HID seam (hidapi, the virtual mouse) has no read that
    // another thread can wake, so the listener sleeps in the read and wakes every
    // listenerReadMs, which is also the bound on stopListener().
    hid_device* handle = nullptr;
    while (listenerCurrent(generation)) {
        // The mouse is gone when its interface no longer opens, or when the hot-plug
        // source saw it leave (it may be back at the same path already, and then it has
        // to be accepted again). A failed read alone proves nothing: the interface is
        // opened again and decides.
        if (removalSeen_ && handle) {
            hid().close(handle);
            handle = nullptr;
        }
        if (!handle) {
            handle = removalSeen_ ? nullptr : hid().open_path(path.constData());
            if (handle)
                hid().set_nonblocking(handle, 0);
        }
        if (!handle) {
            if (generation != listenerGeneration_)
                break; // replaced meanwhile: the new listener decides
            qCDebug(lcDevice).noquote() << "Device removed";
            clearPath(Interface::Notify, index);
            listening_ = false;
            onOwnerThread([this] {
                emit viewEnabledRequested(false);
                emit listenerEnded();
            });
            break;
        }
        uchar report[4] = {};
        const int n = hid().read_timeout(handle, report, sizeof report, waits_.listenerReadMs);
        if (n < 0) {
            qCDebug(lcDevice).noquote() << "notification read failed";
            hid().close(handle);
            handle = nullptr;
            pauseListener(generation);
            continue;
        }
        if (n == 4 && report[0] == 0x06 && report[1] == 0x07)
            showDpiBalloon(report);
    }
    if (handle)
        hid().close(handle);
}

void Hid_Thread::pauseListener(unsigned generation) {
    // As long as a read would have waited, so that a read failing at once does not spin;
    // a stop or a removal ends the pause early.
    constexpr int kStepMs = 10;
    for (int waited = 0;
         waited < waits_.listenerReadMs && listenerCurrent(generation) && !removalSeen_;
         waited += kStepMs)
        QThread::msleep(kStepMs);
}

void Hid_Thread::deviceLeft(const QString& path) {
    if (!listening_ || path.isEmpty())
        return;
    const uint index = curDevice_;
    if (path == pathOf(Interface::Notify, index) || path == pathOf(Interface::Command, index))
        removalSeen_ = true;
}

void Hid_Thread::showDpiBalloon(const uchar* report) {
    // Stages outside the table have no DPI to show.
    const QString text = notices_.balloonText(report[3]);
    if (text.isEmpty())
        return;
    onOwnerThread([this, text] {
        emit balloonRequested(QStringLiteral("Info"), text, kInformationIcon, kBalloonMs);
    });
}
