#include "app/my_quick_view.h"

#include "app/help_address.h"
#include "app/ui_controler.h"
#include "device/hid_thread.h"
#include "macros/macro_encoder.h"
#include "model/macro_images.h"

#include <QDir>
#include <QFileInfo>
#include <QJSValue>
#include <QQmlContext>
#include <QQuickItem>

#include <utility>

namespace {

// A JS array or object passed to a QVariant parameter arrives as a QJSValue.
QVariant plain(const QVariant& v) {
    return v.canConvert<QJSValue>() && v.userType() == qMetaTypeId<QJSValue>()
               ? v.value<QJSValue>().toVariant()
               : v;
}

} // namespace

myQQuickView::myQQuickView(QWidget* parent, const ViewParts& parts, QQmlEngine* engine)
    : QQuickWidget(engine, parent), hid_(&parts.link), config_(parts.config),
      profiles_(parts.profiles), names_(parts.names), languages_(parts.languages),
      macros_(parts.macros), mouseSettings_(parts.mouseSettings), device_(parts.device) {
    // Before any page loads: the pages import the model's types.
    model::registerQmlTypes();
    setResizeMode(QQuickWidget::SizeViewToRootObject);
    setClearColor(Qt::transparent);
    setAttribute(Qt::WA_AlwaysStackOnTop);
    mouseSettings_.setOutcomeHandler([this](SystemMouse::Setting setting, bool taken) {
        emit desktopSettingTaken(static_cast<int>(setting), taken);
    });
    connect(&device_, &DeviceFacade::sendFailed, this, &myQQuickView::sendFailed);
    connect(&device_.sync(), &MouseSync::inStep, this, &myQQuickView::mouseInStep);
}

myQQuickView::~myQQuickView() {
    mouseSettings_.setOutcomeHandler({});
}

void myQQuickView::publish(Ui_Controler* controller) {
    QQmlContext* context = rootContext();
    context->setContextProperty(QStringLiteral("ui_View"), this);
    context->setContextProperty(QStringLiteral("hid"), hid_);
    context->setContextProperty(QStringLiteral("ui_Ctl"), controller);
}

QString myQQuickView::windowTitleFromConfig() const {
    return AppConfig::windowTitle();
}

QString myQQuickView::helpAddress() {
    QSettings& config = appConfig();
    // apConfig.bin lives in modules/setting/.
    QDir modules = QFileInfo(config.fileName()).absoluteDir();
    modules.cdUp();
    return helpaddress::resolve(config.value(QLatin1String(helpaddress::kConfigKey)).toString(),
                                modules.absolutePath());
}

void myQQuickView::callPage(const char* function, Qt::ConnectionType type,
                            const QVariantList& args) {
    QQuickItem* root = rootObject();
    if (!root)
        return;
    switch (args.size()) {
    case 0:
        QMetaObject::invokeMethod(root, function, type);
        break;
    case 1:
        QMetaObject::invokeMethod(root, function, type, Q_ARG(QVariant, args[0]));
        break;
    case 2:
        QMetaObject::invokeMethod(root, function, type, Q_ARG(QVariant, args[0]),
                                  Q_ARG(QVariant, args[1]));
        break;
    case 4:
        QMetaObject::invokeMethod(root, function, type, Q_ARG(QVariant, args[0]),
                                  Q_ARG(QVariant, args[1]), Q_ARG(QVariant, args[2]),
                                  Q_ARG(QVariant, args[3]));
        break;
    default:
        break;
    }
}

void myQQuickView::detectKeyboard(bool pressed, uchar code) {
    // Queued: the page handles the key after the capture has returned.
    callPage("detectKeyboard", Qt::QueuedConnection, {pressed, int(code)});
}

void myQQuickView::detectMouse(bool pressed, uchar code, int x, int y) {
    callPage("detectMouse", Qt::QueuedConnection,
             {pressed, int(code), static_cast<uint>(x), static_cast<uint>(y)});
}

