#include "isp/ispdll.h"

#include "isp/common/boot_protocol.h"
#include "isp/common/firmware_image.h"
#include "platform/hid/hid_seam.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

using bootproto::Command;
using bootproto::Reply;
using bootproto::Request;
using bootproto::Status;

// How long a reply may take. The boot loader answers every request, erases included,
// well within this; a dead or stalled device ends the call here.
constexpr int kReplyTimeoutMs = 2000;
// Replies to earlier requests (after a timeout) that are skipped before giving up.
constexpr int kStaleRepliesSkipped = 4;

struct Loaded {
    std::vector<std::uint8_t> image;
    ispimage::Info info;
    bool valid = false;
    std::uint32_t pages() const { return ispimage::pagesFor(std::uint32_t(image.size())); }
    std::uint8_t byteAt(std::uint32_t offset) const {
        return offset < image.size() ? image[offset] : ispimage::kErased;
    }
};

struct Link {
    hid_device* device = nullptr;
    bool connected = false;
    std::uint8_t tag = 0;
    bootproto::DeviceInfo info;
};

std::mutex callMutex;
Loaded loaded;
Link session;

const hidseam::Api& hid() {
    return hidseam::api();
}

void closeLink() {
    if (session.device)
        hid().close(session.device);
    session.device = nullptr;
    session.connected = false;
}

// One request and its reply. 0 when the boot loader answered Ok.
std::int32_t transact(Request request, Reply& reply) {
    if (!session.device)
        return ISP_E_NOT_CONNECTED;
    request.tag = ++session.tag;
    const bootproto::Report report = bootproto::encode(request);
    unsigned char out[bootproto::kReportSize + 1] = {0};
    std::copy(report.begin(), report.end(), out + 1);
    if (hid().write(session.device, out, sizeof out) < 0)
        return ISP_E_IO;
    for (int i = 0; i <= kStaleRepliesSkipped; ++i) {
        bootproto::Report in{};
        const int n = hid().read_timeout(session.device, in.data(), in.size(), kReplyTimeoutMs);
        if (n != static_cast<int>(bootproto::kReportSize))
            return ISP_E_IO;
        if (!bootproto::decode(in, reply))
            return ISP_E_IO;
        if (reply.tag != request.tag || reply.command != static_cast<std::uint8_t>(request.command))
            continue;
        return reply.status == Status::Ok ? ISP_OK
                                          : ISP_E_DEVICE + static_cast<std::int32_t>(reply.status);
    }
    return ISP_E_IO;
}

std::int32_t simple(Command command, std::uint32_t address = 0, std::uint16_t count = 0) {
    Request request;
    request.command = command;
    request.address = address;
    request.count = count;
    Reply reply;
    return transact(request, reply);
}

std::int32_t needConnection() {
    return session.connected ? ISP_OK : ISP_E_NOT_CONNECTED;
}

// A loaded image that the connected boot loader's flash can take.
std::int32_t needImageAndConnection() {
    if (const std::int32_t rc = needConnection())
        return rc;
    if (!loaded.valid)
        return ISP_E_NO_IMAGE;
    const auto& d = session.info;
    if (loaded.info.linkAddress != d.userStart || d.pageSize != ispimage::kPageSize ||
        loaded.pages() * std::uint64_t(d.pageSize) > d.userSize)
        return ISP_E_MISMATCH;
    return ISP_OK;
}

std::uint32_t pageAddress(std::uint32_t page) {
    return session.info.userStart + page * session.info.pageSize;
}

bool pagesInside(std::uint32_t first, std::uint32_t count) {
    return count > 0 && first + count <= session.info.pageCount;
}

std::int32_t verifyPageCrc(std::uint32_t page) {
    const std::uint32_t size = session.info.pageSize;
    std::vector<std::uint8_t> expected(size);
    for (std::uint32_t i = 0; i < size; ++i)
        expected[i] = loaded.byteAt(page * size + i);
    Request request;
    request.command = Command::Verify;
    request.address = pageAddress(page);
    request.count = static_cast<std::uint16_t>(size);
    bootproto::put16(request.data.data(), ispimage::crc16(expected.data(), expected.size()));
    Reply reply;
    return transact(request, reply);
}

