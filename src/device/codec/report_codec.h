// Command-report framing shared by the configurator, the updater and the virtual mouse:
// the 9-byte feature report, its checksum and the report cipher.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace codec {

// Feature report as handed to hidapi: report id, command code, p1..p6, checksum.
constexpr std::size_t kCommandReportSize = 9;
constexpr std::size_t kFrameSize = 8; // the bytes after the report id

using Frame = std::array<std::uint8_t, kFrameSize>;
using SecrecyCode = std::array<std::uint8_t, 8>;

// Bitwise NOT of the 8-bit sum of the seven bytes starting at `codeAndParams`
// (the command code and p1..p6).
std::uint8_t checksum(const std::uint8_t* codeAndParams);

// Builds code, p1..p6 and the checksum.
Frame makeFrame(std::uint8_t code, std::uint8_t p1 = 0, std::uint8_t p2 = 0, std::uint8_t p3 = 0,
                std::uint8_t p4 = 0, std::uint8_t p5 = 0, std::uint8_t p6 = 0);

// True when byte 7 of the frame is the checksum of bytes 0..6.
bool checksumValid(const Frame& frame);

// True when the 8 answer bytes after the report id are an answer to `code`: a device
// repeats the command code in a0, and that is all an answer is known to carry besides its
// values in a1..a6. Nothing is asked of a7: a mouse need not checksum its answers.
bool answerValid(std::uint8_t code, const std::uint8_t* answer);

// The fixed key both ends mix into every enciphered report.
inline constexpr char kCipherKey[9] = "VuTreMok";

// Enciphers / deciphers the 8 bytes at `block` in place. Only bytes 1..6 of the secrecy
// code take part; bytes 0 and 7 are ignored.
void encrypt(std::uint8_t* block, const std::uint8_t* secrecyCode);
void decipher(std::uint8_t* block, const std::uint8_t* secrecyCode);

// A secrecy code from six ASCII characters (bytes 1..6); false, code untouched, when the
// text is not exactly six characters long.
bool secrecyFromText(const char* text, std::size_t length, SecrecyCode& code);

} // namespace codec