void myQQuickView::setKeysFromWindowOnly(bool only) {
    if (std::exchange(keysFromWindowOnly_, only) != only)
        emit keysFromWindowOnlyChanged();
}

void myQQuickView::enterEvent(QEnterEvent* event) {
    repaint();
    event->accept();
}

// ---------------------------------------------------------------- shell

void myQQuickView::syncFW() {}
void myQQuickView::initUI() {
    callPage("initUI", Qt::QueuedConnection);
}
void myQQuickView::runUI() {
    callPage("run", Qt::QueuedConnection);
}
void myQQuickView::sendWholeProfile() {
    callPage("sendWholeProfile", Qt::QueuedConnection);
}
void myQQuickView::setEnableAudio(bool isEnable) {
    audio_ = isEnable;
}
void myQQuickView::playMedia_Index(uchar) {}
void myQQuickView::playMedia_Background() {}
void myQQuickView::clearAllMedia() {}
void myQQuickView::clearHidBusy() {
    device_.clearHidBusy();
}

// ---------------------------------------------------------------- application configuration

void myQQuickView::saveApConfig(QVariantList apConfigs) {
    config_.saveApConfig(apConfigs);
}
QVariant myQQuickView::getLang() {
    return config_.getLang();
}
QVariantList myQQuickView::loadApConfig() {
    return config_.loadApConfig();
}
QVariantList myQQuickView::loadDeviceApConfig() {
    return config_.loadDeviceApConfig();
}
QVariant myQQuickView::getProfile() {
    return config_.getProfile();
}
void myQQuickView::setProfile(QVariant profileNo) {
    config_.setProfile(plain(profileNo));
}
void myQQuickView::resetApconfig() {
    config_.resetApconfig();
}
bool myQQuickView::getIsSkinShow() {
    return config_.getIsSkinShow();
}

// ---------------------------------------------------------------- profiles

QVariantList myQQuickView::loadDefaultProfile(uchar uiPageId) {
    return profiles_.loadDefaultProfile(uiPageId);
}
bool myQQuickView::loadProfile(int profile) {
    return profiles_.loadProfile(profile);
}
void myQQuickView::saveProfile(int profile) {
    profiles_.saveProfile(profile);
}
void myQQuickView::resetProfile(int profile) {
    profiles_.resetProfile(profile);
}
void myQQuickView::copyProfile(int destprofile, int srcprofile) {
    profiles_.copyProfile(destprofile, srcprofile);
}
QVariantList myQQuickView::getKeydefine(QVariant matrixId) {
    return profiles_.getKeydefine(plain(matrixId));
}
void myQQuickView::setMacroKey(int index, QVariant macroName) {
    profiles_.setMacroKey(index, plain(macroName));
}
QVariant myQQuickView::getMacroKey(int index) {
    return profiles_.getMacroKey(index);
}

// ---------------------------------------------------------------- macro library

