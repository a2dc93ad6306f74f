// The private protocol between the virtual mouse's daemon and its clients over a Unix
// stream socket. Every message is a little-endian u32 length followed by that many bytes.
// A request body starts with an opcode byte; a reply body starts with an i32 result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vmouse::wire {

using Bytes = std::vector<std::uint8_t>;

enum class Op : std::uint8_t {
    // HID operations; OPEN binds the connection to one interface for its lifetime.
    Enumerate = 1,   // u16 vid, u16 pid            → result = count, device records
    Open = 2,        // str path                    → 0, -1, or kAccessDenied
    SendFeature = 3, // bytes                       → hidapi result
    GetFeature = 4,  // u32 length, u8 report id    → hidapi result, bytes
    Write = 5,       // bytes                       → hidapi result
    Read = 6,        // u32 length, i32 timeout ms  → hidapi result (0: timed out), bytes
    Watch = 7,       // → 0, then one event message per plug change
    // Control of the emulated device.
    Plug = 20,
    Unplug = 21,
    DpiButton = 22, // u8 stage
    State = 23,     // → 0, JSON text
    Fault = 24,     // str kind, i32 count → 0, or -1 for an unknown kind
    ClearFaults = 25,
    Notify = 26, // bytes: a raw report on the notification interface
};

// OPEN's answer when the device refuses this user, as a hidraw node without permission.
constexpr std::int32_t kAccessDenied = -13;

// Event messages on a watching connection: result = EventAdded / EventRemoved, str path.
constexpr std::int32_t kEventAdded = 1;
constexpr std::int32_t kEventRemoved = 2;

// One HID interface as the daemon lists it.
struct DeviceRecord {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t releaseNumber = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::int32_t interfaceNumber = -1;
    std::string manufacturer;
    std::string product;
    std::string serial;
};

// Appends primitives to a body.
class Writer {
  public:
    Writer& u8(std::uint8_t v);
    Writer& u16(std::uint16_t v);
    Writer& u32(std::uint32_t v);
    Writer& i32(std::int32_t v);
    Writer& str(const std::string& s);
    Writer& bytes(const std::uint8_t* data, std::size_t length);
    Writer& bytes(const Bytes& b) { return bytes(b.data(), b.size()); }
    Writer& device(const DeviceRecord& d);
    Writer& raw(const Bytes& b);
    const Bytes& body() const { return body_; }

  private:
    Bytes body_;
};

// Reads primitives from a body; every read fails (returns false) past the end.
class Reader {
  public:
    explicit Reader(const Bytes& body) : body_(body) {}
    bool u8(std::uint8_t& v);
    bool u16(std::uint16_t& v);
    bool u32(std::uint32_t& v);
    bool i32(std::int32_t& v);
    bool str(std::string& s);
    bool bytes(Bytes& b);
    bool device(DeviceRecord& d);
    bool atEnd() const { return pos_ == body_.size(); }

  private:
    bool take(std::size_t n, const std::uint8_t*& p);
    const Bytes& body_;
    std::size_t pos_ = 0;
};

// Largest body either side accepts; anything longer is a broken peer.
constexpr std::uint32_t kMaxBody = 1u << 20;

// Length prefix for a body.
Bytes frame(const Bytes& body);

// Blocking helpers on a connected socket; false on any error or a closed peer.
bool sendMessage(int fd, const Bytes& body);
bool receiveMessage(int fd, Bytes& body);

// Connects to the daemon's socket; -1 on failure. The descriptor is close-on-exec.
int connectTo(const std::string& socketPath);

} // namespace vmouse::wire
