#include "facade/device_facade.h"

#include "macros/macro_encoder.h"
#include "macros/macro_image.h"
#include "model/dpi_table.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <array>
#include <utility>

namespace {

// A damaged giant file is not read whole to tell whether the mouse holds it.
constexpr qint64 kMaxDigestBytes = 1 << 20;

constexpr int kProfiles = 10;

// Entry i of the list, as the page gave it, to byte i of a zeroed block; entries past
// the block are ignored and missing ones stay 0.
template <std::size_t N> std::array<uchar, N> toBlock(const QVariantList& list) {
    std::array<uchar, N> block{};
    const qsizetype n = std::min<qsizetype>(list.size(), static_cast<qsizetype>(N));
    for (qsizetype i = 0; i < n; ++i)
        block[static_cast<std::size_t>(i)] = static_cast<uchar>(list.at(i).toInt());
    return block;
}

template <std::size_t N> QVariantList toList(const std::array<uchar, N>& block) {
    QVariantList out;
    out.reserve(static_cast<qsizetype>(N));
    for (uchar b : block)
        out << int(b);
    return out;
}

// A stored list with every entry as an unsigned number.
QVariantList unsignedList(const QVariant& stored) {
    QVariantList out;
    for (const QVariant& v : stored.toList())
        out << v.toUInt();
    return out;
}

// The balloons name the DPI each stage runs: a stored value between two the mouse takes
// runs as the next one up.
void refreshStageDpi(DpiNotices& notices, const QVariantList& values) {
    for (int i = 0; i < DpiNotices::kStages; ++i)
        notices.setStageDpi(i, i < values.size() ? quint32(model::runningDpi(values.at(i).toInt()))
                                                 : 0);
}

} // namespace

DeviceFacade::DeviceFacade(Hid_Thread& hid, AppConfig& config, ProfileStore& profiles,
                           MacroLibrary& macros, UserPrompts& prompts,
                           const QStringList& messageTexts, std::function<bool()> viewVisible,
                           const QString& programFolder, QObject* parent)
    : QObject(parent), hid_(hid), config_(config), profiles_(profiles), macros_(macros),
      prompts_(prompts), messageTexts_(messageTexts), viewVisible_(std::move(viewVisible)),
      programFolder_(programFolder), handover_(hid),
      sync_(hid, QFileInfo(profiles.filePath(0)).dir().filePath(QStringLiteral("mouse_state.ini")),
            [this] { return profileDigest(); }) {
    connect(&hid_, &Hid_Thread::sendFailed, this, &DeviceFacade::sendFailed);
    connect(&handover_, &DeviceHandover::handedOver, this, &DeviceFacade::startUpdater);
    handover_.claim();
}

QByteArray DeviceFacade::profileDigest() {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const int current = profiles_.currentIndex();
    hash.addData(QByteArray::number(current));
    profile().sync();
    QFile file(profiles_.filePath(current));
    if (file.open(QIODevice::ReadOnly))
        hash.addData(file.read(kMaxDigestBytes));
    const QDir macroDir(macros_.macroFolder());
    for (const QFileInfo& info : macroDir.entryInfoList(QDir::Files, QDir::Name)) {
        QFile macro(info.filePath());
        hash.addData(info.fileName().toUtf8());
        if (macro.open(QIODevice::ReadOnly))
            hash.addData(macro.read(kMaxDigestBytes));
    }
    return hash.result();
}

QString DeviceFacade::updaterPath() const {
#ifdef Q_OS_WIN
    return programFolder_ + QStringLiteral("/update/update.exe");
#else
    return programFolder_ + QStringLiteral("/update/update");
#endif
}

bool DeviceFacade::reportRateKept() const {
    return hid_.currentDeviceIndex() <= 1;
}

// ---------------------------------------------------------------- mouse setters

void DeviceFacade::ui_01H_SetReportRate(uchar rate) {
    if (reportRateKept())
        profile().setValue("sensor/reportRate_Q7", rate);
    hid_.hid_01H_SetReportRate(rate);
}

void DeviceFacade::ui_02H_SetCurrentProfile(int profile) {
    // Only the ten profile files exist; another number must not come back at the next start.
    if (profile < 0 || profile >= kProfiles || profile == profiles_.currentIndex())
        return;
    profiles_.setCurrentIndex(profile);
    config_.settings()->setValue("Q7/profileNo", profile);
}

void DeviceFacade::ui_04H_SetGunData(uchar par0, uchar par1, uchar par2, uchar par3, uchar par4) {
    hid_.hid_04H_SetGunData(par0, par1, par2, par3, par4);
}

void DeviceFacade::ui_0BH_SetCurrentDPIStage(uchar dpiStage) {
    profile().setValue("sensor/stage_Q7", dpiStage);
    hid_.hid_0BH_SetCurrentDPIStage(dpiStage);
}

