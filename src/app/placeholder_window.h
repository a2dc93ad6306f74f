// The configurator's window until the real shell arrives: a frameless, translucent
// 1000 x 640 window showing the root page, and the tray icon with its Quit menu.
#pragma once

#include <QWidget>

class QAction;
class QMenu;
class QQuickWidget;
class QSystemTrayIcon;

namespace app {

// Shown in the tray tool tip and as the window title.
inline constexpr char kProductName[] = "HALDORA SKARN MOUSE R418";
// Relative to the working directory, which main() makes the executable's folder.
inline constexpr char kTrayIconFile[] = "./modules/img/trayIcon.ico";
inline constexpr char kRootPage[] = "qrc:/modules/qml/main.qml";

class PlaceholderWindow : public QWidget {
    Q_OBJECT
  public:
    // `mouseFound` is what the page reports: whether the mouse was seen at start-up.
    explicit PlaceholderWindow(bool mouseFound, QWidget* parent = nullptr);
    ~PlaceholderWindow() override;

    QQuickWidget* view() const { return view_; }
    QSystemTrayIcon* trayIcon() const { return tray_; }
    QAction* quitAction() const { return quitAction_; }

  public slots:
    void exitSYS();

  private:
    void setUpTray();

    QQuickWidget* view_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QAction* quitAction_ = nullptr;
};

} // namespace app
