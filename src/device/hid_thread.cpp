#include "hid_thread.h"

#include "device_log.h"
#include "link_state.h"
#include "report_codec.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <cstring>

namespace {

constexpr int kAcquireRounds = 255;
constexpr int kPollMs = 8;
constexpr int kBulkPauseMs = 8;
constexpr int kListenerReadMs = 500;
constexpr int kBalloonMs = 10000;
constexpr int kInformationIcon = 1; // QSystemTrayIcon::Information
// The listener keeps one pool thread for itself; asynchronous writes need another.
constexpr int kMinPoolThreads = 3;

const hidseam::Api& hid() {
    return hidseam::api();
}

} // namespace

Hid_Thread::Hid_Thread(QObject* owner) : QThread(nullptr), owner_(owner) {}

Hid_Thread::~Hid_Thread() {
    stopListener();
    closeCommand();
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

int Hid_Thread::reportLengthOf(uint index) const {
    QMutexLocker lock(&tableMutex_);
    for (const DeviceEntry& e : devices_)
        if (static_cast<uint>(e.index) == index)
            return e.reportLength;
    return 0;
}

void Hid_Thread::discover(const QString& registryPath) {
    QSettings devInfo(registryPath, QSettings::IniFormat);
    const QStringList names =
        apConfig_ ? apConfig_->value("common/product_name").toStringList() : QStringList();
    const QList<RegistryRecord> records = registry::read(devInfo, names);
    uint index = curDevice_;
    const DeviceTable table = registry::rebuild(records, hid(), index);
    setDeviceTable(table);
    curDevice_ = index;
    LinkState::instance().encodeEnabled = registry::encodeFlag(devInfo);
    swichCurDevice(curDevice_);
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

// ---------------------------------------------------------------- link token

bool Hid_Thread::acquire() {
    bool expected = true;
    if (linkFree_.compare_exchange_strong(expected, false))
        return true;
    for (int round = 0; round < kAcquireRounds; ++round) {
        QThread::msleep(kPollMs);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        expected = true;
        if (round + 1 < kAcquireRounds && linkFree_.compare_exchange_strong(expected, false))
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- transfers

hid_device* Hid_Thread::openInterface(Interface which, uint index) {
    const QString path = pathOf(which, index);
    if (path.isEmpty())
        return nullptr;
    hid_device*& handle = which == Interface::Command ? commandHandle_ : notifyHandle_;
    if (handle) {
        hid().close(handle);
        handle = nullptr;
    }
    handle = hid().open_path(path.toLatin1().constData());
    if (!handle) {
        // Unavailable until the next discovery pass.
        clearPath(which, index);
        return nullptr;
    }
    hid().set_nonblocking(handle, 0);
    return handle;
}

void Hid_Thread::closeCommand() {
    if (commandHandle_) {
        hid().close(commandHandle_);
        commandHandle_ = nullptr;
    }
}

void Hid_Thread::settleWait() {
    QThread::msleep(64);
    QThread::msleep(64);
}

bool Hid_Thread::finishTransfer(bool ok) {
    closeCommand();
    release();
    return ok;
}

bool Hid_Thread::sendCommandReport(uint index) {
    LinkState& link = LinkState::instance();
    if (link.linkDisabled || !openInterface(Interface::Command, index))
        return false;
    if (link.encodeEnabled)
        codec::encrypt(commandReport_ + 1, link.secrecyCode.data());
    return hid().send_feature_report(commandHandle_, commandReport_, sizeof commandReport_) >= 0;
}

bool Hid_Thread::moveBulk(uint index, int length, bool out) {
    const int reportLength = reportLengthOf(index);
    if (reportLength <= 0)
        return false;
    const int chunk = std::min(length, reportLength);
    QByteArray buffer(reportLength + 1, '\0');
    auto* report = reinterpret_cast<uchar*>(buffer.data());
    const auto size = static_cast<size_t>(buffer.size());
    for (int offset = 0; offset < length; offset += chunk) {
        const auto n = static_cast<size_t>(std::min(chunk, length - offset));
        buffer.fill('\0');
        if (out)
            std::memcpy(report + 1, bulk_ + offset, n);
        if (!openInterface(Interface::Command, index))
            return false;
        if (out) {
            if (hid().write(commandHandle_, report, size) < 0)
                return false;
            QThread::msleep(kBulkPauseMs);
        } else {
            // Bounded: a mouse that stops answering must not hang the window.
            if (hid().read_timeout(commandHandle_, report, size, kBulkReadTimeoutMs) <= 0)
                return false;
            std::memcpy(bulk_ + offset, report, n);
        }
    }
    return true;
}

bool Hid_Thread::writeTransfer(int length, bool settle) {
    QCoreApplication::processEvents();
    const uint index = curDevice_;
    if (!sendCommandReport(index))
        return finishTransfer(false);
    if (settle)
        settleWait();
    if (length > 0) {
        if (!moveBulk(index, length, true))
            return finishTransfer(false);
        if (settle)
            settleWait();
    }
    return finishTransfer(true);
}

bool Hid_Thread::readTransfer(int length) {
    const uint index = curDevice_;
    if (!sendCommandReport(index) || !openInterface(Interface::Command, index) ||
        hid().get_feature_report(commandHandle_, answerReport_, sizeof answerReport_) < 0)
        return finishTransfer(false);
    if (length == 0) {
        LinkState& link = LinkState::instance();
        if (link.encodeEnabled)
            codec::decipher(answerReport_ + 1, link.secrecyCode.data());
        return finishTransfer(true);
    }
    return finishTransfer(moveBulk(index, length, false));
}

void Hid_Thread::startAsyncWrite(int length, bool settle) {
    QThreadPool* pool = QThreadPool::globalInstance();
    if (pool->maxThreadCount() < kMinPoolThreads)
        pool->setMaxThreadCount(kMinPoolThreads);
    // Nobody waits for it; the token tells the next command when it is done.
    (void)QtConcurrent::run(pool, [this, length, settle] { writeTransfer(length, settle); });
}

// ---------------------------------------------------------------- acceptance

template <typename F> void Hid_Thread::onOwnerThread(F&& f) {
    if (QThread::currentThread() == thread())
        f();
    else
        QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::QueuedConnection);
}

bool Hid_Thread::secrecyEcho(uchar& byte1, uchar& byte2, uchar& byte3, uchar& byte4) {
    if (!acquire()) {
        qCDebug(lcDevice).noquote() << "cmd Failed";
        return false;
    }
    frame(0x00, byte1, byte2, byte3, byte4);
    const bool ok = readTransfer(0);
    byte1 = answerReport_[2];
    byte2 = answerReport_[3];
    byte3 = answerReport_[4];
    byte4 = answerReport_[5];
    return ok;
}

void Hid_Thread::chkDeviceIsEnCode() {
    LinkState& link = LinkState::instance();
    const QString key = QStringLiteral("common/sCode") + QString::number(curDevice_);
    const QString code =
        apConfig_ ? apConfig_->value(key, "735190").toString() : QStringLiteral("735190");
    const QByteArray ascii = code.toLatin1();
    codec::secrecyFromText(ascii.constData(), static_cast<std::size_t>(code.size()),
                           link.secrecyCode);

    QRandomGenerator random(static_cast<quint32>(QDateTime::currentSecsSinceEpoch()));
    const uchar r0 = static_cast<uchar>(random.generate());
    const uchar r1 = static_cast<uchar>(random.generate());
    const uchar r2 = static_cast<uchar>(random.generate());
    const uchar r3 = static_cast<uchar>(random.generate());
    uchar b0 = r0, b1 = r1, b2 = r2, b3 = r3;
    // A secrecy command that never went out proves nothing, whatever its bytes hold.
    const bool sent = secrecyEcho(b0, b1, b2, b3);

    if (sent && b0 == r0 && b1 == r1 && b2 == r2 && b3 == r3) {
        qCDebug(lcDevice).noquote() << "Device Connect";
        emit runRequested();
        emit viewEnabledRequested(true);
        clearHidBusy();
        link.deviceAccepted = true;
        emit balloonRequested(QStringLiteral("Info"), QStringLiteral("Detect Mouse!"),
                              kInformationIcon, kBalloonMs);
        startListener(curDevice_);
        return;
    }
    qCDebug(lcDevice).noquote() << "Device Error";
    link.deviceAccepted = false;
    if (code == QLatin1String("t-beacon")) {
        link.linkDisabled = true;
        link.deviceAccepted = true;
        link.encodeEnabled = false;
        return;
    }
    emit windowHideRequested();
}

// ---------------------------------------------------------------- listener

void Hid_Thread::startListener(uint index) {
    stopListener();
    hid_03H_SetKeyboardoption(0x00, 0x0F, 0x9E, 0x45);
    listening_ = true;
    QThreadPool* pool = QThreadPool::globalInstance();
    if (pool->maxThreadCount() < kMinPoolThreads)
        pool->setMaxThreadCount(kMinPoolThreads);
    listener_ = QtConcurrent::run(pool, [this, index] { listenLoop(index); });
}

void Hid_Thread::stopListener() {
    if (listening_.exchange(false))
        listener_.waitForFinished();
    else if (listener_.isRunning())
        listener_.waitForFinished();
}

void Hid_Thread::listenLoop(uint index) {
    if (pathOf(Interface::Notify, index).isEmpty()) {
        // Nothing to listen to: say so instead of claiming to listen.
        listening_ = false;
        return;
    }
    while (listening_) {
        if (!openInterface(Interface::Notify, index)) {
            qCDebug(lcDevice).noquote() << "Device removed";
            onOwnerThread([this] { emit viewEnabledRequested(false); });
            clearPath(Interface::Notify, index);
            listening_ = false;
            break;
        }
        uchar report[4] = {};
        const int n = hid().read_timeout(notifyHandle_, report, sizeof report, kListenerReadMs);
        if (n == 4 && report[0] == 0x06 && report[1] == 0x07)
            showDpiBalloon(report);
        hid().close(notifyHandle_);
        notifyHandle_ = nullptr;
    }
}

void Hid_Thread::showDpiBalloon(const uchar* report) {
    const int stage = report[3];
    // Stages outside the table have no DPI to show.
    if (stage < 1 || stage > LinkState::kStages)
        return;
    const LinkState& link = LinkState::instance();
    // Stages 7 and 8 share the seventh caption.
    const int caption = stage <= 6 ? stage - 1 : 6;
    const QString text = link.notificationText(caption) + QLatin1Char(' ') +
                         QString::number(link.stageDpi(stage - 1));
    onOwnerThread([this, text] {
        emit balloonRequested(QStringLiteral("Info"), text, kInformationIcon, kBalloonMs);
    });
}