void DeviceFacade::ui_0DH_SetRGBLedEffect(uchar effect, uchar option1, uchar option2,
                                          QVariantList configs) {
    profile().setValue("color_Q7/ledEffect", configs);
    hid_.hid_0DH_SetRGBLedEffect(effect, option1, option2);
}

void DeviceFacade::ui_0EH_SetXYSensitive(QVariant par0, QVariant par1) {
    hid_.hid_0EH_SetXYSensitive(static_cast<uchar>(par0.toUInt()),
                                static_cast<uchar>(par1.toUInt()));
}

void DeviceFacade::ui_10H_SetLED8StageColor(uchar type, QVariantList src24) {
    profile().setValue("color_Q7/type" + QString::number(type), src24);
    auto block = toBlock<24>(src24);
    if (type == 2) {
        // Two 4-bit values a byte: the packed form the mouse keeps for type 2.
        for (std::size_t k = 0; k < 4; ++k)
            block[k] = static_cast<uchar>((src24.value(int(2 * k)).toInt() & 0x0F) |
                                          (src24.value(int(2 * k + 1)).toInt() << 4));
    }
    hid_.hid_10H_SetLED8StageColor(type, block.data());
}

void DeviceFacade::ui_11H_SetDPISet(uchar dpiStage, QVariantList src8, QVariantList valueForIndex) {
    profile().setValue("sensor/dpi_Q7", valueForIndex);
    refreshStageDpi(hid_.dpiNotices(), valueForIndex);
    auto block = toBlock<8>(src8);
    hid_.hid_11H_SetDPISet(dpiStage, block.data());
}

void DeviceFacade::ui_11H_SetDPISelect(QVariantList valueForIndex) {
    profile().setValue("sensor/dpi_Select", valueForIndex);
}

void DeviceFacade::ui_12H_SetKeyMatrix(QVariantList src64) {
    auto block = toBlock<64>(src64);
    QSettings& profile = this->profile();
    for (int i = 0; i < 16; ++i) {
        QVariantList entry;
        for (int j = 0; j < 4; ++j)
            entry << int(block[static_cast<std::size_t>(4 * i + j)]);
        profile.setValue("keydefine_Q7/" + QString::number(i), entry);
    }
    hid_.hid_12H_SetKeyMatrix(block.data(), 1);
}

void DeviceFacade::ui_12H_SetGunKeyMatrix(QVariantList src64) {
    auto block = toBlock<64>(src64);
    hid_.hid_12H_SetKeyMatrix(block.data(), 3);
}

void DeviceFacade::ui_13H_SetRecoveryData() {
    hid_.hid_13H_SetRecoveryData();
}

QByteArray DeviceFacade::macroBlock(const QString& name, int size, const QString& title,
                                    const QString& text) {
    QList<uchar> image = MacroEncoder::encode(macros_.loadMacroIni(name),
                                              static_cast<int>(hid_.currentDeviceIndex()));
    if (image.size() > size) {
        prompts_.warning(title, text);
        // Cut at a record boundary with a fresh end mark, never in the middle of one.
        image = fitMacroImage(image, size);
    }
    QByteArray block(size, '\0');
    for (int i = 0; i < std::min<int>(int(image.size()), size); ++i)
        block[i] = static_cast<char>(image.at(i));
    return block;
}

QVariant DeviceFacade::sendMacroData(const QVariantList& macroData, const QVariant& macroIndex) {
    constexpr int kDeviceMacroSlots = 12;
    const int slot = macroIndex.toInt() & 0xFF;
    if (slot < kDeviceMacroSlots) {
        QByteArray block =
            macroTransferBlock(imageFromVariantList(macroData), kMouseMacroBufferSize);
        hid_.hid_13H_SetMacroKey(static_cast<uchar>(slot + 1),
                                 reinterpret_cast<uchar*>(block.data()));
    }
    return true;
}

void DeviceFacade::ui_13H_SetMacroKey(QVariant macroId, QVariant name) {
    QByteArray block =
        macroBlock(name.toString(), 128, tr("MACRO"),
                   tr("Out of memory,") + "\n" + tr("some command line has been cut."));
    const quint16 repeat = macros_.loadMacroRepeat(name.toString());
    block[0] = static_cast<char>(repeat >> 8);
    block[1] = static_cast<char>(repeat & 0xFF);
    hid_.hid_13H_SetMacroKey(static_cast<uchar>(macroId.toInt()),
                             reinterpret_cast<uchar*>(block.data()));
}

// ---------------------------------------------------------------- readers

QString DeviceFacade::ui_80H_GetFWVersion() {
    QString version;
    hid_.hid_80H_GetFWVersion(version);
    return version;
}

