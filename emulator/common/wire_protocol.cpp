#include "common/wire_protocol.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vmouse::wire {

Writer& Writer::u8(std::uint8_t v) {
    body_.push_back(v);
    return *this;
}

Writer& Writer::u16(std::uint16_t v) {
    body_.push_back(static_cast<std::uint8_t>(v));
    body_.push_back(static_cast<std::uint8_t>(v >> 8));
    return *this;
}

Writer& Writer::u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        body_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return *this;
}

Writer& Writer::i32(std::int32_t v) {
    return u32(static_cast<std::uint32_t>(v));
}

Writer& Writer::str(const std::string& s) {
    return bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

Writer& Writer::bytes(const std::uint8_t* data, std::size_t length) {
    u32(static_cast<std::uint32_t>(length));
    body_.insert(body_.end(), data, data + length);
    return *this;
}

Writer& Writer::raw(const Bytes& b) {
    body_.insert(body_.end(), b.begin(), b.end());
    return *this;
}

Writer& Writer::device(const DeviceRecord& d) {
    str(d.path).u16(d.vendorId).u16(d.productId).u16(d.releaseNumber);
    u16(d.usagePage).u16(d.usage).i32(d.interfaceNumber);
    return str(d.manufacturer).str(d.product).str(d.serial);
}

bool Reader::take(std::size_t n, const std::uint8_t*& p) {
    if (body_.size() - pos_ < n)
        return false;
    p = body_.data() + pos_;
    pos_ += n;
    return true;
}

bool Reader::u8(std::uint8_t& v) {
    const std::uint8_t* p;
    if (!take(1, p))
        return false;
    v = p[0];
    return true;
}

bool Reader::u16(std::uint16_t& v) {
    const std::uint8_t* p;
    if (!take(2, p))
        return false;
    v = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    return true;
}

bool Reader::u32(std::uint32_t& v) {
    const std::uint8_t* p;
    if (!take(4, p))
        return false;
    v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return true;
}

bool Reader::i32(std::int32_t& v) {
    std::uint32_t u;
    if (!u32(u))
        return false;
    v = static_cast<std::int32_t>(u);
    return true;
}

bool Reader::str(std::string& s) {
    Bytes b;
    if (!bytes(b))
        return false;
    s.assign(b.begin(), b.end());
    return true;
}

bool Reader::bytes(Bytes& b) {
    std::uint32_t n;
    const std::uint8_t* p;
    if (!u32(n) || !take(n, p))
        return false;
    b.assign(p, p + n);
    return true;
}

bool Reader::device(DeviceRecord& d) {
    return str(d.path) && u16(d.vendorId) && u16(d.productId) && u16(d.releaseNumber) &&
           u16(d.usagePage) && u16(d.usage) && i32(d.interfaceNumber) && str(d.manufacturer) &&
           str(d.product) && str(d.serial);
}

Bytes frame(const Bytes& body) {
    Writer w;
    w.u32(static_cast<std::uint32_t>(body.size()));
    Bytes out = w.body();
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

namespace {

bool writeAll(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t k = ::send(fd, p, n, MSG_NOSIGNAL);
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0)
            return false;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

bool readAll(int fd, std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t k = ::recv(fd, p, n, 0);
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0)
            return false;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

} // namespace

bool sendMessage(int fd, const Bytes& body) {
    const Bytes out = frame(body);
    return writeAll(fd, out.data(), out.size());
}

bool receiveMessage(int fd, Bytes& body) {
    std::uint8_t len[4];
    if (!readAll(fd, len, 4))
        return false;
    const std::uint32_t n =
        len[0] | (len[1] << 8) | (len[2] << 16) | (static_cast<std::uint32_t>(len[3]) << 24);
    if (n > kMaxBody)
        return false;
    body.resize(n);
    return n == 0 || readAll(fd, body.data(), n);
}

int connectTo(const std::string& socketPath) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof(addr.sun_path))
        return -1;
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace vmouse::wire
