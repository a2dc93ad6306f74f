#include "device/transport/command_link.h"

#include "platform/hid/hid_seam.h"

#include <QThread>

#include <algorithm>
#include <cstring>
#include <vector>

namespace transport {
namespace {

constexpr int kSettleStepMs = 64;
constexpr int kBulkPauseMs = 8;

const hidseam::Api& hid() {
    return hidseam::api();
}

} // namespace

CommandLink::CommandLink(Sleep sleep) {
    setSleep(std::move(sleep));
}

void CommandLink::setSleep(Sleep sleep) {
    sleep_ = std::move(sleep);
    if (!sleep_)
        sleep_ = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
}

void CommandLink::settleWait() {
    sleep_(kSettleStepMs);
    sleep_(kSettleStepMs);
}

hid_device* CommandLink::reopen(const Target& target) {
    close();
    if (target.path.isEmpty())
        return nullptr;
    handle_ = hid().open_path(target.path.constData());
    if (handle_)
        hid().set_nonblocking(handle_, 0);
    return handle_;
}

void CommandLink::close() {
    if (handle_) {
        hid().close(handle_);
        handle_ = nullptr;
    }
}

Outcome CommandLink::finish(Outcome outcome) {
    close();
    return outcome;
}

Outcome CommandLink::sendReport(const Target& target, std::uint8_t* report) {
    if (!reopen(target))
        return Outcome::NoDevice;
    if (secrecy_)
        codec::encrypt(report + 1, secrecy_);
    return hid().send_feature_report(handle_, report, codec::kCommandReportSize) >= 0
               ? Outcome::Ok
               : Outcome::Failed;
}

Outcome CommandLink::write(const Target& target, std::uint8_t* report, bool settle,
                           const std::uint8_t* bulk, int length) {
    if (const Outcome sent = sendReport(target, report); sent != Outcome::Ok)
        return finish(sent);
    if (settle)
        settleWait();
    if (length > 0) {
        const bool moved = BulkMover::write([&] { return reopen(target); }, bulk, length,
                                            target.reportLength, sleep_);
        if (!moved)
            return finish(Outcome::Failed);
        if (settle)
            settleWait();
    }
    return finish(Outcome::Ok);
}

Outcome CommandLink::read(const Target& target, std::uint8_t* report, std::uint8_t* answer,
                          std::uint8_t* bulk, int length, const ReadCheck& check) {
    const std::uint8_t code = report[1]; // before the cipher touches it
    std::uint8_t preset[codec::kCommandReportSize];
    std::memcpy(preset, answer, sizeof preset);
    if (const Outcome sent = sendReport(target, report); sent != Outcome::Ok)
        return finish(sent);
    if (!reopen(target))
        return finish(Outcome::NoDevice);
    if (hid().get_feature_report(handle_, answer, codec::kCommandReportSize) < 0)
        return finish(Outcome::Failed);
    // Answers with bulk data behind them come plain.
    if (length == 0 && secrecy_)
        codec::decipher(answer + 1, secrecy_);
    const bool readable = length == 0 || !secrecy_;
    if (check.frame && readable && !codec::answerValid(code, answer + 1)) {
        std::memcpy(answer, preset, sizeof preset);
        return finish(Outcome::Failed);
    }
    if (length == 0)
        return finish(Outcome::Ok);
    const bool moved = BulkMover::read([&] { return reopen(target); }, bulk, length,
                                       target.reportLength, check.bulkTimeoutMs);
    return finish(moved ? Outcome::Ok : Outcome::Failed);
}

bool BulkMover::write(const Open& open, const std::uint8_t* data, int length, int reportLength,
                      const CommandLink::Sleep& pause) {
    if (reportLength <= 0)
        return false;
    const int chunk = std::min(length, reportLength);
    std::vector<std::uint8_t> report(static_cast<std::size_t>(reportLength) + 1);
    for (int offset = 0; offset < length; offset += chunk) {
        const auto n = static_cast<std::size_t>(std::min(chunk, length - offset));
        std::fill(report.begin(), report.end(), 0);
        std::memcpy(report.data() + 1, data + offset, n);
        hid_device* handle = open();
        if (!handle || hid().write(handle, report.data(), report.size()) < 0)
            return false;
        pause(kBulkPauseMs);
    }
    return true;
}

bool BulkMover::read(const Open& open, std::uint8_t* data, int length, int reportLength,
                     int timeoutMs) {
    if (reportLength <= 0)
        return false;
    const int chunk = std::min(length, reportLength);
    std::vector<std::uint8_t> report(static_cast<std::size_t>(reportLength) + 1);
    for (int offset = 0; offset < length; offset += chunk) {
        const auto n = static_cast<std::size_t>(std::min(chunk, length - offset));
        std::fill(report.begin(), report.end(), 0);
        hid_device* handle = open();
        // Bounded: a mouse that stops answering must not hold the link for ever.
        if (!handle || hid().read_timeout(handle, report.data(), report.size(), timeoutMs) <= 0)
            return false;
        std::memcpy(data + offset, report.data(), n);
    }
    return true;
}

} // namespace transport
