// The boot loader's protocol, shared by ISPDLL (host side) and the virtual mouse's boot
// loader (device side). See ../README.md for the full description.
//
// Every exchange is one 64-byte output report from the host and one 64-byte input report
// back. Both have the same frame; multi-byte fields are little-endian:
//
//   0       command (the reply echoes it)
//   1       tag, chosen by the host and echoed, to pair a reply with its request
//   2       request: 0 / reply: status
//   3       0
//   4..7    request: address / reply: value
//   8..9    request: count / reply: 0
//   10..11  0
//   12..59  data, 48 bytes
//   60..61  0
//   62..63  CRC-16/CCITT-FALSE of bytes 0..61
#pragma once

#include "device/transport/device_ids.h"
#include <array>

#include <cstddef>
#include <cstdint>

namespace bootproto {

constexpr std::uint16_t kVendorId = deviceids::kBootLoader.vendorId;
constexpr std::uint16_t kProductId = deviceids::kBootLoader.productId;
constexpr std::uint16_t kUsagePage = deviceids::kBootLoader.command.usagePage;
constexpr std::uint16_t kUsage = deviceids::kBootLoader.command.usage;

constexpr std::size_t kReportSize = deviceids::kBootLoader.reportLength;
constexpr std::size_t kDataOffset = 12;
constexpr std::size_t kDataSize = 48;
constexpr std::size_t kCrcOffset = 62;

constexpr std::uint8_t kProtocolVersion = 1;

// Start-up choices of SetStart.
constexpr std::uint16_t kStartBootLoader = 1;
constexpr std::uint16_t kStartUserProgram = 2;

enum class Command : std::uint8_t {
    Connect = 0x01,    // count = protocol version; reply data = DeviceInfo
    Disconnect = 0x02, //
    Erase = 0x10,      // address = first page, count = pages
    BlankCheck = 0x11, // address = first page, count = pages; value = first non-blank byte
    Program = 0x20,    // address, count = bytes (1..48), data
    Verify = 0x21,     // address, count = bytes, data[0..1] = expected CRC; value = CRC found
    Read = 0x22,       // address, count = bytes (1..48); reply data = the bytes
    SetStart = 0x30,   // count = kStartBootLoader or kStartUserProgram
    Lock = 0x31,       // address = first page, count = pages, 0 = the whole user area
    Reset = 0x32,      // restart once the reply has been read
};

enum class Status : std::uint8_t {
    Ok = 0,
    BadCrc = 1,
    UnknownCommand = 2,
    NotConnected = 3,
    OutOfRange = 4,
    Locked = 5,
    NotErased = 6,
    NotBlank = 7,
    Mismatch = 8,
    NoProgram = 9,
    BadLength = 10,
    Failed = 11,
    Unsupported = 12,
};

const char* statusName(Status s);

using Report = std::array<std::uint8_t, kReportSize>;
using Data = std::array<std::uint8_t, kDataSize>;

struct Request {
    Command command = Command::Connect;
    std::uint8_t tag = 0;
    std::uint32_t address = 0;
    std::uint16_t count = 0;
    Data data{};
};

struct Reply {
    std::uint8_t command = 0;
    std::uint8_t tag = 0;
    Status status = Status::Ok;
    std::uint32_t value = 0;
    Data data{};
};

// What Connect answers in its data.
struct DeviceInfo {
    std::uint8_t protocolVersion = kProtocolVersion;
    std::uint8_t loaderVersion = 0;
    std::uint16_t pageSize = 0;
    std::uint32_t userStart = 0;
    std::uint32_t userSize = 0;
    std::uint16_t pageCount = 0;
    std::uint16_t startChoice = 0;
    bool programValid = false;
};

Report encode(const Request& r);
Report encode(const Reply& r);
// False when the CRC does not match; the fields are filled regardless.
bool decode(const Report& report, Request& r);
bool decode(const Report& report, Reply& r);
// The CRC a report carries and the one its bytes give.
bool crcValid(const Report& report);

void putInfo(Data& data, const DeviceInfo& info);
DeviceInfo takeInfo(const Data& data);

std::uint16_t get16(const std::uint8_t* p);
std::uint32_t get32(const std::uint8_t* p);
void put16(std::uint8_t* p, std::uint16_t v);
void put32(std::uint8_t* p, std::uint32_t v);

} // namespace bootproto
