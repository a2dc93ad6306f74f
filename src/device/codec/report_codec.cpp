#include "device/codec/report_codec.h"

#include <utility>

namespace codec {
namespace {

std::uint8_t nibbleSwapped(char c) {
    const auto v = static_cast<std::uint8_t>(c);
    return static_cast<std::uint8_t>((v << 4) | (v >> 4));
}

void swapPairs(std::uint8_t* b) {
    std::swap(b[0], b[5]);
    std::swap(b[1], b[4]);
    std::swap(b[2], b[7]);
    std::swap(b[3], b[6]);
}

void mixSecrecy(std::uint8_t* b, const std::uint8_t* s) {
    for (int i = 1; i <= 6; ++i)
        b[i] ^= s[i];
}

} // namespace

std::uint8_t checksum(const std::uint8_t* codeAndParams) {
    std::uint8_t sum = 0;
    for (int i = 0; i < 7; ++i)
        sum = static_cast<std::uint8_t>(sum + codeAndParams[i]);
    return static_cast<std::uint8_t>(~sum);
}

Frame makeFrame(std::uint8_t code, std::uint8_t p1, std::uint8_t p2, std::uint8_t p3,
                std::uint8_t p4, std::uint8_t p5, std::uint8_t p6) {
    Frame f{code, p1, p2, p3, p4, p5, p6, 0};
    f[7] = checksum(f.data());
    return f;
}

bool checksumValid(const Frame& frame) {
    return checksum(frame.data()) == frame[7];
}

bool answerValid(std::uint8_t code, const std::uint8_t* answer) {
    return answer[0] == code;
}

void encrypt(std::uint8_t* b, const std::uint8_t* s) {
    swapPairs(b);
    mixSecrecy(b, s);
    // Rotate the 64-bit big-endian value b0..b7 left by 3 bits.
    const std::uint8_t top0 = b[0] >> 5;
    for (int i = 0; i < 7; ++i)
        b[i] = static_cast<std::uint8_t>((b[i] << 3) | (b[i + 1] >> 5));
    b[7] = static_cast<std::uint8_t>((b[7] << 3) | top0);
    for (int i = 0; i < 8; ++i)
        b[i] = static_cast<std::uint8_t>(b[i] + nibbleSwapped(kCipherKey[i]));
}

void decipher(std::uint8_t* b, const std::uint8_t* s) {
    for (int i = 0; i < 8; ++i)
        b[i] = static_cast<std::uint8_t>(b[i] - nibbleSwapped(kCipherKey[i]));
    // Rotate right by 3 bits.
    const std::uint8_t low7 = b[7] & 0x07;
    for (int i = 7; i > 0; --i)
        b[i] = static_cast<std::uint8_t>((b[i] >> 3) | ((b[i - 1] & 0x07) << 5));
    b[0] = static_cast<std::uint8_t>((b[0] >> 3) | (low7 << 5));
    mixSecrecy(b, s);
    swapPairs(b);
}

bool secrecyFromText(const char* text, std::size_t length, SecrecyCode& code) {
    if (length != 6)
        return false;
    for (std::size_t i = 0; i < 6; ++i)
        code[i + 1] = static_cast<std::uint8_t>(text[i]);
    return true;
}

} // namespace codec
