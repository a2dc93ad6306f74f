#include "isp/common/firmware_image.h"

#include <algorithm>

namespace ispimage {

std::optional<Info> readInfo(const std::uint8_t* image, std::size_t length) {
    if (!image || length < kInfoOffset + kInfoSize)
        return std::nullopt;
    const std::uint8_t* p = image + kInfoOffset;
    if (!std::equal(kInfoMagic.begin(), kInfoMagic.end(), p))
        return std::nullopt;
    Info info;
    info.linkAddress = static_cast<std::uint16_t>(p[4] | (p[5] << 8));
    info.versionMajor = p[6];
    info.versionMinor = p[7];
    return info;
}

bool writeInfo(std::uint8_t* image, std::size_t length, const Info& info) {
    if (!image || length < kInfoOffset + kInfoSize)
        return false;
    std::uint8_t* p = image + kInfoOffset;
    std::copy(kInfoMagic.begin(), kInfoMagic.end(), p);
    p[4] = static_cast<std::uint8_t>(info.linkAddress & 0xFF);
    p[5] = static_cast<std::uint8_t>(info.linkAddress >> 8);
    p[6] = info.versionMajor;
    p[7] = info.versionMinor;
    return true;
}

std::uint16_t sum16(const std::uint8_t* data, std::size_t length) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < length; ++i)
        sum += data[i];
    return static_cast<std::uint16_t>(sum);
}

std::uint16_t crc16(const std::uint8_t* data, std::size_t length, std::uint16_t crc) {
    for (std::size_t i = 0; i < length; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ (data[i] << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

std::vector<std::uint8_t> makeImage(std::size_t length, std::uint32_t seed, std::uint8_t major,
                                    std::uint8_t minor) {
    std::vector<std::uint8_t> image(length);
    // xorshift32; a zero seed would stay zero.
    std::uint32_t x = seed ? seed : 0x2545F491u;
    for (auto& b : image) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    writeInfo(image.data(), image.size(), Info{kUserStart, major, minor});
    return image;
}

} // namespace ispimage
