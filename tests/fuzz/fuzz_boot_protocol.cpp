// The boot-loader protocol on both ends: report decoding, and the virtual mouse's boot
// loader taking any sequence of requests. Input: 65-byte steps, a flag byte (bit 0: give
// the report a valid CRC so the request gets past the check) and the 64-byte report.
#include "firmware/boot_loader.h"
#include "isp/common/boot_protocol.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace bootproto;

namespace {

const std::vector<std::uint8_t>& factoryImage() {
    static const std::vector<std::uint8_t> image = ispimage::makeImage(4096, 7, 1, 0);
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vmouse::BootLoader loader;
    if (size > 0 && data[0] & 0x80)
        loader.installFactoryImage(factoryImage());
    for (; size >= 1 + kReportSize; data += 1 + kReportSize, size -= 1 + kReportSize) {
        Report report{};
        std::memcpy(report.data(), data + 1, kReportSize);
        if (data[0] & 1)
            put16(report.data() + kCrcOffset, ispimage::crc16(report.data(), kCrcOffset));

        Request request;
        const bool requestOk = decode(report, request);
        Reply reply;
        if (decode(report, reply) != requestOk || requestOk != crcValid(report))
            std::abort();
        if (requestOk) {
            // The fields the frame carries come back in a fresh encoding.
            Request again;
            if (!decode(encode(request), again) || again.command != request.command ||
                again.tag != request.tag || again.address != request.address ||
                again.count != request.count || again.data != request.data)
                std::abort();
        }

        const vmouse::BootLoader::Outcome out = loader.request(report.data(), report.size());
        if (out.answered) {
            Reply answer;
            if (!decode(out.reply, answer) || answer.command != report[0] ||
                answer.tag != report[1])
                std::abort();
        }
        if (out.restart || !out.answered)
            loader.powerOn();
        if (loader.userArea().size() != ispimage::kUserSize)
            std::abort();
    }
    return 0;
}
