// The commands of the mouse and of the keyboard family: frames, blocks, presets and how
// each transfer runs.
#include "device/hid_thread.h"

#include "device/device_log.h"

#include <QThread>

#include <cstring>
#include <memory>

namespace {

// "cmd Failed 0B": the setters name their code.
QString busyMessage(uchar code) {
    return QStringLiteral("cmd Failed ") +
           QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
}

constexpr uchar kPresetNone = 0;

// What a setter sets, for the worker to send only the newest of a run of the same setter
// (a slider dragged through twenty values): the state setters and the slot they write.
enum class Sets : std::uint32_t {
    ReportRate = 1,
    Gun,
    DpiStage,
    LedEffect,
    Sensitivity,
    DpiTable,
    KeyMatrixPart,
    MacroSlot,
};
constexpr std::uint32_t latest(Sets what, uchar slot = 0) {
    return static_cast<std::uint32_t>(what) << 8 | slot;
}

} // namespace

void Hid_Thread::set(uchar code, const Params& p, Run run, bool settle, const uchar* block,
                     int length, std::uint32_t replaces) {
    // The block travels with the job: the caller's buffer may be gone when it runs.
    auto data = std::make_shared<std::array<uchar, sizeof bulk_>>();
    if (block && length > 0)
        std::memcpy(data->data(), block, static_cast<size_t>(length));
    // The 8 ms after a transfer that ran "now" keeps the next command that far behind it;
    // the one after starting a background write only paced the caller, who no longer waits.
    const bool pause = run == Run::NowThenPause;
    const bool queued = worker_.post(
        [this, code, p, settle, data, length, pause] {
            frame(code, p[0], p[1], p[2], p[3], p[4], p[5]);
            std::memcpy(bulk_, data->data(), data->size());
            const bool ok = writeTransfer(length, settle);
            if (pause)
                link_.sleep(8);
            if (!ok) {
                qCDebug(lcDevice).noquote() << busyMessage(code);
                onOwnerThread([this, code] { emit sendFailed(code); });
            }
        },
        replaces);
    if (!queued)
        qCDebug(lcDevice).noquote() << busyMessage(code);
}

bool Hid_Thread::get(uchar code, const Params& p, const std::array<uchar, 8>& preset, uchar* block,
                     int length, bool* sent) {
    if (sent)
        *sent = false;
    bool ok = false;
    std::array<uchar, 9> answer{};
    const bool ran = worker_.call(
        [&] {
            frame(code, p[0], p[1], p[2], p[3], p[4], p[5]);
            std::memcpy(answerReport_ + 1, preset.data(), preset.size());
            if (block && length > 0)
                std::memcpy(bulk_, block, static_cast<size_t>(length));
            ok = readTransfer(length);
            std::memcpy(answer.data(), answerReport_, answer.size());
            if (block && length > 0)
                std::memcpy(block, bulk_, static_cast<size_t>(length));
        },
        waits_.queueMs);
    if (!ran) {
        qCDebug(lcDevice).noquote() << "cmd Failed";
        return false;
    }
    if (sent)
        *sent = true;
    lastAnswer_ = answer;
    return ok;
}

// ---------------------------------------------------------------- setters

bool Hid_Thread::hid_00H_GetSecrecyCode(uchar& byte1, uchar& byte2, uchar& byte3, uchar& byte4) {
    return secrecyEcho(byte1, byte2, byte3, byte4);
}

void Hid_Thread::hid_01H_SetReportRate(uchar rate) {
    set(0x01, {rate}, Run::Now, true, nullptr, 0, latest(Sets::ReportRate));
}

void Hid_Thread::hid_02H_SetCurrentProfile(uchar profile) {
    set(0x02, {profile}, Run::NowThenPause, false);
}

void Hid_Thread::hid_03H_SetKeyboardoption(uchar byte1, uchar byte2, uchar byte3, uchar byte4) {
    set(0x03, {byte1, byte2, byte3, byte4}, Run::NowThenPause, false);
}

void Hid_Thread::hid_03H_SetFunctionOption(uchar type, uchar rate, uchar option1, uchar option2) {
    set(0x03, {type, rate, option1, option2}, Run::BackgroundThenPause, true);
}

void Hid_Thread::hid_04H_SetGunData(uchar par0, uchar par1, uchar par2, uchar par3, uchar par4) {
    set(0x04, {par0, par1, par2, par3, par4}, Run::Now, true, nullptr, 0, latest(Sets::Gun));
}

void Hid_Thread::hid_07H_SetControlIndicatorLight(uchar effect, uchar frequenty) {
    set(0x07, {effect, frequenty}, Run::NowThenPause, false);
}

void Hid_Thread::hid_07H_SetLEDInstructFunction(uchar type, uchar option1, uchar option2,
                                                uchar option3) {
    set(0x07, {type, option1, option2, option3}, Run::Background, false);
}

