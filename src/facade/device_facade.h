// The device-facing slots of the view host: page values in, command blocks and profile
// entries out, and the readers that answer from the profile or ask the mouse.
#pragma once

#include "device/device_handover.h"
#include "device/hid_thread.h"
#include "facade/mouse_sync.h"
#include "macros/macro_library.h"
#include "store/app_config.h"
#include "store/profile_store.h"
#include "store/user_prompts.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>

class DeviceFacade : public QObject {
    Q_OBJECT
  public:
    // `messageTexts`: the texts of the warning boxes that have no page text of their own
    // (0, 1 a macro cut short; 4, 5 the question before a reset). `viewVisible`: whether
    // the pages are on screen. `programFolder`: where the program lies, with the updater
    // in its update/ folder.
    DeviceFacade(Hid_Thread& hid, AppConfig& config, ProfileStore& profiles, MacroLibrary& macros,
                 UserPrompts& prompts, const QStringList& messageTexts,
                 std::function<bool()> viewVisible, const QString& programFolder,
                 QObject* parent = nullptr);

    // The updater, in update/ of the program's folder.
    QString updaterPath() const;

    // Who has the mouse: this program, or the updater it started.
    DeviceHandover& handover() { return handover_; }
    // Whether the mouse holds the current profile.
    MouseSync& sync() { return sync_; }
    // What the mouse should hold: the current profile's file and the macro files.
    QByteArray profileDigest();

  signals:
    // A setting did not reach the mouse (`code` is the command's code); the profile
    // still holds what the user chose.
    void sendFailed(int code);

  public slots:
    // Mouse and shared commands.
    void ui_01H_SetReportRate(uchar rate);
    void ui_02H_SetCurrentProfile(int profile);
    void ui_04H_SetGunData(uchar par0, uchar par1, uchar par2, uchar par3, uchar par4);
    void ui_0BH_SetCurrentDPIStage(uchar dpiStage);
    void ui_0DH_SetRGBLedEffect(uchar effect, uchar option1, uchar option2, QVariantList configs);
    void ui_0EH_SetXYSensitive(QVariant par0, QVariant par1);
    void ui_10H_SetLED8StageColor(uchar type, QVariantList src24);
    void ui_11H_SetDPISet(uchar dpiStage, QVariantList src8, QVariantList valueForIndex);
    void ui_11H_SetDPISelect(QVariantList valueForIndex);
    void ui_12H_SetKeyMatrix(QVariantList src64);
    void ui_12H_SetGunKeyMatrix(QVariantList src64);
    void ui_13H_SetRecoveryData();
    void ui_13H_SetMacroKey(QVariant macroId, QVariant name);
    // Sends an image the page built to device macro slot macroIndex + 1 (0..11; other
    // indices send nothing); always true.
    QVariant sendMacroData(const QVariantList& macroData, const QVariant& macroIndex);
    QString ui_80H_GetFWVersion();
    QVariant ui_81H_GetReportRate();
    QVariant ui_82H_GetCurrentProfile();
    QVariant ui_8BH_GetCurrentDPIStage();
    QVariantList ui_8DH_GetRGBLedEffect();
    QVariantList ui_90H_GetLED8StageColor(uchar type);
    QVariantList ui_91H_GetDPISet();
    QVariantList ui_91H_GetDPISelect();
    uchar ui_91H_SyncDPI();
    QVariantList ui_92H_GetKeyMatrix();
    QVariantList ui_93H_GetMacroKey(uchar macroId);
    QVariant getSensorType();
    bool chkIsLogoLedWork();
    bool getMsgAns_FoolProofing();
    // Hands the mouse over (DeviceHandover) and starts the updater once it is free.
    void openUpdateExe();
    void clearHidBusy();

    // Keyboard-family commands.
    void ui_03H_SetKeyboardoption(uchar byte1, uchar byte2, uchar byte3, uchar byte4);
    void ui_07H_SetControlIndicatorLight(uchar effect, uchar frequenty);
    void ui_08H_SetLEDType(uchar option, uchar effect, uchar speed, uchar light, uchar color,
                           uchar direction);
    void ui_09H_SetKeyboardMode(uchar mode);
    void ui_0DH_SetKeyMatrix(QVariantList src512);
    void ui_0EH_SetKeyOnOff(QVariantList src21);
    void ui_11H_SetMacroKey(QVariant macroId, QVariant name);
    void ui_12H_SetUserPicture(uchar index, uchar option, QVariantList src512);
    void ui_14H_SetColor(uchar index, uchar rValue, uchar gValue, uchar bValue);
    QVariantList ui_83H_GetKeyboardoption();
    QVariantList ui_84H_GetButtonSensitivity();
    QVariantList ui_88H_GetLEDType();
    QVariant ui_89H_GetKeyboardMode();
    QVariantList ui_8DH_GetKeyMatrix();
    QVariantList ui_8EH_GetKeyOnOff();
    QVariantList ui_91H_GetMacroKey(uchar macroId);
    QVariantList ui_92H_GetUserPicture(uchar index);
    QVariantList ui_94H_GetColor(uchar index);

    // The scroll-direction swap: stored in the profile, then read-modify-write of the
    // mouse's function options.
    void setScrollPinSwap(bool isSwap);

  private:
    void startUpdater(bool handedOver);

    bool reportRateKept() const;
    // The current profile's settings (the store keeps the object; it changes on a switch).
    QSettings& profile() { return *profiles_.current(); }
    // A macro image fitted into a device slot of `size` bytes, the repeat count in front;
    // warns with (title, text) when it had to be cut.
    QByteArray macroBlock(const QString& name, int size, const QString& title, const QString& text);

    Hid_Thread& hid_;
    AppConfig& config_;
    ProfileStore& profiles_;
    MacroLibrary& macros_;
    UserPrompts& prompts_;
    QStringList messageTexts_;
    std::function<bool()> viewVisible_;
    QString programFolder_;
    DeviceHandover handover_;
    MouseSync sync_;
};
