// The composition root of the configurator: every object of the program is built here,
// in the order they depend on one another (the DPI balloon texts, the device link, the
// configuration, the dialogs, the stores, the macro library, the system mouse settings,
// the device facade, then the window with its pages), and destroyed in reverse: the
// window first, the link's queue drained before the link goes. main() and the tests
// that run the whole program build one of these and nothing else.
#pragma once

#include "app/desktop_prompts.h"
#include "device/dpi_notices.h"
#include "device/hid_thread.h"
#include "facade/device_facade.h"
#include "macros/macro_library.h"
#include "platform/system_mouse.h"
#include "store/app_config.h"
#include "store/language_store.h"
#include "store/name_list_store.h"
#include "store/profile_store.h"
#include "store/system_mouse_settings.h"

#include <QString>

#include <memory>

class QQmlEngine;
class Widget;

class ConfiguratorRoot {
  public:
    // `modulesRoot`: the folder holding setting/, macro/, gun/, i18n/ and img/;
    // `programFolder`: where the program lies, with the updater in its update/ folder.
    // `pageEngine`: the QML engine the pages are loaded into; none gives the view an engine
    // of its own, as the program runs. A borrowed engine must outlive this object.
    explicit ConfiguratorRoot(const QString& modulesRoot = QStringLiteral("./modules"),
                              const QString& programFolder = QStringLiteral("."),
                              QQmlEngine* pageEngine = nullptr);
    ~ConfiguratorRoot();
    ConfiguratorRoot(const ConfiguratorRoot&) = delete;
    ConfiguratorRoot& operator=(const ConfiguratorRoot&) = delete;

    Widget& window() { return *window_; }
    Hid_Thread& link() { return link_; }
    // The file dialogs and message boxes (the page tests answer them in the user's place).
    DesktopPrompts& prompts() { return prompts_; }
    AppConfig& config() { return config_; }
    ProfileStore& profiles() { return profiles_; }

  private:
    DpiNotices notices_;
    Hid_Thread link_;
    AppConfig config_;
    DesktopPrompts prompts_;
    ProfileStore profiles_;
    NameListStore names_;
    LanguageStore languages_;
    MacroLibrary macros_;
    std::unique_ptr<SystemMouse> systemMouse_;
    SystemMouseSettings mouseSettings_;
    DeviceFacade device_;
    std::unique_ptr<Widget> window_;
};