QVariant myQQuickView::loadMacroIniFromFile(QVariant name) {
    return macros_.loadMacroIniFromFile(plain(name));
}
void myQQuickView::saveMacroIniToFile(QVariant name) {
    macros_.saveMacroIniToFile(plain(name));
}
void myQQuickView::renameMacroIniFile(QVariant oldName, QVariant newName) {
    macros_.renameMacroIniFile(plain(oldName), plain(newName));
}
QVariant myQQuickView::createMacroIni(QVariant name, QVariant macroIndex) {
    return macros_.createMacroIni(plain(name), plain(macroIndex));
}
QVariant myQQuickView::modifyMacroName(QVariant oldname, QVariant newname) {
    return macros_.modifyMacroName(plain(oldname), plain(newname));
}
QStringList myQQuickView::isMacroUse(QVariant macroName) {
    return macros_.isMacroUse(plain(macroName));
}
QVariant myQQuickView::deleteMacroIni(QVariant name) {
    return macros_.deleteMacroIni(plain(name));
}
QVariant myQQuickView::saveMacroIni(QVariant name, QStringList macros, QVariantList macroData,
                                    QVariant repeat) {
    return macros_.saveMacroIni(plain(name), macros, macroData, plain(repeat));
}
QVariant myQQuickView::sendMacroData(QVariantList macroData, QVariant macroIndex) {
    return device_.sendMacroData(macroData, plain(macroIndex));
}
QStringList myQQuickView::loadMacroIni(QVariant name) {
    return macros_.loadMacroIni(plain(name));
}
QVariant myQQuickView::loadMacroType(QVariant name) {
    return macros_.loadMacroType(plain(name));
}
QVariant myQQuickView::loadMacroIndex(QVariant name) {
    return macros_.loadMacroIndex(plain(name));
}
QVariantList myQQuickView::loadMacroIniConfig(QVariant name) {
    return macros_.loadMacroIniConfig(plain(name));
}
void myQQuickView::setMacroIniConfig(QVariant name, QVariantList config) {
    macros_.setMacroIniConfig(plain(name), config);
}
void myQQuickView::setMacroIndex(QVariant name, QVariant macroIndex) {
    macros_.setMacroIndex(plain(name), plain(macroIndex));
}
void myQQuickView::setMacroType(QVariant name, QVariant macroType) {
    macros_.setMacroType(plain(name), plain(macroType));
}
void myQQuickView::changeMacroFileIndex(QVariant macroIndex) {
    macros_.changeMacroFileIndex(plain(macroIndex));
}
void myQQuickView::changeMacroFileType(QVariant macroIndex, QVariant macroType) {
    macros_.changeMacroFileType(plain(macroIndex), plain(macroType));
}

QList<uchar> myQQuickView::macroIncode(QStringList macros) {
    return MacroEncoder::encode(macros, static_cast<int>(hid_->currentDeviceIndex()));
}

// ---------------------------------------------------------------- languages

QVariantMap myQQuickView::chkLanguages() {
    return languages_.chkLanguages();
}
QStringList myQQuickView::getGlobalStrings(QVariant type, QString langCode) {
    return languages_.getGlobalStrings(plain(type), langCode);
}
QStringList myQQuickView::getProductLayoutStrings_Q7(QString langCode) {
    return languages_.getProductLayoutStrings_Q7(langCode);
}

// ---------------------------------------------------------------- name lists and gun data

QVariant myQQuickView::updataNameList(QVariant type, QStringList nameList) {
    return names_.updataNameList(plain(type), nameList);
}
QVariantList myQQuickView::getNameList(QVariant type) {
    return names_.getNameList(plain(type));
}
void myQQuickView::saveGundata(QVariantList src6) {
    names_.saveGundata(src6);
}
void myQQuickView::modifyGundata(QVariant modifyType, QVariantList src6) {
    names_.modifyGundata(plain(modifyType), src6);
}
QVariantList myQQuickView::getGunData(QVariant name) {
    return names_.getGunData(plain(name));
}
QStringList myQQuickView::getGunDataKey() {
    return names_.getGunDataKey();
}
QVariant myQQuickView::getXYSensitive(QVariant index) {
    return names_.getXYSensitive(plain(index));
}
QVariant myQQuickView::getselectGun(QVariant index) {
    return names_.getselectGun(plain(index));
}
void myQQuickView::setXYSensitive(QVariant index, QVariant xyData) {
    names_.setXYSensitive(plain(index), plain(xyData));
}
void myQQuickView::setSelectGun(QVariant index, QVariant xyData) {
    names_.setSelectGun(plain(index), plain(xyData));
}
QString myQQuickView::getCustomFilePath() {
    return names_.getCustomFilePath();
}

// ---------------------------------------------------------------- system mouse settings

