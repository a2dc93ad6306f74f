#include "client/vmouse_client.h"

#include "common/wire_protocol.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <unistd.h>

namespace vmouse::client {
namespace {

using wire::Bytes;
using wire::Op;

std::mutex pathMutex;
std::string daemonPath;

struct Handle {
    int fd = -1;
    bool nonblocking = false;
};

Handle* handleOf(hid_device* dev) {
    return reinterpret_cast<Handle*>(dev);
}

// One request and its reply on `fd`; false when the link to the daemon broke.
bool roundTrip(int fd, const wire::Writer& request, Bytes& reply, std::int32_t& result) {
    if (!wire::sendMessage(fd, request.body()) || !wire::receiveMessage(fd, reply))
        return false;
    wire::Reader r(reply);
    return r.i32(result);
}

// A request on a short-lived connection of its own.
bool oneShot(const wire::Writer& request, Bytes& reply, std::int32_t& result) {
    const int fd = wire::connectTo(socketPath());
    if (fd < 0)
        return false;
    const bool ok = roundTrip(fd, request, reply, result);
    ::close(fd);
    return ok;
}

bool control(Op op, const wire::Writer& payload = {}) {
    wire::Writer w;
    w.u8(static_cast<std::uint8_t>(op)).raw(payload.body());
    Bytes reply;
    std::int32_t result = -1;
    return oneShot(w, reply, result) && result == 0;
}

wchar_t* wideCopy(const std::string& s) {
    auto* w = static_cast<wchar_t*>(std::calloc(s.size() + 1, sizeof(wchar_t)));
    if (!w)
        return nullptr;
    // Device strings are ASCII; anything else is passed through byte by byte.
    for (std::size_t i = 0; i < s.size(); ++i)
        w[i] = static_cast<unsigned char>(s[i]);
    return w;
}

int sendBytes(hid_device* dev, Op op, const unsigned char* data, size_t length) {
    Handle* h = handleOf(dev);
    if (!h || !data || length == 0)
        return -1;
    wire::Writer w;
    w.u8(static_cast<std::uint8_t>(op)).bytes(data, length);
    Bytes reply;
    std::int32_t result = -1;
    if (!roundTrip(h->fd, w, reply, result))
        return -1;
    return result;
}

// Copies the bytes of a reply after its result into `data`, at most `length`.
int takeBytes(const Bytes& reply, unsigned char* data, size_t length) {
    wire::Reader r(reply);
    std::int32_t result = -1;
    Bytes payload;
    if (!r.i32(result) || result < 0 || !r.bytes(payload))
        return -1;
    const std::size_t n = std::min(payload.size(), length);
    if (n > 0)
        std::memcpy(data, payload.data(), n);
    return static_cast<int>(n);
}

} // namespace

void setSocketPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(pathMutex);
    daemonPath = path;
}

std::string socketPath() {
    std::lock_guard<std::mutex> lock(pathMutex);
    return daemonPath;
}

hid_device_info* enumerate(unsigned short vendorId, unsigned short productId) {
    wire::Writer w;
    w.u8(static_cast<std::uint8_t>(Op::Enumerate)).u16(vendorId).u16(productId);
    Bytes reply;
    std::int32_t count = -1;
    if (!oneShot(w, reply, count) || count <= 0)
        return nullptr;
    wire::Reader r(reply);
    std::int32_t skip;
    r.i32(skip);
    hid_device_info* head = nullptr;
    hid_device_info** tail = &head;
    for (std::int32_t i = 0; i < count; ++i) {
        wire::DeviceRecord d;
        if (!r.device(d))
            break;
        auto* info = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
        if (!info)
            break;
        info->path = strdup(d.path.c_str());
        info->vendor_id = d.vendorId;
        info->product_id = d.productId;
        info->serial_number = wideCopy(d.serial);
        info->release_number = d.releaseNumber;
        info->manufacturer_string = wideCopy(d.manufacturer);
        info->product_string = wideCopy(d.product);
        info->usage_page = d.usagePage;
        info->usage = d.usage;
        info->interface_number = d.interfaceNumber;
        info->bus_type = HID_API_BUS_USB;
        *tail = info;
        tail = &info->next;
    }
    return head;
}

