// The firmware image of the mouse's user program, as ISPDLL loads it, the boot loader
// keeps it in flash and make-firmware builds it.
//
// An image is the content of the user area from its first byte on. It carries an info
// block at a fixed place that names the address it was linked for and the firmware
// version the normal firmware reports with command 0x80:
//
//   offset 0xC0  4  magic "MSFW"
//   offset 0xC4  2  link address of the image (start of the user area), little-endian
//   offset 0xC6  1  version a1
//   offset 0xC7  1  version a2
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace ispimage {

// The mouse's MCU: the boot loader owns 0x0000-0x1FFF, the user program 64 KiB after it.
constexpr std::uint32_t kUserStart = 0x2000;
constexpr std::uint32_t kUserSize = 0x10000;
constexpr std::uint32_t kPageSize = 512;
constexpr std::uint32_t kUserPages = kUserSize / kPageSize;
constexpr std::uint8_t kErased = 0xFF;

constexpr std::size_t kInfoOffset = 0xC0;
constexpr std::size_t kInfoSize = 8;
constexpr std::array<std::uint8_t, 4> kInfoMagic = {'M', 'S', 'F', 'W'};

struct Info {
    std::uint16_t linkAddress = kUserStart;
    std::uint8_t versionMajor = 0; // a1 of 0x80
    std::uint8_t versionMinor = 0; // a2 of 0x80
};

// The info block of an image, if it has one.
std::optional<Info> readInfo(const std::uint8_t* image, std::size_t length);
// Writes the info block; false when the image is too short to hold it.
bool writeInfo(std::uint8_t* image, std::size_t length, const Info& info);

// Pages an image of `length` bytes spans.
constexpr std::uint32_t pagesFor(std::uint32_t length) {
    return (length + kPageSize - 1) / kPageSize;
}

// 16-bit sum of the bytes: the checksum data.bin carries for its image.
std::uint16_t sum16(const std::uint8_t* data, std::size_t length);
// CRC-16/CCITT-FALSE (polynomial 0x1021, initial value 0xFFFF).
std::uint16_t crc16(const std::uint8_t* data, std::size_t length, std::uint16_t crc = 0xFFFF);

// A made-up but well-formed image of `length` bytes: deterministic filler from `seed`
// and an info block for the user area with the given version.
std::vector<std::uint8_t> makeImage(std::size_t length, std::uint32_t seed, std::uint8_t major,
                                    std::uint8_t minor);

} // namespace ispimage