void myQQuickView::setScrollPinSwap(bool isSwap) {
    device_.setScrollPinSwap(isSwap);
}
void myQQuickView::setAcceleration(bool acceleration) {
    mouseSettings_.setAcceleration(acceleration);
}
void myQQuickView::setCursorSpeed(uint cursorSpeed) {
    mouseSettings_.setCursorSpeed(cursorSpeed);
}
void myQQuickView::setVerticalScrollLines(uint lines) {
    mouseSettings_.setVerticalScrollLines(lines);
}
void myQQuickView::setDoubleClickSpeed(uint speed) {
    mouseSettings_.setDoubleClickSpeed(speed);
}
bool myQQuickView::getScrollPinSwap() {
    return mouseSettings_.getScrollPinSwap();
}
bool myQQuickView::getAcceleration() {
    return mouseSettings_.getAcceleration();
}
uint myQQuickView::getCursorSpeed() {
    return mouseSettings_.getCursorSpeed();
}
uint myQQuickView::getVerticalScrollLines() {
    return mouseSettings_.getVerticalScrollLines();
}
uint myQQuickView::getDoubleClickSpeed() {
    return mouseSettings_.getDoubleClickSpeed();
}

// ---------------------------------------------------------------- device settings

void myQQuickView::ui_01H_SetReportRate(uchar rate) {
    device_.ui_01H_SetReportRate(rate);
}
void myQQuickView::ui_02H_SetCurrentProfile(int profile) {
    device_.ui_02H_SetCurrentProfile(profile);
}
void myQQuickView::ui_04H_SetGunData(uchar par0, uchar par1, uchar par2, uchar par3, uchar par4) {
    device_.ui_04H_SetGunData(par0, par1, par2, par3, par4);
}
void myQQuickView::ui_0BH_SetCurrentDPIStage(uchar dpiStage) {
    device_.ui_0BH_SetCurrentDPIStage(dpiStage);
}
void myQQuickView::ui_0DH_SetRGBLedEffect(uchar effect, uchar option1, uchar option2,
                                          QVariantList configs) {
    device_.ui_0DH_SetRGBLedEffect(effect, option1, option2, configs);
}
void myQQuickView::ui_0EH_SetXYSensitive(QVariant par0, QVariant par1) {
    device_.ui_0EH_SetXYSensitive(plain(par0), plain(par1));
}
void myQQuickView::ui_10H_SetLED8StageColor(uchar type, QVariantList src24) {
    device_.ui_10H_SetLED8StageColor(type, src24);
}
void myQQuickView::ui_11H_SetDPISet(uchar dpiStage, QVariantList src8, QVariantList valueForIndex) {
    device_.ui_11H_SetDPISet(dpiStage, src8, valueForIndex);
}
void myQQuickView::ui_11H_SetDPISelect(QVariantList valueForIndex) {
    device_.ui_11H_SetDPISelect(valueForIndex);
}
void myQQuickView::ui_12H_SetKeyMatrix(QVariantList src64) {
    device_.ui_12H_SetKeyMatrix(src64);
}
void myQQuickView::ui_12H_SetGunKeyMatrix(QVariantList src64) {
    device_.ui_12H_SetGunKeyMatrix(src64);
}
void myQQuickView::ui_13H_SetRecoveryData() {
    device_.ui_13H_SetRecoveryData();
}
void myQQuickView::ui_13H_SetMacroKey(QVariant macroId, QVariant name) {
    device_.ui_13H_SetMacroKey(plain(macroId), plain(name));
}
QString myQQuickView::ui_80H_GetFWVersion() {
    return device_.ui_80H_GetFWVersion();
}
QVariant myQQuickView::ui_81H_GetReportRate() {
    return device_.ui_81H_GetReportRate();
}
QVariant myQQuickView::ui_82H_GetCurrentProfile() {
    return device_.ui_82H_GetCurrentProfile();
}
QVariant myQQuickView::ui_8BH_GetCurrentDPIStage() {
    return device_.ui_8BH_GetCurrentDPIStage();
}
QVariantList myQQuickView::ui_8DH_GetRGBLedEffect() {
    return device_.ui_8DH_GetRGBLedEffect();
}
QVariantList myQQuickView::ui_90H_GetLED8StageColor(uchar type) {
    return device_.ui_90H_GetLED8StageColor(type);
}
QVariantList myQQuickView::ui_91H_GetDPISet() {
    return device_.ui_91H_GetDPISet();
}
QVariantList myQQuickView::ui_91H_GetDPISelect() {
    return device_.ui_91H_GetDPISelect();
}
uchar myQQuickView::ui_91H_SyncDPI() {
    return device_.ui_91H_SyncDPI();
}
QVariantList myQQuickView::ui_92H_GetKeyMatrix() {
    return device_.ui_92H_GetKeyMatrix();
}
QVariantList myQQuickView::ui_93H_GetMacroKey(uchar macroId) {
    return device_.ui_93H_GetMacroKey(macroId);
}
QVariant myQQuickView::getSensorType() {
    return device_.getSensorType();
}
bool myQQuickView::chkIsLogoLedWork() {
    return device_.chkIsLogoLedWork();
}
bool myQQuickView::getMsgAns_FoolProofing() {
    return device_.getMsgAns_FoolProofing();
}
void myQQuickView::openUpdateExe() {
    device_.openUpdateExe();
}

