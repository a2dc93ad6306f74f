// Command-report transfers on the command interface, shared by the configurator and the
// updater: the 9-byte feature report (enciphered when the link is), the answer report,
// and bulk data moved in reports of the interface's length. Every hidapi call is made on
// a handle opened just before it, and every transfer ends with the handle closed.
// Runs on the device worker; the waits it makes are the ones the protocol mandates.
#pragma once

#include "device/codec/report_codec.h"

#include <QByteArray>

#include <hidapi/hidapi.h>

#include <cstdint>
#include <functional>

namespace transport {

// Where a transfer goes: the command interface's path and its bulk report length.
struct Target {
    QByteArray path;
    int reportLength = 0;
};

// Why a transfer ended.
enum class Outcome {
    Ok,
    NoDevice, // no path, or the interface did not open
    Failed,   // a report could not be sent or read
};

// What a read accepts as an answer.
struct ReadCheck {
    // The answer must repeat the command code in a0. Off for a question whose answer is
    // not a value frame (the updater's cipher probe). An answer with bulk data behind it
    // on an enciphered link is never deciphered, so its a0 cannot be read and goes
    // unchecked.
    bool frame = true;
    // How long each bulk input report is waited for: a device that sends no block ends
    // the read here.
    int bulkTimeoutMs = 2000;
};

class CommandLink {
  public:
    using Sleep = std::function<void(int ms)>;

    // `sleep` makes every pause (settle waits, the 8 ms after each bulk report); empty:
    // QThread::msleep.
    explicit CommandLink(Sleep sleep = {});
    void setSleep(Sleep sleep);
    // A pause of the caller's own, made the same way.
    void sleep(int ms) const { sleep_(ms); }

    // The secrecy code when reports are enciphered; null for a plain link.
    void setCipher(const std::uint8_t* secrecyCode) { secrecy_ = secrecyCode; }

    // Feature report `report` (9 bytes, id first) out; with `settle` 2 × 64 ms after it;
    // then `length` bytes of `bulk` as output reports, 8 ms after each, and with `settle`
    // another 2 × 64 ms.
    Outcome write(const Target& target, std::uint8_t* report, bool settle,
                  const std::uint8_t* bulk = nullptr, int length = 0);

    // Feature report out, the 9-byte answer in (deciphered when there is no bulk data),
    // then `length` bytes of bulk input into `bulk`, each report waited for at most
    // `check.bulkTimeoutMs`. Bytes read before a failure stay in `bulk`. An answer that
    // fails its check is a failed read and leaves the preset answer bytes in place; no
    // bulk data is waited for after it.
    Outcome read(const Target& target, std::uint8_t* report, std::uint8_t* answer,
                 std::uint8_t* bulk = nullptr, int length = 0, const ReadCheck& check = {});

    void settleWait();

  private:
    hid_device* reopen(const Target& target);
    void close();
    Outcome sendReport(const Target& target, std::uint8_t* report);
    Outcome finish(Outcome outcome);

    Sleep sleep_;
    const std::uint8_t* secrecy_ = nullptr;
    hid_device* handle_ = nullptr;
};

// Moves `length` bytes as bulk reports of `reportLength` bytes after a zero report id:
// out with `pause(8)` after each report, in each report waited for at most `timeoutMs`.
// `open` hands a freshly opened handle for each report, null when the device is gone.
class BulkMover {
  public:
    using Open = std::function<hid_device*()>;
    static bool write(const Open& open, const std::uint8_t* data, int length, int reportLength,
                      const CommandLink::Sleep& pause);
    static bool read(const Open& open, std::uint8_t* data, int length, int reportLength,
                     int timeoutMs);
};

} // namespace transport
