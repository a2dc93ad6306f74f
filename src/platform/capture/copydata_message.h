// Messages that other processes send to the running configurator, in plain C++ shared by
// both platforms. A message is (dwData, bytes) as in a Windows WM_COPYDATA. The one the
// program acts on carry dwData 0x250F and a UTF-8 text, which the user then sees as a
// warning, or dwData 0x2511: another start of the program asks for the window.
//
// On Linux messages travel over a local socket as frames:
//   [u32 dwData, little-endian][u32 cbData, little-endian][cbData bytes]
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace msgchannel {

// dwData of the warning message.
inline constexpr std::uint32_t kWarningTag = 0x250F;
// dwData of a second start's request to show the window; its data is not read.
inline constexpr std::uint32_t kShowWindowTag = 0x2511;

// dwData of a request of mouse-suite-ctl (UTF-8 JSON: the arguments and the working
// folder); the running program answers on the same connection with one frame of the same
// dwData (UTF-8 JSON: exit code, output, error). Linux only.
inline constexpr std::uint32_t kControlTag = 0x2512;

// Largest cbData a frame may carry; a longer frame breaks the connection.
inline constexpr std::uint32_t kMaxFrameData = 64 * 1024;

// The three fields of a COPYDATASTRUCT.
struct CopyData {
    std::uintptr_t dwData;
    std::uint32_t cbData;
    const void* lpData;
};

// The text to show for a message, or nothing. Only dwData 0x250F counts. The data is
// read as zero-terminated UTF-8 (never past cbData bytes; malformed sequences become
// U+FFFD), and the text is shown only when cbData equals its UTF-8 length without the
// terminating zero. So a sender whose cbData counts the zero gets nothing shown.
std::optional<std::string> warningText(const CopyData& message);

// Decodes UTF-8 into well-formed UTF-8: every maximal ill-formed subsequence becomes one
// U+FFFD, the rest is kept.
std::string decodeUtf8(const std::uint8_t* bytes, std::size_t size);

// One decoded frame.
struct Frame {
    std::uint32_t dwData = 0;
    std::vector<std::uint8_t> data;
};

// The bytes of a frame.
std::vector<std::uint8_t> encodeFrame(std::uint32_t dwData, const void* data, std::uint32_t size);

// Cuts a byte stream into frames. Once a header announces more than kMaxFrameData bytes
// the reader is broken: it keeps nothing and takes nothing more, and the connection
// should be closed.
class FrameReader {
  public:
    // Adds received bytes; false once broken.
    bool append(const std::uint8_t* bytes, std::size_t size);
    // The frames completed so far, oldest first; they are removed from the reader.
    std::vector<Frame> takeFrames();
    bool broken() const { return broken_; }
    // Bytes of an incomplete frame held back.
    std::size_t pendingBytes() const { return buffer_.size(); }

  private:
    std::vector<std::uint8_t> buffer_;
    std::vector<Frame> frames_;
    bool broken_ = false;
};

} // namespace msgchannel