// ---------------------------------------------------------------- keyboard family

void myQQuickView::ui_03H_SetKeyboardoption(uchar byte1, uchar byte2, uchar byte3, uchar byte4) {
    device_.ui_03H_SetKeyboardoption(byte1, byte2, byte3, byte4);
}
void myQQuickView::ui_07H_SetControlIndicatorLight(uchar effect, uchar frequenty) {
    device_.ui_07H_SetControlIndicatorLight(effect, frequenty);
}
void myQQuickView::ui_08H_SetLEDType(uchar option, uchar effect, uchar speed, uchar light,
                                     uchar color, uchar direction) {
    device_.ui_08H_SetLEDType(option, effect, speed, light, color, direction);
}
void myQQuickView::ui_09H_SetKeyboardMode(uchar mode) {
    device_.ui_09H_SetKeyboardMode(mode);
}
void myQQuickView::ui_0DH_SetKeyMatrix(QVariantList src512) {
    device_.ui_0DH_SetKeyMatrix(src512);
}
void myQQuickView::ui_0EH_SetKeyOnOff(QVariantList src21) {
    device_.ui_0EH_SetKeyOnOff(src21);
}
void myQQuickView::ui_11H_SetMacroKey(QVariant macroId, QVariant name) {
    device_.ui_11H_SetMacroKey(plain(macroId), plain(name));
}
void myQQuickView::ui_12H_SetUserPicture(uchar index, uchar option, QVariantList src512) {
    device_.ui_12H_SetUserPicture(index, option, src512);
}
void myQQuickView::ui_14H_SetColor(uchar index, uchar rValue, uchar gValue, uchar bValue) {
    device_.ui_14H_SetColor(index, rValue, gValue, bValue);
}
QVariantList myQQuickView::ui_83H_GetKeyboardoption() {
    return device_.ui_83H_GetKeyboardoption();
}
QVariantList myQQuickView::ui_84H_GetButtonSensitivity() {
    return device_.ui_84H_GetButtonSensitivity();
}
QVariantList myQQuickView::ui_88H_GetLEDType() {
    return device_.ui_88H_GetLEDType();
}
QVariant myQQuickView::ui_89H_GetKeyboardMode() {
    return device_.ui_89H_GetKeyboardMode();
}
QVariantList myQQuickView::ui_8DH_GetKeyMatrix() {
    return device_.ui_8DH_GetKeyMatrix();
}
QVariantList myQQuickView::ui_8EH_GetKeyOnOff() {
    return device_.ui_8EH_GetKeyOnOff();
}
QVariantList myQQuickView::ui_91H_GetMacroKey(uchar macroId) {
    return device_.ui_91H_GetMacroKey(macroId);
}
QVariantList myQQuickView::ui_92H_GetUserPicture(uchar index) {
    return device_.ui_92H_GetUserPicture(index);
}
QVariantList myQQuickView::ui_94H_GetColor(uchar index) {
    return device_.ui_94H_GetColor(index);
}
