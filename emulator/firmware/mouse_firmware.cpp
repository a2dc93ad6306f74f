#include "firmware/mouse_firmware.h"

#include "device/codec/report_codec.h"
#include "firmware/boot_loader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <optional>

namespace vmouse {
namespace {

using Frame = std::array<std::uint8_t, 8>;

// Button assignments the mouse leaves the factory with: left, right, middle, forward,
// back, DPI up, DPI down, seven unassigned buttons and the two kind-4 entries.
constexpr std::array<std::uint8_t, 64> kFactoryButtons = {
    0x01, 0x00, 0xf0, 0x00, 0x01, 0x00, 0xf1, 0x00, 0x01, 0x00, 0xf2, 0x00, 0x01, 0x00, 0xf4, 0x00,
    0x01, 0x00, 0xf3, 0x00, 0x07, 0x00, 0x01, 0x00, 0x07, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01, 0x00, 0x04, 0x00, 0x02, 0x00};

// Eight stages of red, green, blue: a distinct colour per stage.
constexpr std::array<std::uint8_t, 24> kFactoryStageColors = {
    0xff, 0x00, 0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0x00,
    0xff, 0x00, 0xff, 0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x80, 0x00};

constexpr std::array<std::uint8_t, 4> kFactoryStageColorsPacked = {0x01, 0x23, 0x45, 0x67};

constexpr std::array<std::uint8_t, 8> kFactoryDpiCodes = {0x02, 0x04, 0x06, 0x08,
                                                          0x45, 0x46, 0x80, 0x80};

// Where a bulk block goes to or comes from.
enum class Target {
    StageColors,
    StageColorsPacked,
    DpiCodes,
    ButtonTable,
    GunTable,
    Macro,
    KeyMatrix,
    KeyOnOff,
    KeyboardMacro,
    UserPicture,
    Nowhere, // the block is moved but has no slot (bad macro id, unknown table)
};

struct BlockSpec {
    Target target;
    std::size_t size;
};

constexpr std::uint8_t kRecovery = 0xff;
constexpr std::uint8_t kMouseTableSize = 0x40;
constexpr std::uint8_t kPictureSizeMark = 8;
constexpr std::uint8_t kKeyOnOffSizeMark = 0x15;
constexpr std::uint8_t kKeyboardMacroMark = 3;

bool macroIdValid(std::uint8_t id) {
    return id >= 1 && id <= kMacroSlots;
}

Target stageColorTarget(std::uint8_t type) {
    return type == 2 ? Target::StageColorsPacked : Target::StageColors;
}

std::size_t stageColorSize(std::uint8_t type) {
    return type == 2 ? 4 : 24;
}

Target mouseTableTarget(std::uint8_t index) {
    if (index == 1)
        return Target::ButtonTable;
    if (index == 3)
        return Target::GunTable;
    return Target::Nowhere;
}

// The block a setter frame announces, if any. The keyboard-family commands share codes
// with mouse commands; their size marks in p2/p3 tell them apart.
std::optional<BlockSpec> setterBlock(const Frame& f) {
    const auto p1 = f[1], p2 = f[2], p3 = f[3];
    switch (f[0]) {
    case 0x0d:
        if (p1 == 0 && p2 == 0 && p3 == kPictureSizeMark)
            return BlockSpec{Target::KeyMatrix, 512};
        return std::nullopt;
    case 0x0e:
        if (p3 == kKeyOnOffSizeMark)
            return BlockSpec{Target::KeyOnOff, 21};
        return std::nullopt;
    case 0x10:
        return BlockSpec{stageColorTarget(p1), stageColorSize(p1)};
    case 0x11:
        if (p3 == kKeyboardMacroMark)
            return BlockSpec{Target::KeyboardMacro, 192};
        return BlockSpec{Target::DpiCodes, 8};
    case 0x12:
        if (p2 == kMouseTableSize)
            return BlockSpec{mouseTableTarget(p1), 64};
        if (p3 == kPictureSizeMark)
            return BlockSpec{Target::UserPicture, 512};
        return std::nullopt;
    case 0x13:
        if (p1 == kRecovery)
            return std::nullopt;
        return BlockSpec{macroIdValid(p1) ? Target::Macro : Target::Nowhere, kMacroSlotSize};
    default:
        return std::nullopt;
    }
}

// The block a getter frame asks for, if any.
std::optional<BlockSpec> getterBlock(const Frame& f) {
    const auto p1 = f[1], p2 = f[2];
    switch (f[0]) {
    case 0x8e:
        return BlockSpec{Target::KeyOnOff, 21};
    case 0x90:
        return BlockSpec{stageColorTarget(p1), stageColorSize(p1)};
    case 0x91:
        if (p2 != 0)
            return BlockSpec{Target::KeyboardMacro, 192};
        return BlockSpec{Target::DpiCodes, 8};
    case 0x92:
        if (p1 == 0)
            return BlockSpec{Target::UserPicture, 512};
        return BlockSpec{mouseTableTarget(p1), 64};
    case 0x93:
        return BlockSpec{macroIdValid(p1) ? Target::Macro : Target::Nowhere, kMacroSlotSize};
    default:
        return std::nullopt;
    }
}

template <std::size_t N> Bytes toBytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

template <std::size_t N> void fromBytes(std::array<std::uint8_t, N>& a, const Bytes& b) {
    std::copy_n(b.begin(), std::min(N, b.size()), a.begin());
}

// Mouse macros address their slot with p1, keyboard macros and pictures with p2.
Bytes readBlock(const FirmwareState& s, const BlockSpec& layout, const Frame& f) {
    switch (layout.target) {
    case Target::StageColors:
        return toBytes(s.stageColors);
    case Target::StageColorsPacked:
        return toBytes(s.stageColorsPacked);
    case Target::DpiCodes:
        return toBytes(s.dpiCodes);
    case Target::ButtonTable:
        return toBytes(s.buttonTable);
    case Target::GunTable:
        return toBytes(s.gunTable);
    case Target::Macro:
        return toBytes(s.macros[f[1] - 1]);
    case Target::KeyMatrix:
        return toBytes(s.keyMatrix);
    case Target::KeyOnOff:
        return toBytes(s.keyOnOff);
    case Target::KeyboardMacro: {
        const auto it = s.keyboardMacros.find(f[2]);
        return it == s.keyboardMacros.end() ? Bytes(layout.size, 0) : toBytes(it->second);
    }
    case Target::UserPicture: {
        const auto it = s.userPictures.find(f[2]);
        return it == s.userPictures.end() ? Bytes(layout.size, 0) : toBytes(it->second);
    }
    case Target::Nowhere:
        break;
    }
    return Bytes(layout.size, 0);
}

void writeBlock(FirmwareState& s, Target target, const Frame& f, const Bytes& data) {
    switch (target) {
    case Target::StageColors:
        fromBytes(s.stageColors, data);
        break;
    case Target::StageColorsPacked:
        fromBytes(s.stageColorsPacked, data);
        break;
    case Target::DpiCodes:
        s.dpiMaxStage = f[1];
        fromBytes(s.dpiCodes, data);
        break;
    case Target::ButtonTable:
        fromBytes(s.buttonTable, data);
        break;
    case Target::GunTable:
        fromBytes(s.gunTable, data);
        break;
    case Target::Macro:
        fromBytes(s.macros[f[1] - 1], data);
        break;
    case Target::KeyMatrix:
        fromBytes(s.keyMatrix, data);
        break;
    case Target::KeyOnOff:
        fromBytes(s.keyOnOff, data);
        break;
    case Target::KeyboardMacro:
        fromBytes(s.keyboardMacros[f[2]], data);
        break;
    case Target::UserPicture:
        fromBytes(s.userPictures[f[2]], data);
        break;
    case Target::Nowhere:
        break;
    }
}

QString hexText(const std::uint8_t* data, std::size_t length) {
    QString text;
    text.reserve(static_cast<qsizetype>(length * 3));
    for (std::size_t i = 0; i < length; ++i) {
        if (i)
            text += QLatin1Char(' ');
        text += QStringLiteral("%1").arg(data[i], 2, 16, QLatin1Char('0'));
    }
    return text;
}

template <std::size_t N> QString hexText(const std::array<std::uint8_t, N>& a) {
    return hexText(a.data(), N);
}

template <std::size_t N> QJsonArray intArray(const std::array<std::uint8_t, N>& a) {
    QJsonArray out;
    for (auto v : a)
        out.append(int(v));
    return out;
}

} // namespace

MouseFirmware::MouseFirmware(bool encrypted, const std::string& code, Answers answers)
    : encrypted_(encrypted), answers_(answers) {
    codec::secrecyFromText(code.data(), code.size(), secrecy_);
    factoryReset();
    state_.firmwareVersion = {0x01, 0x0a};
}

void MouseFirmware::factoryReset() {
    FirmwareState s;
    s.reportRate = 1;
    s.profile = 0;
    s.functionOption = {0, 1, 0, 0};
    s.ledInstruct[0] = {0, 0, 0};
    s.ledInstruct[1] = {0, 0, 0};
    s.dpiStage = 1;
    s.ledEffect = {1, 0, 0};
    s.xySensitivity = {20, 20};
    s.stageColors = kFactoryStageColors;
    s.stageColorsPacked = kFactoryStageColorsPacked;
    s.dpiMaxStage = 6;
    s.dpiCodes = kFactoryDpiCodes;
    s.buttonTable = kFactoryButtons;
    for (auto& macro : s.macros) {
        macro.fill(0);
        macro[1] = 0x01; // repeat once; the end mark 00 00 follows
    }
    // The version belongs to the running image, not to the settings a recovery resets.
    s.firmwareVersion = state_.firmwareVersion;
    s.buttonSensitivity = {0x14, 0x14, 0x14, 0x14};
    state_ = s;
}

void MouseFirmware::powerOn() {
    pending_ = false;
    block_ = PendingBlock{};
    commandInput_.clear();
    bootArmed_ = false;
    bootConfirmed_ = false;
}

bool MouseFirmware::takeBootRequest() {
    const bool requested = bootConfirmed_;
    bootConfirmed_ = false;
    return requested;
}

FeatureOutcome MouseFirmware::featureReport(const std::uint8_t* wire8) {
    FeatureOutcome outcome;
    // A confirmation of the hand-over holds only for the answer that carries it.
    bootConfirmed_ = false;
    std::copy_n(wire8, outcome.plain.size(), outcome.plain.begin());
    if (encrypted_)
        codec::decipher(outcome.plain.data(), secrecy_.data());

    // A new command ends whatever the previous one left open on the interface.
    std::string prefix;
    if (pending_) {
        prefix = "block abandoned";
        pending_ = false;
        block_ = PendingBlock{};
    }
    commandInput_.clear();

    auto withPrefix = [&prefix](const std::string& note) {
        if (prefix.empty())
            return note;
        return note.empty() ? prefix : prefix + "; " + note;
    };

    if (!codec::checksumValid(outcome.plain)) {
        answer_.fill(0);
        answerEnciphered_ = encrypted_;
        outcome.note = withPrefix("bad checksum");
        return outcome;
    }

    execute(outcome.plain);
    if (answers_ == Answers::Uncoded)
        answer_[0] = 0;
    if (known_ && answers_ == Answers::Framed)
        answer_[7] = codec::checksum(answer_.data());
    outcome.executed = known_;
    outcome.note = withPrefix(executeNote_);
    return outcome;
}

void MouseFirmware::execute(const std::array<std::uint8_t, 8>& f) {
    known_ = true;
    executeNote_.clear();
    answer_.fill(0);
    answer_[0] = f[0];
    answerEnciphered_ = encrypted_;
    auto& s = state_;

    if (const auto layout = setterBlock(f)) {
        pending_ = true;
        block_.frame = f;
        block_.expected = layout->size;
        block_.received.clear();
        answerEnciphered_ = false;
        if (layout->target == Target::Nowhere)
            executeNote_ = "no slot for this block, data will be discarded";
        return;
    }

    if (const auto layout = getterBlock(f)) {
        const Bytes block = readBlock(s, *layout, f);
        queueInput(block.data(), block.size());
        answerEnciphered_ = false;
        if (layout->target == Target::DpiCodes)
            answer_[1] = s.dpiMaxStage;
        else if (answers_ == Answers::Framed && layout->target == Target::KeyboardMacro)
            answer_[3] = kKeyboardMacroMark;
        else if (answers_ == Answers::Framed && layout->target == Target::UserPicture)
            answer_[3] = kPictureSizeMark;
        else if (answers_ == Answers::Framed && layout->target == Target::KeyOnOff)
            answer_[3] = kKeyOnOffSizeMark;
        if (layout->target == Target::Nowhere)
            executeNote_ = "no slot for this block, zeros sent";
        return;
    }

    switch (f[0]) {
    case 0x00: // secrecy echo
        std::copy_n(f.begin() + 1, 4, answer_.begin() + 1);
        break;
    case 0x01:
        s.reportRate = f[1];
        break;
    case 0x02:
        s.profile = f[1];
        break;
    case 0x03:
        std::copy_n(f.begin() + 1, 4, s.functionOption.begin());
        break;
    case 0x04:
        std::copy_n(f.begin() + 1, 5, s.gunData.begin());
        break;
    case 0x07:
        s.ledInstruct[f[1]] = {f[2], f[3], f[4]};
        break;
    case 0x08:
        std::copy_n(f.begin() + 1, 6, s.ledType.begin());
        break;
    case 0x09:
        s.keyboardMode = f[1];
        break;
    case 0x0b:
        s.dpiStage = f[1];
        break;
    case 0x0d:
        s.ledEffect = {f[1], f[2], f[3]};
        break;
    case 0x0e:
        s.xySensitivity = {f[1], f[2]};
        break;
    case 0x0f: // hand over to the boot loader
        if (std::equal(kBootEntryCode.begin(), kBootEntryCode.end(), f.begin() + 1)) {
            bootArmed_ = true;
            executeNote_ = "boot loader entry armed";
        } else {
            executeNote_ = "wrong boot loader entry code";
        }
        break;
    case 0x13: // p1 = 0xFF; every other 0x13 carries a macro block
        factoryReset();
        break;
    case 0x14:
        s.colors[f[2]] = {f[3], f[4], f[5]};
        break;
    case 0x80:
        answer_[1] = s.firmwareVersion[0];
        answer_[2] = s.firmwareVersion[1];
        break;
    case 0x8f:
        answer_[1] = bootArmed_ ? 0xff : 0x00;
        bootConfirmed_ = bootArmed_;
        break;
    case 0x81:
        answer_[1] = s.reportRate;
        break;
    case 0x82:
        answer_[1] = s.profile;
        break;
    case 0x83:
        std::copy_n(s.functionOption.begin(), 4, answer_.begin() + 1);
        break;
    case 0x84:
        std::copy_n(s.buttonSensitivity.begin(), 4, answer_.begin() + 1);
        break;
    case 0x87: {
        answer_[1] = f[1];
        const auto it = s.ledInstruct.find(f[1]);
        if (it != s.ledInstruct.end())
            std::copy_n(it->second.begin(), 3, answer_.begin() + 2);
        break;
    }
    case 0x88:
        std::copy_n(s.ledType.begin(), 6, answer_.begin() + 1);
        break;
    case 0x89:
        answer_[1] = s.keyboardMode;
        break;
    case 0x8b:
        answer_[1] = s.dpiStage;
        break;
    case 0x8d:
        std::copy_n(s.ledEffect.begin(), 3, answer_.begin() + 1);
        break;
    case 0x94: {
        answer_[2] = f[2];
        const auto it = s.colors.find(f[2]);
        if (it != s.colors.end())
            std::copy_n(it->second.begin(), 3, answer_.begin() + 3);
        break;
    }
    default:
        known_ = false;
        executeNote_ = "unknown command";
        answer_.fill(0);
        break;
    }
}

std::array<std::uint8_t, 8> MouseFirmware::answerWire() const {
    auto wire = answer_;
    if (answerEnciphered_)
        codec::encrypt(wire.data(), secrecy_.data());
    return wire;
}

std::string MouseFirmware::outputReport(const std::uint8_t* data, std::size_t length) {
    if (!pending_)
        return "unexpected output";
    // A report always carries a full chunk; bytes the host did not send count as padding.
    const std::size_t chunk = std::min(kBulkReportData, block_.expected - block_.received.size());
    const std::size_t given = std::min(chunk, length);
    block_.received.insert(block_.received.end(), data, data + given);
    block_.received.resize(block_.received.size() + (chunk - given), 0);
    if (block_.received.size() == block_.expected)
        finishBulkOut();
    return "";
}

void MouseFirmware::finishBulkOut() {
    if (const auto layout = setterBlock(block_.frame))
        writeBlock(state_, layout->target, block_.frame, block_.received);
    pending_ = false;
    block_ = PendingBlock{};
}

void MouseFirmware::queueInput(const std::uint8_t* data, std::size_t length) {
    for (std::size_t offset = 0; offset < length; offset += kBulkReportData) {
        Bytes report(kBulkReportData, 0);
        const std::size_t n = std::min(kBulkReportData, length - offset);
        std::copy_n(data + offset, n, report.begin());
        commandInput_.push_back(std::move(report));
    }
}

Bytes MouseFirmware::dpiButton(std::uint8_t stage) {
    state_.dpiStage = stage;
    return {0x06, 0x07, 0x00, stage};
}

std::string MouseFirmware::stateJson() const {
    const auto& s = state_;
    QJsonObject o;
    o[QStringLiteral("encrypted")] = encrypted_;
    o[QStringLiteral("report_rate")] = s.reportRate;
    o[QStringLiteral("profile")] = s.profile;
    o[QStringLiteral("function_option")] = QJsonObject{
        {QStringLiteral("type"), s.functionOption[0]},
        {QStringLiteral("rate"), s.functionOption[1]},
        {QStringLiteral("option1"), s.functionOption[2]},
        {QStringLiteral("option2"), s.functionOption[3]},
    };
    QJsonObject instruct;
    for (const auto& [type, options] : s.ledInstruct)
        instruct[QString::number(type)] = intArray(options);
    o[QStringLiteral("led_instruct")] = instruct;
    o[QStringLiteral("dpi_stage")] = s.dpiStage;
    o[QStringLiteral("led_effect")] = QJsonObject{
        {QStringLiteral("effect"), s.ledEffect[0]},
        {QStringLiteral("option1"), s.ledEffect[1]},
        {QStringLiteral("option2"), s.ledEffect[2]},
    };
    o[QStringLiteral("gun_data")] = intArray(s.gunData);
    o[QStringLiteral("xy_sensitivity")] = QJsonObject{
        {QStringLiteral("x"), s.xySensitivity[0]},
        {QStringLiteral("y"), s.xySensitivity[1]},
    };
    o[QStringLiteral("stage_colors")] = hexText(s.stageColors);
    o[QStringLiteral("stage_colors_packed")] = hexText(s.stageColorsPacked);
    o[QStringLiteral("dpi_max_stage")] = s.dpiMaxStage;
    o[QStringLiteral("dpi_codes")] = hexText(s.dpiCodes);
    o[QStringLiteral("button_table")] = hexText(s.buttonTable);
    o[QStringLiteral("gun_table")] = hexText(s.gunTable);
    QJsonArray macros;
    for (const auto& macro : s.macros)
        macros.append(hexText(macro));
    o[QStringLiteral("macros")] = macros;
    o[QStringLiteral("firmware_version")] = QJsonObject{
        {QStringLiteral("a1"), s.firmwareVersion[0]},
        {QStringLiteral("a2"), s.firmwareVersion[1]},
    };
    o[QStringLiteral("button_sensitivity")] = intArray(s.buttonSensitivity);
    o[QStringLiteral("led_type")] = QJsonObject{
        {QStringLiteral("option"), s.ledType[0]}, {QStringLiteral("effect"), s.ledType[1]},
        {QStringLiteral("speed"), s.ledType[2]},  {QStringLiteral("light"), s.ledType[3]},
        {QStringLiteral("color"), s.ledType[4]},  {QStringLiteral("direction"), s.ledType[5]},
    };
    o[QStringLiteral("keyboard_mode")] = s.keyboardMode;
    o[QStringLiteral("key_matrix")] = hexText(s.keyMatrix);
    o[QStringLiteral("key_on_off")] = hexText(s.keyOnOff);
    QJsonObject keyboardMacros;
    for (const auto& [id, macro] : s.keyboardMacros)
        keyboardMacros[QString::number(id)] = hexText(macro);
    o[QStringLiteral("keyboard_macros")] = keyboardMacros;
    QJsonObject pictures;
    for (const auto& [index, picture] : s.userPictures)
        pictures[QString::number(index)] = hexText(picture);
    o[QStringLiteral("user_pictures")] = pictures;
    QJsonObject colors;
    for (const auto& [index, rgb] : s.colors)
        colors[QString::number(index)] = intArray(rgb);
    o[QStringLiteral("colors")] = colors;
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

} // namespace vmouse
