// The view host: the Qt Quick widget that shows the pages and the one facade whose slots
// the pages call. Each slot forwards to the plain class that owns the behaviour.
#pragma once

#include "app/desktop_prompts.h"
#include "facade/device_facade.h"
#include "macros/macro_library.h"
#include "store/app_config.h"
#include "store/language_store.h"
#include "store/name_list_store.h"
#include "store/profile_store.h"
#include "store/system_mouse_settings.h"

#include <QQuickWidget>

class Hid_Thread;
class Ui_Controler;

// What the view host forwards the pages' slots to; built by the composition root, which
// outlives the view.
struct ViewParts {
    Hid_Thread& link;
    AppConfig& config;
    ProfileStore& profiles;
    NameListStore& names;
    LanguageStore& languages;
    MacroLibrary& macros;
    SystemMouseSettings& mouseSettings;
    DeviceFacade& device;
};

class myQQuickView : public QQuickWidget {
    Q_OBJECT
    // Only keys typed into the window reach the pages (a Wayland session): the macro
    // editor says so.
    Q_PROPERTY(bool keysFromWindowOnly READ keysFromWindowOnly WRITE setKeysFromWindowOnly NOTIFY
                   keysFromWindowOnlyChanged)
  public:
    // No `engine`: the view makes its own, as QQuickWidget does. A given engine is
    // borrowed (the context properties below go on its root context) and must outlive
    // the view.
    myQQuickView(QWidget* parent, const ViewParts& parts, QQmlEngine* engine = nullptr);
    ~myQQuickView() override;

    // The context properties the pages see: "ui_View", "hid", "ui_Ctl". Set before the
    // source is loaded (so loading code finds them) and again after.
    void publish(Ui_Controler* controller);

    // "common/language" Portuguese → "common/name0", anything else → "common/name1".
    QString windowTitleFromConfig() const;

    QSettings& appConfig() { return *config_.settings(); }
    AppConfig& appConfigStore() { return config_; }
    ProfileStore& profiles() { return profiles_; }

    // The address the help menu opens (not one of the design's slots, so kept apart).
    Q_INVOKABLE QString helpAddress();

    // The bridges from the keystroke capture to the pages, always queued.
    void detectKeyboard(bool pressed, uchar code);
    void detectMouse(bool pressed, uchar code, int x, int y);

    bool keysFromWindowOnly() const { return keysFromWindowOnly_; }
    void setKeysFromWindowOnly(bool only);

  signals:
    void keysFromWindowOnlyChanged();
    // Whether the desktop took a pointer setting (`setting`: SystemMouse::Setting's order),
    // once that is known.
    void desktopSettingTaken(int setting, bool taken);
    // A setting did not reach the mouse; `code` is the command's code. The profile keeps
    // the user's choice, so the pages may say so and offer to send it again.
    void sendFailed(int code);
    // The mouse holds the profile again (after a resend that ran without a failure).
    void mouseInStep();

  public slots:
    // Shell.
    void syncFW();
    void initUI();
    void runUI();
    // The page sends the whole profile: every panel and the macros its buttons play.
    void sendWholeProfile();
    void setEnableAudio(bool isEnable);
    void playMedia_Index(uchar index);
    void playMedia_Background();
    void clearAllMedia();

    // Application configuration.
    void saveApConfig(QVariantList apConfigs);
    QVariant getLang();
    QVariantList loadApConfig();
    QVariantList loadDeviceApConfig();
    QVariant getProfile();
    void setProfile(QVariant profileNo);
    void resetApconfig();
    bool getIsSkinShow();

    void clearHidBusy();

    // Profiles.
    QVariantList loadDefaultProfile(uchar uiPageId);
    bool loadProfile(int profile);
    void saveProfile(int profile);
    void resetProfile(int profile);
    void copyProfile(int destprofile, int srcprofile);
    QVariantList getKeydefine(QVariant matrixId);
    void setMacroKey(int index, QVariant macroName);
    QVariant getMacroKey(int index);

    // Macro library.
    QVariant loadMacroIniFromFile(QVariant name);
    void saveMacroIniToFile(QVariant name);
    void renameMacroIniFile(QVariant oldName, QVariant newName);
    QVariant createMacroIni(QVariant name, QVariant macroIndex);
    QVariant modifyMacroName(QVariant oldname, QVariant newname);
    QStringList isMacroUse(QVariant macroName);
    QVariant deleteMacroIni(QVariant name);
    QVariant saveMacroIni(QVariant name, QStringList macros, QVariantList macroData,
                          QVariant repeat);
    QVariant sendMacroData(QVariantList macroData, QVariant macroIndex);
    QStringList loadMacroIni(QVariant name);
    QVariant loadMacroType(QVariant name);
    QVariant loadMacroIndex(QVariant name);
    QVariantList loadMacroIniConfig(QVariant name);
    void setMacroIniConfig(QVariant name, QVariantList config);
    void setMacroIndex(QVariant name, QVariant macroIndex);
    void setMacroType(QVariant name, QVariant macroType);
    void changeMacroFileIndex(QVariant macroIndex);
    void changeMacroFileType(QVariant macroIndex, QVariant macroType);

    // Macro encoding.
    QList<uchar> macroIncode(QStringList macros);

    // Language strings.
    QVariantMap chkLanguages();
    QStringList getGlobalStrings(QVariant type, QString langCode);
    QStringList getProductLayoutStrings_Q7(QString langCode);

    // Name lists and gun data.
    QVariant updataNameList(QVariant type, QStringList nameList);
    QVariantList getNameList(QVariant type);
    void saveGundata(QVariantList src6);
    void modifyGundata(QVariant modifyType, QVariantList src6);
    QVariantList getGunData(QVariant name);
    QStringList getGunDataKey();
    QVariant getXYSensitive(QVariant index);
    QVariant getselectGun(QVariant index);
    void setXYSensitive(QVariant index, QVariant xyData);
    void setSelectGun(QVariant index, QVariant xyData);
    QString getCustomFilePath();

    // System mouse settings.
    void setScrollPinSwap(bool isSwap);
    void setAcceleration(bool acceleration);
    void setCursorSpeed(uint cursorSpeed);
    void setVerticalScrollLines(uint lines);
    void setDoubleClickSpeed(uint speed);
    bool getScrollPinSwap();
    bool getAcceleration();
    uint getCursorSpeed();
    uint getVerticalScrollLines();
    uint getDoubleClickSpeed();

    // Device settings.
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
    void openUpdateExe();

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

  protected:
    void enterEvent(QEnterEvent* event) override;

  private:
    void callPage(const char* function, Qt::ConnectionType type, const QVariantList& args = {});

    Hid_Thread* hid_;
    bool audio_ = true;
    bool keysFromWindowOnly_ = false;
    AppConfig& config_;
    ProfileStore& profiles_;
    NameListStore& names_;
    LanguageStore& languages_;
    MacroLibrary& macros_;
    SystemMouseSettings& mouseSettings_;
    DeviceFacade& device_;
};