void freeEnumeration(hid_device_info* devs) {
    while (devs) {
        hid_device_info* next = devs->next;
        std::free(devs->path);
        std::free(devs->serial_number);
        std::free(devs->manufacturer_string);
        std::free(devs->product_string);
        std::free(devs);
        devs = next;
    }
}

hid_device* openPath(const char* path) {
    if (!path)
        return nullptr;
    const int fd = wire::connectTo(socketPath());
    if (fd < 0)
        return nullptr;
    wire::Writer w;
    w.u8(static_cast<std::uint8_t>(Op::Open)).str(path);
    Bytes reply;
    std::int32_t result = -1;
    if (!roundTrip(fd, w, reply, result) || result != 0) {
        ::close(fd);
        // What open(2) of a hidraw node would leave for the caller to look at.
        errno = result == wire::kAccessDenied ? EACCES : ENOENT;
        return nullptr;
    }
    auto* h = new Handle;
    h->fd = fd;
    return reinterpret_cast<hid_device*>(h);
}

int setNonblocking(hid_device* dev, int nonblock) {
    Handle* h = handleOf(dev);
    if (!h)
        return -1;
    h->nonblocking = nonblock != 0;
    return 0;
}

void close(hid_device* dev) {
    Handle* h = handleOf(dev);
    if (!h)
        return;
    ::close(h->fd);
    delete h;
}

int sendFeatureReport(hid_device* dev, const unsigned char* data, size_t length) {
    return sendBytes(dev, Op::SendFeature, data, length);
}

int write(hid_device* dev, const unsigned char* data, size_t length) {
    return sendBytes(dev, Op::Write, data, length);
}

int getFeatureReport(hid_device* dev, unsigned char* data, size_t length) {
    Handle* h = handleOf(dev);
    if (!h || !data || length == 0)
        return -1;
    wire::Writer w;
    w.u8(static_cast<std::uint8_t>(Op::GetFeature))
        .u32(static_cast<std::uint32_t>(length))
        .u8(data[0]);
    Bytes reply;
    std::int32_t result = -1;
    if (!roundTrip(h->fd, w, reply, result))
        return -1;
    return takeBytes(reply, data, length);
}

int readTimeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds) {
    Handle* h = handleOf(dev);
    if (!h || !data)
        return -1;
    wire::Writer w;
    w.u8(static_cast<std::uint8_t>(Op::Read))
        .u32(static_cast<std::uint32_t>(length))
        .i32(milliseconds < 0 ? -1 : milliseconds);
    Bytes reply;
    std::int32_t result = -1;
    if (!roundTrip(h->fd, w, reply, result))
        return -1;
    return takeBytes(reply, data, length);
}

int read(hid_device* dev, unsigned char* data, size_t length) {
    Handle* h = handleOf(dev);
    if (!h)
        return -1;
    return readTimeout(dev, data, length, h->nonblocking ? 0 : -1);
}

bool plug() {
    return control(Op::Plug);
}
bool unplug() {
    return control(Op::Unplug);
}
bool clearFaults() {
    return control(Op::ClearFaults);
}

bool dpiButton(int stage) {
    wire::Writer w;
    w.u8(static_cast<std::uint8_t>(stage));
    return control(Op::DpiButton, w);
}

bool notify(const std::vector<unsigned char>& report) {
    wire::Writer w;
    w.bytes(report.data(), report.size());
    return control(Op::Notify, w);
}

bool fault(const std::string& kind, int count) {
    wire::Writer w;
    w.str(kind).i32(count);
    return control(Op::Fault, w);
}

bool state(std::string& json) {
    wire::Writer w;
    w.u8(static_cast<std::uint8_t>(Op::State));
    Bytes reply;
    std::int32_t result = -1;
    if (!oneShot(w, reply, result) || result != 0)
        return false;
    wire::Reader r(reply);
    std::int32_t skip;
    return r.i32(skip) && r.str(json);
}

} // namespace vmouse::client
