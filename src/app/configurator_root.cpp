#include "app/configurator_root.h"

#include "app/my_quick_view.h"
#include "app/widget.h"

#include <QCoreApplication>

ConfiguratorRoot::ConfiguratorRoot(const QString& modulesRoot, const QString& programFolder,
                                   QQmlEngine* pageEngine)
    : link_(notices_, [this] { return config_.settings(); }), config_(modulesRoot),
      prompts_([this] { return window_ ? static_cast<QWidget*>(window_->view()) : nullptr; }),
      profiles_(
          modulesRoot, [this] { return link_.currentDeviceIndex(); }, &prompts_),
      names_(profiles_, modulesRoot, &prompts_),
      languages_(modulesRoot, [this](const QStringList& texts) { notices_.setTexts(texts); }),
      macros_(
          &profiles_, [this] { return static_cast<int>(link_.currentDeviceIndex()); }, &prompts_,
          modulesRoot),
      systemMouse_(createSystemMouse()), mouseSettings_(profiles_, *systemMouse_),
      device_(
          link_, config_, profiles_, macros_, prompts_, prompts_.messageTexts(),
          [this] { return prompts_.viewVisible(); }, programFolder) {
    names_.setMessageTexts(prompts_.messageTexts());
    window_ = std::make_unique<Widget>(
        link_,
        ViewParts{link_, config_, profiles_, names_, languages_, macros_, mouseSettings_, device_},
        nullptr, pageEngine);
}

ConfiguratorRoot::~ConfiguratorRoot() {
    // The window (its listener stopped, its pages gone) before what it shows.
    window_.reset();
    // What is queued still reaches the mouse; when all of it did (its failures are
    // reported through the event queue), the record says the mouse holds the profile.
    const bool drained = link_.waitIdle(Hid_Thread::kShutdownDrainMs);
    QCoreApplication::sendPostedEvents();
    if (drained)
        device_.sync().recordIfInStep();
}
