#include "firmware/boot_loader.h"

#include <QJsonValue>
#include <QString>

#include <algorithm>

namespace vmouse {
namespace {

using bootproto::Command;
using bootproto::Status;

constexpr std::uint8_t kLoaderVersion = 0x11;

QString hex(std::uint32_t v) {
    return QStringLiteral("0x%1").arg(v, 4, 16, QLatin1Char('0'));
}

} // namespace

BootLoader::BootLoader()
    : flash_(ispimage::kUserSize, ispimage::kErased), locked_(ispimage::kUserPages, false) {}

void BootLoader::installFactoryImage(const std::vector<std::uint8_t>& image) {
    std::fill(flash_.begin(), flash_.end(), ispimage::kErased);
    std::copy_n(image.begin(), std::min<std::size_t>(image.size(), flash_.size()), flash_.begin());
    std::fill(locked_.begin(), locked_.end(), true);
    startChoice_ = bootproto::kStartUserProgram;
}

std::optional<ispimage::Info> BootLoader::programInfo() const {
    const auto info = ispimage::readInfo(flash_.data(), flash_.size());
    if (!info || info->linkAddress != ispimage::kUserStart)
        return std::nullopt;
    return info;
}

bool BootLoader::startsUserProgram() const {
    return startChoice_ == bootproto::kStartUserProgram && programValid();
}

bootproto::DeviceInfo BootLoader::info() const {
    bootproto::DeviceInfo d;
    d.loaderVersion = kLoaderVersion;
    d.pageSize = ispimage::kPageSize;
    d.userStart = ispimage::kUserStart;
    d.userSize = ispimage::kUserSize;
    d.pageCount = ispimage::kUserPages;
    d.startChoice = startChoice_;
    d.programValid = programValid();
    return d;
}

bool BootLoader::bytesInside(std::uint32_t address, std::uint32_t count) const {
    return count > 0 && address >= ispimage::kUserStart &&
           std::uint64_t(address) + count <= std::uint64_t(ispimage::kUserStart) + flash_.size();
}

bool BootLoader::pagesInside(std::uint32_t address, std::uint32_t count) const {
    return address >= ispimage::kUserStart &&
           (address - ispimage::kUserStart) % ispimage::kPageSize == 0 &&
           bytesInside(address, count * ispimage::kPageSize);
}

bool BootLoader::anyLocked(std::uint32_t address, std::uint32_t count) const {
    for (std::uint32_t p = pageOf(address); p <= pageOf(address + count - 1); ++p)
        if (locked_[p])
            return true;
    return false;
}

BootLoader::Outcome BootLoader::request(const std::uint8_t* report, std::size_t length) {
    Outcome outcome;
    bootproto::Report in{};
    std::copy_n(report, std::min(length, in.size()), in.begin());
    bootproto::Request r;
    bootproto::Reply reply;
    reply.command = in[0];
    reply.tag = in[1];
    if (!bootproto::decode(in, r))
        reply.status = Status::BadCrc;
    else
        reply.status = execute(r, reply, outcome);
    outcome.reply = bootproto::encode(reply);
    if (outcome.answered && reply.status != Status::Ok) {
        const std::string why = std::string("refused: ") + bootproto::statusName(reply.status);
        outcome.note = outcome.note.empty() ? why : why + "; " + outcome.note;
    }
    return outcome;
}

Status BootLoader::execute(const bootproto::Request& r, bootproto::Reply& reply, Outcome& outcome) {
    const auto at = [&] { return hex(r.address).toStdString(); };
    if (r.command == Command::Connect) {
        if (r.count != bootproto::kProtocolVersion)
            return Status::Unsupported;
        session_ = true;
        bootproto::putInfo(reply.data, info());
        outcome.note = "connect";
        return Status::Ok;
    }
    switch (r.command) {
    case Command::Disconnect:
    case Command::Erase:
    case Command::BlankCheck:
    case Command::Program:
    case Command::Verify:
    case Command::Read:
    case Command::SetStart:
    case Command::Lock:
    case Command::Reset:
        break;
    default:
        return Status::UnknownCommand;
    }
    if (!session_)
        return Status::NotConnected;

    switch (r.command) {
    case Command::Disconnect:
        session_ = false;
        outcome.note = "disconnect";
        return Status::Ok;

    case Command::Erase: {
        if (r.count == 0 || !pagesInside(r.address, r.count))
            return Status::OutOfRange;
        if (faults_.erase > 0) {
            --faults_.erase;
            return Status::Failed;
        }
        const std::uint32_t first = pageOf(r.address);
        for (std::uint32_t p = first; p < first + r.count; ++p) {
            std::fill_n(flash_.begin() + p * ispimage::kPageSize, ispimage::kPageSize,
                        ispimage::kErased);
            locked_[p] = false;
        }
        // A half-written program must not be started: the boot loader stays until the
        // host chooses the user program again.
        startChoice_ = bootproto::kStartBootLoader;
        outcome.note = "erase " + at() + " pages " + std::to_string(r.count);
        return Status::Ok;
    }

    case Command::BlankCheck: {
        if (r.count == 0 || !pagesInside(r.address, r.count))
            return Status::OutOfRange;
        const auto begin = flash_.begin() + (r.address - ispimage::kUserStart);
        const auto end = begin + r.count * ispimage::kPageSize;
        const auto it = std::find_if(begin, end, [](std::uint8_t b) { return b != 0xFF; });
        outcome.note = "blank check " + at() + " pages " + std::to_string(r.count);
        if (it == end)
            return Status::Ok;
        reply.value = ispimage::kUserStart + std::uint32_t(it - flash_.begin());
        return Status::NotBlank;
    }

    case Command::Program: {
        if (r.count == 0 || r.count > bootproto::kDataSize)
            return Status::BadLength;
        if (!bytesInside(r.address, r.count))
            return Status::OutOfRange;
        if (faults_.vanishProgram > 0 && --faults_.vanishProgram == 0) {
            outcome.answered = false;
            outcome.note = "fault: power lost while programming " + at();
            return Status::Failed;
        }
        if (anyLocked(r.address, r.count))
            return Status::Locked;
        auto target = flash_.begin() + (r.address - ispimage::kUserStart);
        if (std::any_of(target, target + r.count, [](std::uint8_t b) { return b != 0xFF; }))
            return Status::NotErased;
        std::copy_n(r.data.begin(), r.count, target);
        outcome.note = "program " + at() + " bytes " + std::to_string(r.count);
        return Status::Ok;
    }

    case Command::Verify: {
        if (!bytesInside(r.address, r.count))
            return Status::OutOfRange;
        if (anyLocked(r.address, r.count))
            return Status::Locked;
        const auto crc =
            ispimage::crc16(flash_.data() + (r.address - ispimage::kUserStart), r.count);
        reply.value = crc;
        outcome.note = "verify " + at() + " bytes " + std::to_string(r.count);
        if (faults_.verify > 0) {
            --faults_.verify;
            outcome.note = "fault: verify " + at() + " fails";
            return Status::Mismatch;
        }
        return crc == bootproto::get16(r.data.data()) ? Status::Ok : Status::Mismatch;
    }

    case Command::Read: {
        if (r.count == 0 || r.count > bootproto::kDataSize)
            return Status::BadLength;
        if (!bytesInside(r.address, r.count))
            return Status::OutOfRange;
        if (anyLocked(r.address, r.count))
            return Status::Locked;
        std::copy_n(flash_.begin() + (r.address - ispimage::kUserStart), r.count,
                    reply.data.begin());
        outcome.note = "read " + at() + " bytes " + std::to_string(r.count);
        return Status::Ok;
    }

    case Command::SetStart:
        if (r.count == bootproto::kStartUserProgram) {
            if (!programValid())
                return Status::NoProgram;
        } else if (r.count != bootproto::kStartBootLoader) {
            return Status::Unsupported;
        }
        startChoice_ = r.count;
        outcome.note =
            r.count == bootproto::kStartUserProgram ? "start user program" : "start boot loader";
        return Status::Ok;

    case Command::Lock: {
        std::uint32_t first = 0, count = ispimage::kUserPages;
        if (r.count != 0) {
            if (!pagesInside(r.address, r.count))
                return Status::OutOfRange;
            first = pageOf(r.address);
            count = r.count;
        }
        if (faults_.lock > 0) {
            --faults_.lock;
            return Status::Failed;
        }
        for (std::uint32_t p = first; p < first + count; ++p)
            locked_[p] = true;
        reply.value = count;
        outcome.note = "lock pages " + std::to_string(count);
        return Status::Ok;
    }

    case Command::Reset:
        session_ = false;
        outcome.restart = true;
        outcome.note = "reset";
        return Status::Ok;

    default:
        return Status::UnknownCommand;
    }
}

bool BootLoader::fault(const std::string& kind, int count) {
    count = std::max(count, 1);
    if (kind == "boot-erase-fail")
        faults_.erase = count;
    else if (kind == "boot-verify-fail")
        faults_.verify = count;
    else if (kind == "boot-lock-fail")
        faults_.lock = count;
    else if (kind == "boot-vanish-program")
        faults_.vanishProgram = count;
    else
        return false;
    return true;
}

QJsonObject BootLoader::faultsJson() const {
    QJsonObject f;
    f.insert("boot-erase-fail", faults_.erase);
    f.insert("boot-verify-fail", faults_.verify);
    f.insert("boot-lock-fail", faults_.lock);
    f.insert("boot-vanish-program", faults_.vanishProgram);
    return f;
}

QJsonObject BootLoader::stateJson() const {
    QJsonObject o;
    o.insert("session", session_);
    o.insert("start",
             startChoice_ == bootproto::kStartUserProgram ? "user-program" : "boot-loader");
    o.insert("page_size", int(ispimage::kPageSize));
    o.insert("user_start", int(ispimage::kUserStart));
    o.insert("pages", int(ispimage::kUserPages));
    const auto program = programInfo();
    o.insert("program_valid", program.has_value());
    if (program)
        o.insert("program_version",
                 QJsonObject{{"a1", program->versionMajor}, {"a2", program->versionMinor}});
    o.insert("locked_pages", int(std::count(locked_.begin(), locked_.end(), true)));
    int blank = 0;
    for (std::uint32_t p = 0; p < ispimage::kUserPages; ++p) {
        const auto page = flash_.begin() + p * ispimage::kPageSize;
        blank += std::all_of(page, page + ispimage::kPageSize, [](auto b) { return b == 0xFF; });
    }
    o.insert("blank_pages", blank);
    o.insert("user_area_crc", int(ispimage::crc16(flash_.data(), flash_.size())));
    return o;
}

} // namespace vmouse
