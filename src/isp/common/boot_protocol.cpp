#include "isp/common/boot_protocol.h"

#include "isp/common/firmware_image.h"

#include <algorithm>

namespace bootproto {
namespace {

constexpr std::size_t kStatusOffset = 2;
constexpr std::size_t kAddressOffset = 4;
constexpr std::size_t kCountOffset = 8;

void sealCrc(Report& report) {
    put16(report.data() + kCrcOffset, ispimage::crc16(report.data(), kCrcOffset));
}

} // namespace

const char* statusName(Status s) {
    switch (s) {
    case Status::Ok:
        return "ok";
    case Status::BadCrc:
        return "bad crc";
    case Status::UnknownCommand:
        return "unknown command";
    case Status::NotConnected:
        return "not connected";
    case Status::OutOfRange:
        return "out of range";
    case Status::Locked:
        return "locked";
    case Status::NotErased:
        return "not erased";
    case Status::NotBlank:
        return "not blank";
    case Status::Mismatch:
        return "mismatch";
    case Status::NoProgram:
        return "no program";
    case Status::BadLength:
        return "bad length";
    case Status::Failed:
        return "failed";
    case Status::Unsupported:
        return "unsupported";
    }
    return "?";
}

std::uint16_t get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t get32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

Report encode(const Request& r) {
    Report report{};
    report[0] = static_cast<std::uint8_t>(r.command);
    report[1] = r.tag;
    put32(report.data() + kAddressOffset, r.address);
    put16(report.data() + kCountOffset, r.count);
    std::copy(r.data.begin(), r.data.end(), report.begin() + kDataOffset);
    sealCrc(report);
    return report;
}

Report encode(const Reply& r) {
    Report report{};
    report[0] = r.command;
    report[1] = r.tag;
    report[kStatusOffset] = static_cast<std::uint8_t>(r.status);
    put32(report.data() + kAddressOffset, r.value);
    std::copy(r.data.begin(), r.data.end(), report.begin() + kDataOffset);
    sealCrc(report);
    return report;
}

bool crcValid(const Report& report) {
    return get16(report.data() + kCrcOffset) == ispimage::crc16(report.data(), kCrcOffset);
}

bool decode(const Report& report, Request& r) {
    r.command = static_cast<Command>(report[0]);
    r.tag = report[1];
    r.address = get32(report.data() + kAddressOffset);
    r.count = get16(report.data() + kCountOffset);
    std::copy_n(report.begin() + kDataOffset, kDataSize, r.data.begin());
    return crcValid(report);
}

bool decode(const Report& report, Reply& r) {
    r.command = report[0];
    r.tag = report[1];
    r.status = static_cast<Status>(report[kStatusOffset]);
    r.value = get32(report.data() + kAddressOffset);
    std::copy_n(report.begin() + kDataOffset, kDataSize, r.data.begin());
    return crcValid(report);
}

void putInfo(Data& data, const DeviceInfo& info) {
    data.fill(0);
    data[0] = info.protocolVersion;
    data[1] = info.loaderVersion;
    put16(data.data() + 2, info.pageSize);
    put32(data.data() + 4, info.userStart);
    put32(data.data() + 8, info.userSize);
    put16(data.data() + 12, info.pageCount);
    put16(data.data() + 14, info.startChoice);
    data[16] = info.programValid ? 1 : 0;
}

DeviceInfo takeInfo(const Data& data) {
    DeviceInfo info;
    info.protocolVersion = data[0];
    info.loaderVersion = data[1];
    info.pageSize = get16(data.data() + 2);
    info.userStart = get32(data.data() + 4);
    info.userSize = get32(data.data() + 8);
    info.pageCount = get16(data.data() + 12);
    info.startChoice = get16(data.data() + 14);
    info.programValid = (data[16] & 1) != 0;
    return info;
}

} // namespace bootproto
