// The updater's device I/O object: its device table (the shared ids of the mouse in normal
// and in boot-loader mode), detection of the mouse in either mode, and the two commands
// the update needs, on the shared transport. Derived from QThread for its heritage; its
// own thread is never started. Its commands run on the device worker it owns, which the
// update procedure also uses for the boot loader's programming calls.
#pragma once

#include "device/codec/report_codec.h"
#include "device/transport/command_link.h"
#include "device/transport/device_worker.h"
#include "update/clock.h"

#include <QMutex>
#include <QString>
#include <QThread>

#include <array>
#include <atomic>

namespace updater {

struct DeviceEntry {
    quint16 vendorId = 0;
    quint16 productId = 0;
    quint16 usagePage = 0;
    quint16 usage = 0;
    int reportLength = 0;
    QString path; // found by the last detection; empty when absent
};

class Hid_Thread : public QThread {
    Q_OBJECT
  public:
    static constexpr int kNormal = 0;
    static constexpr int kBootLoader = 1;
    // Bytes 1..6 of the secrecy code until the encryption check reads the mouse's own.
    static constexpr char kDefaultSecrecy[7] = "Q7M2B6";

    explicit Hid_Thread(Clock& clock, QObject* parent = nullptr);
    ~Hid_Thread() override;

    // A copy: detection on the GUI thread replaces paths the worker reads.
    std::array<DeviceEntry, 2> deviceTable() const;
    // The normal-mode IDs come from the firmware file.
    void setNormalModeIds(quint16 vendorId, quint16 productId);

    // Looks for every table entry; returns the index of the last one found, -1 for none.
    int detect();
    // Whether the device found at `index` by the last detect() opens (tried once, closed
    // again): false where this user may not open its device node.
    bool opens(int index) const;

    // The entry transfers use: the window's device state (-1: none).
    void setCurrentDevice(int index) { current_ = index; }
    int currentDevice() const { return current_; }

    // The one thread that talks to the mouse, in normal mode and in its boot loader.
    transport::DeviceWorker& worker() { return worker_; }
    // Runs every queued job to its end and stops the worker.
    void shutdown() { worker_.shutdown(); }

    // The encryption check: asks with an all-zero command 0x00 and learns from the answer
    // whether the mouse enciphers, and with which secrecy code. Always true. Runs on the
    // worker (called from elsewhere, it waits for its turn there).
    bool checkEncryption();
    // Command 0x0F with the boot-loader entry code, then 0x8F to read the confirmation.
    // Runs on the worker like checkEncryption.
    bool enterBootLoader();
    // Command 0x80 after the encryption check: the firmware version the mouse runs, a1.a2.
    // Runs on the worker like checkEncryption; false when the mouse did not answer.
    bool readFirmwareVersion(quint8& a1, quint8& a2);

    bool encodeEnabled() const { return encodeEnabled_; }
    codec::SecrecyCode secrecyCode() const;

    // Command 0x0F with the entry code in p1..p6, built from the boot loader's IDs.
    codec::Frame bootLoaderEntryFrame() const;

  private:
    // Runs `job` on the worker and waits for it.
    bool onWorker(const transport::DeviceWorker::Job& job);
    transport::Target currentTarget() const;
    void setCommand(const codec::Frame& frame);
    bool writeTransfer(bool settle);
    bool readTransfer(bool checkAnswer = true);
    void checkEncryptionOnWorker();
    bool enterBootLoaderOnWorker();

    Clock& clock_;
    mutable QMutex tableMutex_;
    std::array<DeviceEntry, 2> table_;
    std::atomic<int> current_{-1};
    std::atomic<bool> encodeEnabled_{false};

    // Used on the worker only (secrecy_ also read under tableMutex_).
    transport::CommandLink link_;
    std::array<unsigned char, codec::kCommandReportSize> command_{};
    std::array<unsigned char, codec::kCommandReportSize> answer_{};
    codec::SecrecyCode secrecy_{};

    transport::DeviceWorker worker_;
};

} // namespace updater
