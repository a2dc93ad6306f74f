// The configurator's one top-level window: frameless and translucent, the pages inside,
// living in the tray. It drives discovery after device changes and shows what the device
// link asks of it; the composition root owns the link and everything the pages use.
#pragma once

#include "device/hid_thread.h"
#include "device/no_mouse_reason.h"
#include "facade/mouse_sync.h"

#include <QMessageBox>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <memory>
#include <optional>

class QQmlEngine;
class Ui_Controler;
class myQQuickView;
struct ViewParts;
namespace hidseam {
class HotplugSource;
}

class Widget : public QWidget {
    Q_OBJECT
  public:
    // `pageEngine`: see Ui_Controler::setup.
    Widget(Hid_Thread& hid, const ViewParts& parts, QWidget* parent = nullptr,
           QQmlEngine* pageEngine = nullptr);
    ~Widget() override;

    myQQuickView* view() const;
    Hid_Thread& hid() { return hid_; }
    QSystemTrayIcon* trayIcon() const { return tray_; }
    QTimer& pollTimer() { return *pollTimer_; }

    // The keyboard and mouse callbacks of the capture, and the message channel.
    void keyEvent(bool pressed, uchar code);
    void mouseEvent(bool pressed, uchar code, int x, int y);
    // A warning another process asked for. One box at a time, never modal, so the
    // channel keeps reading and a burst cannot nest event loops: texts arriving while a
    // box is open wait (at most kMaxPendingWarnings of them) and are shown one after the
    // other; beyond that they are dropped. Returns whether the text was shown or queued.
    bool showChannelMessage(const QString& text);
    static constexpr int kMaxPendingWarnings = 8;
    // The box on screen, if any (for tests).
    QMessageBox* channelMessageBox() const { return warningBox_; }

    // Shift+Alt+F12, pressed anywhere: brings back a hidden window.
    void hotKey(bool pressed, uchar code);

    // A device arrived or left: discovery 2048 ms after the last change of a burst,
    // unless a device is being listened to (the listener notices removal itself, and
    // discovery follows whenever the listener ends).
    void deviceChanged(bool arrival = true);

    // A desktop without a system tray: closing quits, and while no mouse is accepted a
    // small waiting window stands in for the hidden page area.
    void setWithoutTray(bool withoutTray) { withoutTray_ = withoutTray; }
    bool withoutTray() const { return withoutTray_; }
    QWidget* waitingPanel() const { return waiting_; }
    // Why the last discovery accepted no mouse; empty once one is accepted.
    std::optional<NoMouseReason> noMouseReason() const { return noMouse_; }

  signals:
    // The tray's balloon told why no mouse was accepted: once for each new reason, and
    // whenever the window is asked for meanwhile.
    void noMouseExplained(const QString& title, const QString& text);

  public slots:
    // The tray icon's activation (a click, a double click, or a StatusNotifierItem
    // host's "activate"): the window shows.
    void trayIconActivated(QSystemTrayIcon::ActivationReason reason);
    // Brings the window up when a mouse is accepted; otherwise says again why not (the
    // tray's balloon, or the waiting window) and opens the window once one is accepted.
    void showWindow();
    void checkDevice();
    // Sends the whole profile to the mouse (MouseSync says when).
    void resendProfile();
    void exitSYS();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void customEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    // After acceptance: the pages' initUI now (queued), run after it.
    void requestRun();
    void setupTray();
    void showNextWarning();
    // Discovery ended without an accepted mouse / with one.
    void noMouseAccepted(NoMouseReason reason);
    void mouseAccepted();
    void showWaitingPanel(const QString& text);
    // The tray's balloon saying why no mouse is accepted (the tray must exist).
    void explainNoMouse(NoMouseReason reason);

    std::unique_ptr<QTimer> pollTimer_;
    MouseSync* sync_ = nullptr;
    Ui_Controler* controller_;
    Hid_Thread& hid_;
    QSystemTrayIcon* tray_ = nullptr;
    bool shiftHeld_ = false;
    bool altHeld_ = false;
    hidseam::HotplugSource* hotplug_ = nullptr;
    QPointer<QMessageBox> warningBox_;
    std::deque<QString> pendingWarnings_;
    bool droppingWarnings_ = false;
    bool withoutTray_ = false;
    std::optional<NoMouseReason> noMouse_;
    // The window opens when a mouse is accepted: it was open when the mouse went, the
    // tray said the settings open once it is found, or the user asked meanwhile.
    bool showOnAcceptance_ = false;
    QWidget* waiting_ = nullptr;
};