void Hid_Thread::hid_08H_SetLEDType(uchar option, uchar effect, uchar speed, uchar light,
                                    uchar color, uchar direction) {
    set(0x08, {option, effect, speed, light, color, direction}, Run::Now, true);
}

void Hid_Thread::hid_09H_SetKeyboardMode(uchar mode) {
    set(0x09, {mode}, Run::Now, true);
}

void Hid_Thread::hid_0BH_SetCurrentDPIStage(uchar dpiStage) {
    set(0x0B, {dpiStage}, Run::Background, true, nullptr, 0, latest(Sets::DpiStage));
}

void Hid_Thread::hid_0DH_SetKeyMatrix(uchar* src512) {
    set(0x0D, {0, 0, 8}, Run::Now, true, src512, 512);
}

void Hid_Thread::hid_0DH_SetRGBLedEffect(uchar effect, uchar option1, uchar option2) {
    set(0x0D, {effect, option1, option2}, Run::Background, true, nullptr, 0,
        latest(Sets::LedEffect));
}

void Hid_Thread::hid_0EH_SetKeyOnOff(uchar* src21) {
    set(0x0E, {0, 0, 0x15}, Run::Now, true, src21, 21);
}

void Hid_Thread::hid_0EH_SetXYSensitive(uchar par0, uchar par1) {
    set(0x0E, {par0, par1}, Run::Now, true, nullptr, 0, latest(Sets::Sensitivity));
}

void Hid_Thread::hid_10H_SetLED8StageColor(uchar type, uchar* src24) {
    const uchar size = type == 2 ? 4 : 24;
    // Never merged: the pages send a colour block twice on purpose, since the mouse may
    // drop the first one right after another command.
    set(0x10, {type, size}, Run::Background, true, src24, size);
}

void Hid_Thread::hid_11H_SetMacroKey(uchar macroId, uchar* src192) {
    set(0x11, {0, macroId, 3}, Run::Now, true, src192, 192);
}

void Hid_Thread::hid_11H_SetDPISet(uchar dpiStage, uchar* src8) {
    set(0x11, {dpiStage, 8}, Run::Background, true, src8, 8, latest(Sets::DpiTable));
}

void Hid_Thread::hid_12H_SetUserPicture(uchar index, uchar option, uchar* src512) {
    set(0x12, {0, index, 8, option}, Run::Now, true, src512, 512);
}

void Hid_Thread::hid_12H_SetKeyMatrix(uchar* src64, uchar indexAddOne) {
    set(0x12, {indexAddOne, 0x40, 8}, Run::Background, true, src64, 64,
        latest(Sets::KeyMatrixPart, indexAddOne));
}

void Hid_Thread::hid_13H_SetRecoveryData() {
    set(0x13, {0xFF}, Run::NowThenPause, false);
}

void Hid_Thread::hid_13H_SetMacroKey(uchar macroId, uchar* src128) {
    set(0x13, {macroId, 0x80}, Run::Background, true, src128, 128,
        latest(Sets::MacroSlot, macroId));
}

void Hid_Thread::hid_14H_SetColor(uchar index, uchar rValue, uchar gValue, uchar bValue) {
    set(0x14, {0, index, rValue, gValue, bValue}, Run::NowThenPause, false);
}

// ---------------------------------------------------------------- getters

bool Hid_Thread::hid_80H_GetFWVersion(QString& version) {
    bool sent = false;
    const bool ok = get(0x80, {}, {0x80}, nullptr, 0, &sent);
    if (!sent)
        return false;
    version = ok ? QString::number(answer(1), 16) + QLatin1Char('.') +
                       QStringLiteral("%1").arg(answer(2), 2, 16, QLatin1Char('0')).toUpper()
                 : QStringLiteral("unknown");
    return ok;
}

bool Hid_Thread::hid_81H_GetReportRate(uchar& rate) {
    bool sent = false;
    const bool ok = get(0x81, {}, {0x81, rate}, nullptr, 0, &sent);
    if (sent)
        rate = answer(1);
    return ok;
}

bool Hid_Thread::hid_82H_GetCurrentProfile(uchar& profile) {
    bool sent = false;
    const bool ok = get(0x82, {}, {0x82, profile}, nullptr, 0, &sent);
    if (sent)
        profile = answer(1);
    return ok;
}

bool Hid_Thread::hid_83H_GetKeyboardoption(uchar& byte1, uchar& byte2, uchar& byte3, uchar& byte4) {
    bool sent = false;
    const bool ok = get(0x83, {}, {kPresetNone, byte1, byte2, byte3, byte4}, nullptr, 0, &sent);
    if (!sent)
        return false;
    byte1 = answer(1);
    byte2 = answer(2);
    byte3 = answer(3);
    byte4 = answer(4);
    return ok;
}

