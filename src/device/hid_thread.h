// The device I/O object: the device table, the handshake and notification listener, and
// every command the mouse understands. It derives from QThread for its heritage, but its
// own thread is never started. All command traffic runs on one device worker, in the
// order it was asked for: setters queue their transfer and return at once, getters wait
// for the transfers queued before theirs and for their own answer. The listener reads the
// notification interface on a pool thread with a handle of its own.
#pragma once

#include "device/device_registry.h"
#include "device/dpi_notices.h"
#include "device/link_state.h"
#include "device/no_mouse_reason.h"
#include "device/transport/command_link.h"
#include "device/transport/device_worker.h"
#include "device/transport/thread_handoff.h"

#include <QFuture>
#include <QHash>
#include <QMutex>
#include <QSettings>
#include <QThread>

#include <array>
#include <atomic>
#include <functional>

class Hid_Thread : public QThread {
    Q_OBJECT
  public:
    // Where the handshake reads `common/sCode`N and discovery `common/product_name`: the
    // application configuration, asked for at each use (a reset replaces it). Empty: the
    // defaults.
    using Configuration = std::function<QSettings*()>;

    // `notices` gives the DPI balloons their captions and values; it outlives the link.
    explicit Hid_Thread(DpiNotices& notices, Configuration configuration = {},
                        QObject* owner = nullptr);
    ~Hid_Thread() override;

    // One discovery pass over `registryPath` and the handshake, both on the device worker
    // behind whatever is queued: the caller does not wait. The outcome comes back on the
    // owner's thread as the signals below, ending with discoveryFinished(). A discovery
    // asked for while one is still queued is the same discovery.
    void discover(const QString& registryPath = QStringLiteral(":/DevInfo.ini"));
    // The same, waiting for the outcome (at most the discovery bound): for callers with
    // no event loop to take the signals' turn. True when a mouse was accepted.
    bool discoverNow(const QString& registryPath = QStringLiteral(":/DevInfo.ini"));

    // The table is replaced by discovery and paths are cleared by failing transfers, on
    // several threads; callers get a copy.
    DeviceTable deviceTable() const;
    uint currentDeviceIndex() const { return curDevice_; }
    void setDeviceTable(const DeviceTable& table);

    // The link is free when nothing is queued or running on the device worker.
    bool isLinkFree() const { return worker_.idle(); }
    // Waits until every queued transfer has ended; false when `ms` passed first.
    bool waitIdle(int ms) { return worker_.waitIdle(ms); }
    bool isListening() const { return listening_; }
    // The secrecy code, the cipher and acceptance of the mouse this link talks to.
    const LinkState& linkState() const { return state_; }
    bool deviceAccepted() const { return state_.deviceAccepted; }
    DpiNotices& dpiNotices() { return notices_; }
    // While the mouse is with another program (the updater), every transfer is refused
    // and discovery does nothing: two programs' commands must never interleave.
    void setHandedOver(bool handedOver) { handedOver_ = handedOver; }
    bool handedOver() const { return handedOver_; }
    // The view host's clearHidBusy. The worker gives the link back after every transfer,
    // so there is nothing left to force.
    void clearHidBusy() {}

    void startListener(uint index);
    // Stops the listener and waits for its read to end (at most kListenerReadMs).
    void stopListener();
    // Asks the listener to stop without waiting; listenerStopped() tells when it has.
    void requestListenerStop() { listening_ = false; }
    bool listenerStopped() const { return listener_.isFinished(); }
    // The hot-plug source saw the device at `path` leave: when it is the one listened
    // to, the listener ends as for a removal, even if the mouse is back already.
    void deviceLeft(const QString& path);

    // How long a bulk input read waits before the transfer counts as failed.
    static constexpr int kBulkReadTimeoutMs = 2000;
    // How long a getter waits for the transfers queued before it to make way; the same
    // bound the link token gave (255 rounds of 8 ms). Past it the getter gives up.
    static constexpr int kQueueWaitMs = 2040;
    // How long one listener read blocks: the listener sees a stop request at the latest
    // this long after it, so stopListener() waits at most that.
    static constexpr int kListenerReadMs = 500;
    // Discovery waits behind whatever is queued; a factory reset's worth of writes fits.
    static constexpr int kDiscoveryWaitMs = 30000;
    // When the link goes (the program quits), what is queued still reaches the mouse, for
    // at most this long; the rest is dropped.
    static constexpr int kShutdownDrainMs = 5000;

    // Every wait the link makes. The defaults are what the mouse and the pages need; a
    // test against the virtual mouse shortens them so that a fault costs milliseconds.
    struct Waits {
        int bulkReadMs = kBulkReadTimeoutMs;
        int queueMs = kQueueWaitMs;
        int listenerReadMs = kListenerReadMs;
        int discoveryMs = kDiscoveryWaitMs;
        // Makes the pauses the protocol asks for (settle waits, 8 ms after each bulk
        // report and after the setters that pause); empty: real sleeps.
        transport::CommandLink::Sleep sleep;
    };
    // Before the first transfer and with no listener running.
    void setWaits(const Waits& waits);