QVariant DeviceFacade::ui_81H_GetReportRate() {
    if (!reportRateKept())
        return QVariant();
    return int(static_cast<uchar>(profile().value("sensor/reportRate_Q7", 0).toUInt()));
}

QVariant DeviceFacade::ui_82H_GetCurrentProfile() {
    uchar profile = 0;
    hid_.hid_82H_GetCurrentProfile(profile);
    return int(profile);
}

QVariant DeviceFacade::ui_8BH_GetCurrentDPIStage() {
    if (!viewVisible_ || !viewVisible_())
        return 0;
    uchar stage = 0;
    hid_.hid_8BH_GetCurrentDPIStage(stage);
    return int(stage);
}

QVariantList DeviceFacade::ui_8DH_GetRGBLedEffect() {
    return unsignedList(profile().value("color_Q7/ledEffect"));
}

QVariantList DeviceFacade::ui_90H_GetLED8StageColor(uchar type) {
    return unsignedList(profile().value("color_Q7/type" + QString::number(type)));
}

QVariantList DeviceFacade::ui_91H_GetDPISet() {
    const QVariantList values = profile().value("sensor/dpi_Q7").toList();
    refreshStageDpi(hid_.dpiNotices(), values);
    return values;
}

QVariantList DeviceFacade::ui_91H_GetDPISelect() {
    return profile().value("sensor/dpi_Select").toList();
}

uchar DeviceFacade::ui_91H_SyncDPI() {
    uchar maxStage = 0;
    std::array<uchar, 8> codes{};
    return hid_.hid_91H_GetDPISet(maxStage, codes.data()) ? maxStage : 8;
}

QVariantList DeviceFacade::ui_92H_GetKeyMatrix() {
    std::array<uchar, 64> block{};
    hid_.hid_92H_GetKeyMatrix(block.data());
    return toList(block);
}

QVariantList DeviceFacade::ui_93H_GetMacroKey(uchar macroId) {
    std::array<uchar, 128> block{};
    hid_.hid_93H_GetMacroKey(macroId, block.data());
    return toList(block);
}

QVariant DeviceFacade::getSensorType() {
    uchar type = 0, option1 = 0, option2 = 0;
    hid_.hid_83H_GetFunctionOption(type, option1, option2);
    return int(type);
}

bool DeviceFacade::chkIsLogoLedWork() {
    uchar option1 = 0xFF, option2 = 0, option3 = 0;
    return hid_.hid_87H_GetLEDInstructFunction(0, option1, option2, option3) && option1 == 0;
}

bool DeviceFacade::getMsgAns_FoolProofing() {
    return prompts_.confirm(QStringLiteral("%1").arg(messageTexts_.value(4)),
                            QStringLiteral("%1").arg(messageTexts_.value(5)));
}

void DeviceFacade::openUpdateExe() {
    const QString title = QStringLiteral("Update");
    if (handover_.away()) {
        prompts_.warning(title, QStringLiteral("The updater has the mouse. Close it first."));
        return;
    }
    // What is queued reaches the mouse before the updater's first command, never between;
    // the updater starts when the hand-over says so (startUpdater).
    handover_.handOver();
}

void DeviceFacade::startUpdater(bool handedOver) {
    const QString title = QStringLiteral("Update");
    if (!handedOver) {
        prompts_.warning(title, QStringLiteral("The mouse is still taking the last settings; the "
                                               "updater was not started. Try again in a moment."));
        return;
    }
    // Detached: quitting the configurator must never kill an updater in the middle of
    // writing the mouse's flash.
    qint64 pid = 0;
    if (!QProcess::startDetached(updaterPath(), QStringList(), QString(), &pid)) {
        prompts_.warning(title, QStringLiteral("The updater %1 could not be started.")
                                    .arg(QDir::toNativeSeparators(updaterPath())));
        pid = 0;
    }
    handover_.watch(pid);
}

void DeviceFacade::clearHidBusy() {
    hid_.clearHidBusy();
}

// ---------------------------------------------------------------- keyboard family

void DeviceFacade::ui_03H_SetKeyboardoption(uchar byte1, uchar byte2, uchar byte3, uchar byte4) {
    hid_.hid_03H_SetKeyboardoption(byte1, byte2, byte3, byte4);
}

void DeviceFacade::ui_07H_SetControlIndicatorLight(uchar effect, uchar frequenty) {
    hid_.hid_07H_SetControlIndicatorLight(effect, frequenty);
}

void DeviceFacade::ui_08H_SetLEDType(uchar option, uchar effect, uchar speed, uchar light,
                                     uchar color, uchar direction) {
    profile().setValue("color/ledType", QVariantList{int(effect), int(speed), int(light),
                                                     int(color), int(direction)});
    hid_.hid_08H_SetLEDType(option, effect, speed, light, color, direction);
}

