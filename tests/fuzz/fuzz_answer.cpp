// Answer decoding on both ends of the command link. The host deciphers and checks the
// 8 bytes after the report id with the shared codec; the virtual mouse decodes feature
// and output reports the host sends and builds the answers. Input: one mode byte (bit 0:
// enciphered link), a six-character secrecy code, then 9-byte steps (a kind byte and 8
// report bytes).
#include "device/codec/report_codec.h"
#include "firmware/mouse_firmware.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 7)
        return 0;
    const bool encrypted = data[0] & 1;
    codec::SecrecyCode code{};
    if (!codec::secrecyFromText(reinterpret_cast<const char*>(data + 1), 6, code))
        std::abort(); // six characters always make a code
    data += 7;
    size -= 7;

    vmouse::MouseFirmware firmware(encrypted,
                                   std::string(reinterpret_cast<const char*>(code.data() + 1), 6));
    for (; size >= 9; data += 9, size -= 9) {
        const std::uint8_t kind = data[0] % 4;
        const std::uint8_t* wire = data + 1;

        // Host side: whatever comes back, deciphering inverts enciphering.
        codec::Frame block{};
        std::memcpy(block.data(), wire, block.size());
        codec::decipher(block.data(), code.data());
        codec::Frame again = block;
        codec::encrypt(again.data(), code.data());
        if (std::memcmp(again.data(), wire, again.size()) != 0)
            std::abort();
        (void)codec::checksumValid(block);

        if (kind == 0) {
            firmware.featureReport(wire);
        } else if (kind == 1) {
            // A well-formed command, so the model gets past its checksum check.
            codec::Frame frame =
                codec::makeFrame(wire[0], wire[1], wire[2], wire[3], wire[4], wire[5], wire[6]);
            if (!codec::checksumValid(frame))
                std::abort();
            if (encrypted)
                codec::encrypt(frame.data(), code.data());
            firmware.featureReport(frame.data());
        } else if (kind == 2) {
            // A bulk report: its first bytes from the input, the rest zero.
            std::array<std::uint8_t, vmouse::kBulkReportData> bulk{};
            std::memcpy(bulk.data(), wire, 8);
            firmware.outputReport(bulk.data(), 1 + wire[0] % bulk.size());
        } else {
            firmware.commandInput().clear();
        }
        // The answer on the wire deciphers to the plain answer; answers with bulk data
        // behind them go out plain.
        const codec::Frame wireAnswer = firmware.answerWire();
        codec::Frame answer = wireAnswer;
        if (encrypted)
            codec::decipher(answer.data(), code.data());
        if (answer != firmware.answerPlain() && wireAnswer != firmware.answerPlain())
            std::abort();
    }
    return 0;
}