  signals:
    // What acceptance and the listener ask of the window, the view host and the tray.
    // Always emitted on the thread that owns this object.
    void runRequested();
    void viewEnabledRequested(bool enabled);
    void balloonRequested(const QString& title, const QString& text, int icon, int msecs);
    // The handshake found no mouse to accept; `reason` says why (looked at on the worker).
    void windowHideRequested(NoMouseReason reason);
    // A queued setter's transfer failed: `code` is its command code.
    void sendFailed(int code);
    // The listener found the device gone and ended.
    void listenerEnded();
    // A discovery and its handshake have run; `accepted`: a mouse answered.
    void discoveryFinished(bool accepted);

  public slots:
    void swichCurDevice(uint did);
    uchar hidCS(uchar* buf);
    void chkDeviceIsEnCode();
    void USBDataEncryption(uchar FIFOBuf[], uchar SecrecyCode[]);
    void USBDataDecipher(uchar FIFOBuf[], uchar SecrecyCode[]);

    bool hid_00H_GetSecrecyCode(uchar& byte1, uchar& byte2, uchar& byte3, uchar& byte4);
    void hid_01H_SetReportRate(uchar rate);
    void hid_02H_SetCurrentProfile(uchar profile);
    void hid_03H_SetKeyboardoption(uchar byte1, uchar byte2, uchar byte3, uchar byte4);
    void hid_03H_SetFunctionOption(uchar type, uchar rate, uchar option1, uchar option2);
    void hid_04H_SetGunData(uchar par0, uchar par1, uchar par2, uchar par3, uchar par4);
    void hid_07H_SetControlIndicatorLight(uchar effect, uchar frequenty);
    void hid_07H_SetLEDInstructFunction(uchar type, uchar option1, uchar option2, uchar option3);
    void hid_08H_SetLEDType(uchar option, uchar effect, uchar speed, uchar light, uchar color,
                            uchar direction);
    void hid_09H_SetKeyboardMode(uchar mode);
    void hid_0BH_SetCurrentDPIStage(uchar dpiStage);
    void hid_0DH_SetKeyMatrix(uchar* src512);
    void hid_0DH_SetRGBLedEffect(uchar effect, uchar option1, uchar option2);
    void hid_0EH_SetKeyOnOff(uchar* src21);
    void hid_0EH_SetXYSensitive(uchar par0, uchar par1);
    void hid_10H_SetLED8StageColor(uchar type, uchar* src24);
    void hid_11H_SetMacroKey(uchar macroId, uchar* src192);
    void hid_11H_SetDPISet(uchar dpiStage, uchar* src8);
    void hid_12H_SetUserPicture(uchar index, uchar option, uchar* src512);
    void hid_12H_SetKeyMatrix(uchar* src64, uchar indexAddOne);
    void hid_13H_SetRecoveryData();
    void hid_13H_SetMacroKey(uchar macroId, uchar* src128);
    void hid_14H_SetColor(uchar index, uchar rValue, uchar gValue, uchar bValue);

    bool hid_80H_GetFWVersion(QString& version);
    bool hid_81H_GetReportRate(uchar& rate);
    bool hid_82H_GetCurrentProfile(uchar& profile);
    bool hid_83H_GetKeyboardoption(uchar& byte1, uchar& byte2, uchar& byte3, uchar& byte4);
    bool hid_83H_GetFunctionOption(uchar& type, uchar& option1, uchar& option2);
    bool hid_84H_GetButtonSensitivity(uchar& sens1, uchar& sens2, uchar& sens3, uchar& sens4);
    bool hid_87H_GetLEDInstructFunction(uchar type, uchar& option1, uchar& option2, uchar& option3);
    bool hid_88H_GetLEDType(uchar& effect, uchar& speed, uchar& light, uchar& color,
                            uchar& direction);
    bool hid_89H_GetKeyboardMode(uchar& mode);
    bool hid_8BH_GetCurrentDPIStage(uchar& dpiStage);
    bool hid_8DH_GetKeyMatrix(uchar* src512);
    bool hid_8DH_GetRGBLedEffect(uchar& effect, uchar& option1, uchar& option2);
    bool hid_8EH_GetKeyOnOff(uchar* src21);
    bool hid_90H_GetLED8StageColor(uchar type, uchar* src24);
    bool hid_91H_GetMacroKey(uchar macroId, uchar* src192);
    bool hid_91H_GetDPISet(uchar& dpiMAXStage, uchar* src8);
    bool hid_92H_GetUserPicture(uchar index, uchar* src512);
    bool hid_92H_GetKeyMatrix(uchar* src64);
    bool hid_93H_GetMacroKey(uchar macroId, uchar* src128);
    bool hid_94H_GetColor(uchar index, uchar& rValue, uchar& gValue, uchar& bValue);