bool Hid_Thread::hid_83H_GetFunctionOption(uchar& type, uchar& option1, uchar& option2) {
    bool sent = false;
    const bool ok = get(0x83, {}, {0x83}, nullptr, 0, &sent);
    if (!sent)
        return false;
    type = answer(1);
    option1 = answer(3);
    option2 = answer(4);
    return ok;
}

bool Hid_Thread::hid_84H_GetButtonSensitivity(uchar& sens1, uchar& sens2, uchar& sens3,
                                              uchar& sens4) {
    bool sent = false;
    const bool ok = get(0x84, {}, {kPresetNone, sens1, sens2, sens3, sens4}, nullptr, 0, &sent);
    if (!sent)
        return false;
    sens1 = answer(1);
    sens2 = answer(2);
    sens3 = answer(3);
    sens4 = answer(4);
    return ok;
}

bool Hid_Thread::hid_87H_GetLEDInstructFunction(uchar type, uchar& option1, uchar& option2,
                                                uchar& option3) {
    if (!get(0x87, {type}, {0x87}))
        return false;
    option1 = answer(2);
    option2 = answer(3);
    option3 = answer(4);
    return true;
}

bool Hid_Thread::hid_88H_GetLEDType(uchar& effect, uchar& speed, uchar& light, uchar& color,
                                    uchar& direction) {
    bool sent = false;
    const bool ok =
        get(0x88, {}, {kPresetNone, kPresetNone, effect, speed, light, color, direction}, nullptr,
            0, &sent);
    if (!sent)
        return false;
    effect = answer(2);
    speed = answer(3);
    light = answer(4);
    color = answer(5);
    direction = answer(6);
    return ok;
}

bool Hid_Thread::hid_89H_GetKeyboardMode(uchar& mode) {
    bool sent = false;
    const bool ok = get(0x89, {}, {kPresetNone, mode}, nullptr, 0, &sent);
    if (sent)
        mode = answer(1);
    return ok;
}

bool Hid_Thread::hid_8BH_GetCurrentDPIStage(uchar& dpiStage) {
    bool sent = false;
    const bool ok = get(0x8B, {}, {0x8B}, nullptr, 0, &sent);
    if (sent)
        dpiStage = answer(1);
    return ok;
}

bool Hid_Thread::hid_8DH_GetKeyMatrix(uchar* src512) {
    // The size byte travels only in the answer preset, as with the other family queries.
    // A mouse that takes 0x8D for its lighting query sends no block: the bulk read's own
    // bound ends the transfer.
    return get(0x8D, {}, {0x8D, 0, 0, 8}, src512, 512);
}

bool Hid_Thread::hid_8DH_GetRGBLedEffect(uchar& effect, uchar& option1, uchar& option2) {
    bool sent = false;
    const bool ok = get(0x8D, {}, {0x8D}, nullptr, 0, &sent);
    if (!sent)
        return false;
    effect = answer(1);
    option1 = answer(2);
    option2 = answer(3);
    return ok;
}

bool Hid_Thread::hid_8EH_GetKeyOnOff(uchar* src21) {
    return get(0x8E, {}, {0x8E, 0, 0, 0x15}, src21, 21);
}

bool Hid_Thread::hid_90H_GetLED8StageColor(uchar type, uchar* src24) {
    return get(0x90, {type}, {0x90}, src24, type == 2 ? 4 : 24);
}

bool Hid_Thread::hid_91H_GetMacroKey(uchar macroId, uchar* src192) {
    return get(0x91, {0, macroId}, {0x91, 0, 0, 3}, src192, 192);
}

bool Hid_Thread::hid_91H_GetDPISet(uchar& dpiMAXStage, uchar* src8) {
    // The caller's block changes only when the whole transfer worked.
    uchar block[8];
    std::memcpy(block, src8, sizeof block);
    if (!get(0x91, {}, {0x91}, block, 8))
        return false;
    dpiMAXStage = answer(1);
    std::memcpy(src8, block, sizeof block);
    return true;
}

bool Hid_Thread::hid_92H_GetUserPicture(uchar index, uchar* src512) {
    return get(0x92, {0, index}, {0x92, 0, 0, 8}, src512, 512);
}

bool Hid_Thread::hid_92H_GetKeyMatrix(uchar* src64) {
    return get(0x92, {1}, {0x92}, src64, 64);
}

bool Hid_Thread::hid_93H_GetMacroKey(uchar macroId, uchar* src128) {
    return get(0x93, {macroId}, {0x93}, src128, 128);
}

bool Hid_Thread::hid_94H_GetColor(uchar index, uchar& rValue, uchar& gValue, uchar& bValue) {
    bool sent = false;
    const bool ok =
        get(0x94, {0, index}, {0x94, 0, index, rValue, gValue, bValue}, nullptr, 0, &sent);
    if (!sent)
        return false;
    rValue = answer(3);
    gValue = answer(4);
    bValue = answer(5);
    return ok;
}
