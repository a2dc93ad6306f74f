// The updater's device I/O object: its built-in device table, detection of the mouse in
// normal and in boot-loader mode, the report transport (frame, checksum and cipher from
// the shared codec) and the two commands the update needs. Derived from QThread for its
// heritage; its thread is never started and everything runs on the caller's thread.
#pragma once

#include "clock.h"
#include "report_codec.h"

#include <QString>
#include <QThread>

#include <hidapi/hidapi.h>

#include <array>

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

    const std::array<DeviceEntry, 2>& deviceTable() const { return table_; }
    // The normal-mode IDs come from the firmware file.
    void setNormalModeIds(quint16 vendorId, quint16 productId);

    // Looks for every table entry; returns the index of the last one found, -1 for none.
    int detect();

    // The entry transfers use: the window's device state (-1: none).
    void setCurrentDevice(int index) { current_ = index; }
    int currentDevice() const { return current_; }

    // The link token. Taking it polls every 8 ms, with events processed, 255 times.
    bool acquire();
    bool isLinkFree() const { return linkFree_; }

    // The encryption check: asks with an all-zero command 0x00 and learns from the answer
    // whether the mouse enciphers, and with which secrecy code. Always true.
    bool checkEncryption();
    // Command 0x0F with the boot-loader entry code, then 0x8F to read the confirmation.
    bool enterBootLoader();

    bool encodeEnabled() const { return encodeEnabled_; }
    const codec::SecrecyCode& secrecyCode() const { return secrecy_; }

    // Command 0x0F with the entry code in p1..p6, built from the boot loader's IDs.
    codec::Frame bootLoaderEntryFrame() const;

  private:
    hid_device* openCurrent();
    void setCommand(const codec::Frame& frame);
    // Feature report out, optionally the settle wait; gives the token back.
    bool writeTransfer(bool settle);
    // Feature report out, answer in; gives the token back.
    bool readTransfer();
    void settleWait();

    Clock& clock_;
    std::array<DeviceEntry, 2> table_;
    int current_ = -1;
    std::array<unsigned char, codec::kCommandReportSize> command_{};
    std::array<unsigned char, codec::kCommandReportSize> answer_{};
    codec::SecrecyCode secrecy_{};
    bool encodeEnabled_ = false;
    bool linkFree_ = true;
};

} // namespace updater