  private:
    enum class Interface { Command, Notify };

    // Fills the command report (code, p1..p6, checksum) and zeroes the answer buffer.
    void frame(uchar code, uchar p1 = 0, uchar p2 = 0, uchar p3 = 0, uchar p4 = 0, uchar p5 = 0,
               uchar p6 = 0);
    // The transfers, on the worker. An interface that does not open loses its path until
    // the next discovery.
    bool writeTransfer(int length, bool settle);
    bool readTransfer(int length);
    transport::Target commandTarget(uint index) const;
    bool ended(transport::Outcome outcome, uint index);

    QString pathOf(Interface which, uint index) const;
    QSettings* apConfig() const;
    // What discovery and the handshake read from the application configuration, taken
    // on the owner's thread before the work goes to the worker.
    struct HandshakeInput {
        QStringList productNames;
        QHash<uint, QString> codes; // common/sCodeN by N
        QString codeFor(uint index) const;
    };
    HandshakeInput handshakeInput() const;
    struct HandshakeResult {
        bool ran = false; // the work got the worker
        bool accepted = false;
        bool linkOff = false; // the "t-beacon" code: no mouse is talked to
        NoMouseReason reason = NoMouseReason::Refused;
    };
    // On the worker: enumeration, then the handshake of the device it chose.
    HandshakeResult discoverOnWorker(const QString& registryPath, const HandshakeInput& input);
    HandshakeResult handshakeOnWorker(const QString& code);
    // On the owner's thread: what the outcome asks of the window and the listener.
    void finishHandshake(const HandshakeResult& result);
    // Why no mouse was accepted: enumerated and opened on the worker, like all traffic.
    NoMouseReason diagnoseOnWorker();
    void clearPath(Interface which, uint index);

    // How a setter's transfer runs: whether the worker pauses 8 ms after it.
    enum class Run { Now, NowThenPause, Background, BackgroundThenPause };
    using Params = std::array<uchar, 6>;
    // `replaces`: a nonzero key lets this transfer take the place of the last queued one
    // with the same key that has not started (see DeviceWorker::post).
    void set(uchar code, const Params& params, Run run, bool settle, const uchar* block = nullptr,
             int length = 0, std::uint32_t replaces = 0);
    // Runs a getter's read transfer with the answer preset to `preset` (a0..a7) and
    // `block` moved through the bulk data area. False when the getter never got the link
    // or the transfer failed; `sent` tells the two apart.
    bool get(uchar code, const Params& params, const std::array<uchar, 8>& preset,
             uchar* block = nullptr, int length = 0, bool* sent = nullptr);
    // a0..a7 of the last getter's answer, as its caller received it.
    uchar answer(int i) const { return lastAnswer_[1 + i]; }

    // The secrecy command with the transfer's result, for the handshake. With `code`, the
    // secrecy code is loaded from it first, on the worker, so that no transfer sees half
    // of it.
    bool secrecyEcho(uchar& byte1, uchar& byte2, uchar& byte3, uchar& byte4,
                     const QByteArray& code = QByteArray());
    void listenLoop(uint index, unsigned generation);
    // The listener of `generation` is the one asked for and not asked to stop.
    bool listenerCurrent(unsigned generation) const;
    void pauseListener(unsigned generation);
    void showDpiBalloon(const uchar* report);
    // Runs `f` on this object's thread (queued when called from elsewhere).
    template <typename F> void onOwnerThread(F&& f) {
        if (QThread::currentThread() == thread())
            f();
        else
            ownerQueue_.post(std::forward<F>(f));
    }

    QObject* owner_;
    // Created on the owner's thread: what the listener and the worker hand back to it.
    transport::ThreadHandoff ownerQueue_;
    DpiNotices& notices_;
    LinkState state_;
    mutable QMutex tableMutex_;
    DeviceTable devices_;
    QList<RegistryRecord> records_; // of the last discovery
    std::atomic<uint> curDevice_{1};
    std::atomic<bool> listening_{false};
    std::atomic<unsigned> listenerGeneration_{0};
    std::atomic<bool> removalSeen_{false};
    std::atomic<bool> handedOver_{false};
    std::atomic<bool> discoveryQueued_{false};
    QFuture<void> listener_;
    Configuration configuration_;
    std::array<uchar, 9> lastAnswer_{};

    Waits waits_;

    // Used on the worker only.
    transport::CommandLink link_;
    uchar commandReport_[9] = {};
    uchar answerReport_[9] = {};
    uchar bulk_[512] = {};

    // Last: it is shut down (queue drained, thread joined) before anything above goes.
    transport::DeviceWorker worker_;
};
