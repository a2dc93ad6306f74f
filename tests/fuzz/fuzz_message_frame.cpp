// The message channel reads frames from any local process of the user. Input: a byte
// giving the chunk size the stream arrives in, then the stream.
#include "platform/capture/copydata_message.h"

#include <cstdint>
#include <cstdlib>

using namespace msgchannel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::size_t chunk = 1 + data[0] % 17;
    ++data;
    --size;

    FrameReader whole;
    const bool wholeOk = whole.append(data, size);
    const std::vector<Frame> expected = whole.takeFrames();

    FrameReader pieces;
    std::vector<Frame> got;
    bool piecesOk = true;
    for (std::size_t at = 0; at < size && piecesOk; at += chunk) {
        piecesOk = pieces.append(data + at, std::min(chunk, size - at));
        for (Frame& f : pieces.takeFrames())
            got.push_back(std::move(f));
    }
    // Cutting the stream differently gives the same frames and the same verdict.
    if (wholeOk != piecesOk || got.size() != expected.size())
        std::abort();
    for (std::size_t i = 0; i < got.size(); ++i) {
        const Frame& f = got[i];
        if (f.dwData != expected[i].dwData || f.data != expected[i].data ||
            f.data.size() > kMaxFrameData)
            std::abort();
        const std::vector<std::uint8_t> bytes =
            encodeFrame(f.dwData, f.data.data(), std::uint32_t(f.data.size()));
        FrameReader back;
        if (!back.append(bytes.data(), bytes.size()))
            std::abort();
        const std::vector<Frame> one = back.takeFrames();
        if (one.size() != 1 || one[0].data != f.data)
            std::abort();

        const CopyData message{f.dwData, std::uint32_t(f.data.size()), f.data.data()};
        if (const auto text = warningText(message)) {
            if (f.dwData != kWarningTag)
                std::abort();
            // What is shown is already well-formed: decoding it again keeps it.
            const auto* t = reinterpret_cast<const std::uint8_t*>(text->data());
            if (decodeUtf8(t, text->size()) != *text)
                std::abort();
        }
    }
    const std::string decoded = decodeUtf8(data, size);
    if (decodeUtf8(reinterpret_cast<const std::uint8_t*>(decoded.data()), decoded.size()) !=
        decoded)
        std::abort();
    return 0;
}
