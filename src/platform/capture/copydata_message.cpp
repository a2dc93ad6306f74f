#include "platform/capture/copydata_message.h"

#include <cstring>

namespace msgchannel {
namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr const char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD

std::uint32_t readLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void writeLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

bool inRange(std::uint8_t b, std::uint8_t lo, std::uint8_t hi) {
    return b >= lo && b <= hi;
}

} // namespace

std::string decodeUtf8(const std::uint8_t* bytes, std::size_t size) {
    std::string out;
    out.reserve(size);
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t lead = bytes[i];
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++i;
            continue;
        }
        // Continuation bytes still needed, and the allowed range of the first of them
        // (which rules out overlong forms, surrogates and values above U+10FFFF).
        std::size_t need = 0;
        std::uint8_t lo = 0x80;
        std::uint8_t hi = 0xBF;
        if (inRange(lead, 0xC2, 0xDF)) {
            need = 1;
        } else if (lead == 0xE0) {
            need = 2;
            lo = 0xA0;
        } else if (inRange(lead, 0xE1, 0xEC) || inRange(lead, 0xEE, 0xEF)) {
            need = 2;
        } else if (lead == 0xED) {
            need = 2;
            hi = 0x9F;
        } else if (lead == 0xF0) {
            need = 3;
            lo = 0x90;
        } else if (inRange(lead, 0xF1, 0xF3)) {
            need = 3;
        } else if (lead == 0xF4) {
            need = 3;
            hi = 0x8F;
        } else {
            out += kReplacement;
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool complete = true;
        for (std::size_t k = 0; k < need; ++k, ++j) {
            const std::uint8_t low = k == 0 ? lo : 0x80;
            const std::uint8_t high = k == 0 ? hi : 0xBF;
            if (j >= size || !inRange(bytes[j], low, high)) {
                complete = false;
                break;
            }
        }
        if (complete)
            out.append(reinterpret_cast<const char*>(bytes + i), j - i);
        else
            out += kReplacement;
        i = j;
    }
    return out;
}

std::optional<std::string> warningText(const CopyData& message) {
    if (message.dwData != kWarningTag)
        return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(message.lpData);
    std::size_t length = 0;
    if (bytes) {
        const void* zero = std::memchr(bytes, 0, message.cbData);
        length = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes)
                      : message.cbData;
    }
    std::string text = bytes ? decodeUtf8(bytes, length) : std::string();
    if (text.size() != message.cbData)
        return std::nullopt;
    return text;
}

std::vector<std::uint8_t> encodeFrame(std::uint32_t dwData, const void* data, std::uint32_t size) {
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + size);
    writeLe32(out, dwData);
    writeLe32(out, size);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (size > 0)
        out.insert(out.end(), bytes, bytes + size);
    return out;
}

bool FrameReader::append(const std::uint8_t* bytes, std::size_t size) {
    if (broken_)
        return false;
    buffer_.insert(buffer_.end(), bytes, bytes + size);
    std::size_t pos = 0;
    while (buffer_.size() - pos >= kHeaderSize) {
        const std::uint32_t dwData = readLe32(buffer_.data() + pos);
        const std::uint32_t cbData = readLe32(buffer_.data() + pos + 4);
        if (cbData > kMaxFrameData) {
            broken_ = true;
            buffer_.clear();
            buffer_.shrink_to_fit();
            return false;
        }
        if (buffer_.size() - pos - kHeaderSize < cbData)
            break;
        Frame frame;
        frame.dwData = dwData;
        const auto begin = buffer_.begin() + static_cast<std::ptrdiff_t>(pos + kHeaderSize);
        frame.data.assign(begin, begin + cbData);
        frames_.push_back(std::move(frame));
        pos += kHeaderSize + cbData;
    }
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos));
    return true;
}

std::vector<Frame> FrameReader::takeFrames() {
    std::vector<Frame> out;
    out.swap(frames_);
    return out;
}

} // namespace msgchannel