void DeviceFacade::ui_09H_SetKeyboardMode(uchar mode) {
    hid_.hid_09H_SetKeyboardMode(mode);
}

void DeviceFacade::ui_0DH_SetKeyMatrix(QVariantList src512) {
    auto block = toBlock<512>(src512);
    QSettings& profile = this->profile();
    for (int i = 0; i < 126; ++i) {
        QVariantList entry;
        for (int j = 0; j < 4; ++j)
            entry << int(block[static_cast<std::size_t>(4 * i + j)]);
        profile.setValue("keydefine/" + QString::number(i), entry);
    }
    hid_.hid_0DH_SetKeyMatrix(block.data());
}

void DeviceFacade::ui_0EH_SetKeyOnOff(QVariantList src21) {
    auto block = toBlock<21>(src21);
    hid_.hid_0EH_SetKeyOnOff(block.data());
}

void DeviceFacade::ui_11H_SetMacroKey(QVariant macroId, QVariant name) {
    QByteArray block =
        macroBlock(name.toString(), 192, QStringLiteral("%1").arg(messageTexts_.value(0)),
                   QStringLiteral("%1").arg(messageTexts_.value(1)));
    hid_.hid_11H_SetMacroKey(static_cast<uchar>(macroId.toInt()),
                             reinterpret_cast<uchar*>(block.data()));
}

void DeviceFacade::ui_12H_SetUserPicture(uchar index, uchar option, QVariantList src512) {
    profile().setValue("userPicture/" + QString::number(index), src512);
    if (option == 255)
        return;
    auto block = toBlock<512>(src512);
    hid_.hid_12H_SetUserPicture(index, option, block.data());
}

void DeviceFacade::ui_14H_SetColor(uchar index, uchar rValue, uchar gValue, uchar bValue) {
    profile().setValue("color/" + QString::number(index),
                       QVariantList{int(rValue), int(gValue), int(bValue)});
    hid_.hid_14H_SetColor(index, rValue, gValue, bValue);
}

QVariantList DeviceFacade::ui_83H_GetKeyboardoption() {
    uchar b1 = 0, b2 = 0, b3 = 0, b4 = 0;
    hid_.hid_83H_GetKeyboardoption(b1, b2, b3, b4);
    return {int(b1), int(b2), int(b3), int(b4)};
}

QVariantList DeviceFacade::ui_84H_GetButtonSensitivity() {
    uchar s1 = 0, s2 = 0, s3 = 0, s4 = 0;
    hid_.hid_84H_GetButtonSensitivity(s1, s2, s3, s4);
    return {int(s1), int(s2), int(s3), int(s4)};
}

QVariantList DeviceFacade::ui_88H_GetLEDType() {
    return profile().value("color/ledType").toList();
}

QVariant DeviceFacade::ui_89H_GetKeyboardMode() {
    uchar mode = 0;
    hid_.hid_89H_GetKeyboardMode(mode);
    return int(mode);
}

QVariantList DeviceFacade::ui_8DH_GetKeyMatrix() {
    std::array<uchar, 512> block{};
    hid_.hid_8DH_GetKeyMatrix(block.data());
    return toList(block);
}

QVariantList DeviceFacade::ui_8EH_GetKeyOnOff() {
    std::array<uchar, 21> block{};
    hid_.hid_8EH_GetKeyOnOff(block.data());
    return toList(block);
}

QVariantList DeviceFacade::ui_91H_GetMacroKey(uchar macroId) {
    std::array<uchar, 192> block{};
    hid_.hid_91H_GetMacroKey(macroId, block.data());
    return toList(block);
}

QVariantList DeviceFacade::ui_92H_GetUserPicture(uchar index) {
    return profile().value("userPicture/" + QString::number(index)).toList();
}

QVariantList DeviceFacade::ui_94H_GetColor(uchar index) {
    return profile().value("color/" + QString::number(index)).toList();
}

// ---------------------------------------------------------------- scroll swap

void DeviceFacade::setScrollPinSwap(bool isSwap) {
    profile().setValue("keydefine_Q7/scrollswap", isSwap);
    uchar type = 0, option1 = 0, option2 = 0, rate = 0;
    // Writing back options that were never read would reset the mouse's sensor and rate.
    if (!hid_.hid_83H_GetFunctionOption(type, option1, option2) ||
        !hid_.hid_81H_GetReportRate(rate)) {
        qDebug().noquote() << "setScrollPinSwap Failed";
        emit sendFailed(0x03);
        return;
    }
    option1 = static_cast<uchar>(isSwap ? (option1 | 0x40) : (option1 & ~0x40));
    hid_.hid_03H_SetFunctionOption(type, rate, option1, option2);
}
