// The mouse's boot loader: the flash of the user area with its lock bits, the start-up
// choice, and the boot-loader protocol on top (src/isp/README.md). No I/O here: the
// endpoints hand requests in and carry replies out, so it can be tested on its own.
#pragma once

#include "isp/common/boot_protocol.h"
#include "isp/common/firmware_image.h"

#include <QJsonObject>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vmouse {

// What p1..p6 of command 0x0F must be for the normal firmware to hand over to the boot
// loader: the boot loader's product ID and the low byte of the vendor ID, each byte
// followed by its complement.
constexpr std::array<std::uint8_t, 6> kBootEntryCode = {0x80, 0x7F, 0x22, 0xDD, 0xD9, 0x26};

class BootLoader {
  public:
    // Blank flash; the MCU starts the boot loader.
    BootLoader();

    // The image the mouse leaves the factory with: programmed, locked and started.
    void installFactoryImage(const std::vector<std::uint8_t>& image);

    struct Outcome {
        bootproto::Report reply{};
        // False when the device lost power over the request (no reply ever comes).
        bool answered = true;
        // The MCU restarts once the host has read the reply.
        bool restart = false;
        std::string note; // for the traffic log: what was done or why it was refused
    };
    // One output report: the 64 bytes after the report ID.
    Outcome request(const std::uint8_t* report, std::size_t length);

    // Power-up or restart: the session is closed.
    void powerOn() { session_ = false; }

    // What a restart runs: the user program when it was chosen and is valid.
    bool startsUserProgram() const;
    bool programValid() const { return programInfo().has_value(); }
    std::optional<ispimage::Info> programInfo() const;
    void chooseStart(std::uint16_t choice) { startChoice_ = choice; }
    std::uint16_t startChoice() const { return startChoice_; }
    bool sessionOpen() const { return session_; }

    const std::vector<std::uint8_t>& userArea() const { return flash_; }
    bool pageLocked(std::uint32_t page) const { return locked_.at(page); }

    // Faults of the boot loader: "boot-erase-fail", "boot-verify-fail", "boot-lock-fail"
    // (the next COUNT such requests fail) and "boot-vanish-program" (power is lost on the
    // COUNT-th program request from now). False for another kind.
    bool fault(const std::string& kind, int count);
    void clearFaults() { faults_ = Faults{}; }
    QJsonObject faultsJson() const;

    QJsonObject stateJson() const;

  private:
    bootproto::Status execute(const bootproto::Request& r, bootproto::Reply& reply,
                              Outcome& outcome);
    bool bytesInside(std::uint32_t address, std::uint32_t count) const;
    bool pagesInside(std::uint32_t address, std::uint32_t count) const;
    bool anyLocked(std::uint32_t address, std::uint32_t count) const;
    std::uint32_t pageOf(std::uint32_t address) const {
        return (address - ispimage::kUserStart) / ispimage::kPageSize;
    }
    bootproto::DeviceInfo info() const;

    std::vector<std::uint8_t> flash_;
    std::vector<bool> locked_;
    std::uint16_t startChoice_ = bootproto::kStartBootLoader;
    bool session_ = false;

    struct Faults {
        int erase = 0;
        int verify = 0;
        int lock = 0;
        int vanishProgram = 0; // counts down to the request that loses power
    } faults_;
};

} // namespace vmouse