std::int32_t verifyPageReadBack(std::uint32_t page) {
    const std::uint32_t size = session.info.pageSize;
    for (std::uint32_t at = 0; at < size; at += bootproto::kDataSize) {
        const auto n =
            static_cast<std::uint16_t>(std::min<std::uint32_t>(bootproto::kDataSize, size - at));
        Request request;
        request.command = Command::Read;
        request.address = pageAddress(page) + at;
        request.count = n;
        Reply reply;
        if (const std::int32_t rc = transact(request, reply))
            return rc;
        for (std::uint16_t i = 0; i < n; ++i)
            if (reply.data[i] != loaded.byteAt(page * size + at + i))
                return ISP_E_DEVICE + static_cast<std::int32_t>(Status::Mismatch);
    }
    return ISP_OK;
}

} // namespace

extern "C" {

ISPDLL_API int32_t ISPDLL_CALL LoadProgdata(const uint8_t* image, uint32_t length,
                                            uint32_t* imageLength, uint16_t* linkAddress,
                                            uint32_t* paddedLength, uint16_t* pageCount,
                                            uint32_t* userSize, uint16_t* version) {
    std::lock_guard<std::mutex> lock(callMutex);
    loaded = Loaded{};
    if (!image || length == 0)
        return ISP_E_ARGUMENT;
    if (length > ispimage::kUserSize)
        return ISP_E_TOO_LARGE;
    const auto info = ispimage::readInfo(image, length);
    if (!info)
        return ISP_E_IMAGE;
    loaded.image.assign(image, image + length);
    loaded.info = *info;
    loaded.valid = true;
    if (imageLength)
        *imageLength = length;
    if (linkAddress)
        *linkAddress = info->linkAddress;
    if (paddedLength)
        *paddedLength = loaded.pages() * ispimage::kPageSize;
    if (pageCount)
        *pageCount = static_cast<uint16_t>(loaded.pages());
    if (userSize)
        *userSize = ispimage::kUserSize;
    if (version)
        *version = static_cast<uint16_t>(info->versionMajor << 8 | info->versionMinor);
    return ISP_OK;
}

ISPDLL_API int32_t ISPDLL_CALL GetMCUInfo(IspMcuInfo* info) {
    std::lock_guard<std::mutex> lock(callMutex);
    if (!info || info->size < sizeof(IspMcuInfo) || !loaded.valid)
        return 0;
    info->chunkSize = ispimage::kPageSize;
    info->pageCount = loaded.pages();
    info->userStart = ispimage::kUserStart;
    info->pageSize = ispimage::kPageSize;
    info->userSize = ispimage::kUserSize;
    info->imageLength = static_cast<uint32_t>(loaded.image.size());
    info->imageVersion =
        static_cast<uint32_t>(loaded.info.versionMajor << 8) | loaded.info.versionMinor;
    info->protocol = bootproto::kProtocolVersion;
    return 1;
}

ISPDLL_API uint16_t ISPDLL_CALL GetChksum(int32_t kind) {
    std::lock_guard<std::mutex> lock(callMutex);
    if (!loaded.valid)
        return 0;
    const auto& image = loaded.image;
    switch (kind) {
    case 0: {
        const std::uint32_t padding = loaded.pages() * ispimage::kPageSize - image.size();
        return static_cast<uint16_t>(ispimage::sum16(image.data(), image.size()) +
                                     padding * ispimage::kErased);
    }
    case 1:
        return ispimage::sum16(image.data(), image.size());
    case 2:
        return ispimage::crc16(image.data(), image.size());
    default:
        return 0;
    }
}

ISPDLL_API int32_t ISPDLL_CALL ConnectToBootloader(void) {
    std::lock_guard<std::mutex> lock(callMutex);
    closeLink();
    std::string path;
    hid_device_info* devices = hid().enumerate(bootproto::kVendorId, bootproto::kProductId);
    for (hid_device_info* d = devices; d; d = d->next) {
        if (d->usage_page == bootproto::kUsagePage && d->usage == bootproto::kUsage && d->path) {
            path = d->path;
            break;
        }
    }
    hid().free_enumeration(devices);
    if (path.empty())
        return ISP_E_NO_DEVICE;
    session.device = hid().open_path(path.c_str());
    if (!session.device)
        return ISP_E_NO_DEVICE;
    hid().set_nonblocking(session.device, 0);

    Request request;
    request.command = Command::Connect;
    request.count = bootproto::kProtocolVersion;
    Reply reply;
    if (const std::int32_t rc = transact(request, reply)) {
        closeLink();
        return rc;
    }
    const bootproto::DeviceInfo info = bootproto::takeInfo(reply.data);
    // Page numbers and chunk sizes handed out by GetMCUInfo are in this page size.
    if (info.protocolVersion != bootproto::kProtocolVersion ||
        info.pageSize != ispimage::kPageSize || info.pageCount == 0 ||
        info.userSize != std::uint32_t(info.pageCount) * info.pageSize) {
        closeLink();
        return ISP_E_MISMATCH;
    }
    session.info = info;
    session.connected = true;
    return ISP_OK;
}

ISPDLL_API int32_t ISPDLL_CALL EraseByPage(uint16_t page, uint16_t count, int32_t flags) {
    std::lock_guard<std::mutex> lock(callMutex);
    if (const std::int32_t rc = needConnection())
        return rc;
    if (!pagesInside(page, count))
        return ISP_E_ARGUMENT;
    if (const std::int32_t rc = simple(Command::Erase, pageAddress(page), count))
        return rc;
    return (flags & 1) ? simple(Command::BlankCheck, pageAddress(page), count) : ISP_OK;
}

ISPDLL_API int32_t ISPDLL_CALL BlankCheck(int32_t scope) {
    std::lock_guard<std::mutex> lock(callMutex);
    if (const std::int32_t rc = needConnection())
        return rc;
    std::uint32_t pages = 0;
    if (scope == 0) {
        if (const std::int32_t rc = needImageAndConnection())
            return rc;
        pages = loaded.pages();
    } else if (scope == 1) {
        pages = session.info.pageCount;
    } else {
        return ISP_E_ARGUMENT;
    }
    return simple(Command::BlankCheck, pageAddress(0), static_cast<std::uint16_t>(pages));
}

ISPDLL_API int32_t ISPDLL_CALL PartialProgram(uint16_t offset, uint16_t length) {
    std::lock_guard<std::mutex> lock(callMutex);
    if (const std::int32_t rc = needImageAndConnection())
        return rc;
    if (length == 0 || std::uint32_t(offset) + length > session.info.userSize)
        return ISP_E_ARGUMENT;
    const std::uint32_t end = std::uint32_t(offset) + length;
    for (std::uint32_t at = offset; at < end; at += bootproto::kDataSize) {
        const auto n =
            static_cast<std::uint16_t>(std::min<std::uint32_t>(bootproto::kDataSize, end - at));
        Request request;
        request.command = Command::Program;
        request.address = session.info.userStart + at;
        request.count = n;
        bool erasedOnly = true;
        for (std::uint16_t i = 0; i < n; ++i) {
            request.data[i] = loaded.byteAt(at + i);
            erasedOnly = erasedOnly && request.data[i] == ispimage::kErased;
        }
        // Erased flash already reads 0xFF.
        if (erasedOnly)
            continue;
        Reply reply;
        if (const std::int32_t rc = transact(request, reply))
            return rc;
    }
    return ISP_OK;
}

ISPDLL_API int32_t ISPDLL_CALL VerifyByPage(uint16_t page, uint16_t count, int32_t mode) {
    std::lock_guard<std::mutex> lock(callMutex);
    if (const std::int32_t rc = needImageAndConnection())
        return rc;
    if (!pagesInside(page, count) || (mode != 0 && mode != 1))
        return ISP_E_ARGUMENT;
    for (std::uint32_t p = page; p < std::uint32_t(page) + count; ++p) {
        const std::int32_t rc = mode == 0 ? verifyPageCrc(p) : verifyPageReadBack(p);
        if (rc)
            return rc;
    }
    return ISP_OK;
}

ISPDLL_API int32_t ISPDLL_CALL ExecuteProgramFrom(int32_t target) {
    std::lock_guard<std::mutex> lock(callMutex);
    if (const std::int32_t rc = needConnection())
        return rc;
    if (target != bootproto::kStartBootLoader && target != bootproto::kStartUserProgram)
        return ISP_E_ARGUMENT;
    return simple(Command::SetStart, 0, static_cast<std::uint16_t>(target));
}

ISPDLL_API int32_t ISPDLL_CALL LockAll(void) {
    std::lock_guard<std::mutex> lock(callMutex);
    if (needConnection() != ISP_OK)
        return 0;
    return simple(Command::Lock, 0, 0) == ISP_OK ? 1 : 0;
}

ISPDLL_API int32_t ISPDLL_CALL SwitchToUserProgram(void) {
    std::lock_guard<std::mutex> lock(callMutex);
    if (const std::int32_t rc = needConnection())
        return rc;
    const std::int32_t rc = simple(Command::Reset);
    // The boot loader restarts once it has answered: this handle is gone either way.
    closeLink();
    return rc;
}

ISPDLL_API int32_t ISPDLL_CALL DisConnectBootloader(void) {
    std::lock_guard<std::mutex> lock(callMutex);
    if (session.connected)
        simple(Command::Disconnect);
    closeLink();
    return ISP_OK;
}

} // extern "C"
