// The configurator's window, controller and view host with a virtual mouse: acceptance and
// removal, the tray while no mouse is accepted, device-change bursts, the hot key.
#include "app/configurator_root.h"
#include "app/my_quick_view.h"
#include "app/ui_controler.h"
#include "app/widget.h"
#include "app/window_keys.h"
#include "bench/bench_shell.h"

#include <QEventLoop>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// A window over a fresh modules copy and virtual mouse, as main builds it.
struct Shell {
    explicit Shell(bool plugged = true, const QStringList& mouseArgs = {}, bool withoutTray = false)
        : folder(mouseArgs), mouse(*folder.mouse) {
        if (!plugged)
            mouse.ctl({"unplug"});
        root = std::make_unique<ConfiguratorRoot>();
        window = &root->window();
        window->pollTimer().setInterval(200); // the debounce at a tenth of its time
        window->setWithoutTray(withoutTray);
        explained = std::make_unique<QSignalSpy>(window, &Widget::noMouseExplained);
        runs = std::make_unique<QSignalSpy>(&window->hid(), &Hid_Thread::runRequested);
        discoveries = std::make_unique<QSignalSpy>(&window->hid(), &Hid_Thread::discoveryFinished);
        window->showNormal();
        window->checkDevice();
        // Discovery runs on the device worker; its outcome comes back through the loop.
        discoveries->wait(10000);
    }
    QQuickItem* page() const { return window->view()->rootObject(); }
    QQuickItem* item(const char* name) const { return page()->findChild<QQuickItem*>(name); }
    Ui_Controler* controller() const {
        return window->view()->rootContext()->contextProperty("ui_Ctl").value<Ui_Controler*>();
    }

    bench::ShellFolder folder;
    testsupport::VirtualMouse& mouse;
    std::unique_ptr<ConfiguratorRoot> root;
    Widget* window = nullptr;
    std::unique_ptr<QSignalSpy> runs, explained, discoveries;
};

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

  private slots:
    // Acceptance, then what the pages' controller and the hot key do to the window.
    void acceptedMouseRunsThePagesAndTheControllerMovesAndLocksThem() {
        Shell shell;
        QVERIFY(shell.mouse.started());
        Widget& w = *shell.window;
        QCOMPARE(shell.runs->count(), 1);
        // The page shows behind its power-on logo, locked; the panels appear when it ends.
        QTRY_VERIFY(shell.page()->isVisible() && w.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(shell.item("content")->isVisible(), 5000);
        QVERIFY(!shell.item("powerOnLogo")->isVisible());
        QVERIFY(w.view()->isEnabled());
        // As the program runs, the pages have an engine of their own that goes with the view.
        QCOMPARE(w.view()->engine()->parent(), w.view());

        Ui_Controler* controller = shell.controller();
        const QPoint start = w.pos();
        controller->onXChanged(5);
        controller->onYChanged(-3);
        QCOMPARE(w.pos(), start + QPoint(5, -3));
        // The pages' offscreen window follows (what is under the pointer is found by it).
        QTRY_COMPARE(w.view()->quickWindow()->position(), w.view()->mapToGlobal(QPoint(0, 0)));
        // The lock is in place before setBusy returns, and ends by itself.
        controller->setBusy(300);
        QCOMPARE(shell.page()->property("protectTime").toInt(), 300);
        QVERIFY(!w.view()->isEnabled());
        controller->setBusy();
        QVERIFY(!w.view()->isEnabled());
        QTRY_VERIFY(w.view()->isEnabled());
        controller->onClose();
        QVERIFY(w.isHidden());

        // Right Shift with left Alt and F12 brings a hidden window back; Alt+F12 does not.
        QSignalSpy keys(shell.page(), SIGNAL(msg_KB(bool, int)));
        QSignalSpy buttons(shell.page(), SIGNAL(msg_MS(bool, int, int, int)));
        for (const auto& [down, code] : {std::pair{true, 0xE2}, {true, 0x45}, {false, 0x45}})
            w.keyEvent(down, uchar(code));
        QVERIFY(w.isHidden());
        w.keyEvent(true, 0xE5);
        w.keyEvent(true, 0x45);
        QVERIFY(w.isVisible());
        QCOMPARE(keys.count(), 0); // after the capture returned, in order
        QTRY_COMPARE(keys.count(), 5);
        QCOMPARE(keys.last(), (QVariantList{true, 0x45}));
        w.mouseEvent(true, 0xF1, 12, 34);
        QTRY_COMPARE(buttons.count(), 1);
        QCOMPARE(buttons.last(), (QVariantList{true, 0xF1, 12, 34}));

        // Keys the platform delivers to the window (what a Wayland session records) are
        // passed on once each with their scan code and Alt; auto-repeat and another
        // window's keys are not.
        QList<QVariantList> seen;
        WindowKeys windowKeys(w, [&](std::uint32_t scan, bool pressed, bool alt) {
            seen.append({scan, pressed, alt});
        });
        QWidget other;
        other.winId();
        const auto send = [](QWindow* to, QEvent::Type type, quint32 scan,
                             Qt::KeyboardModifiers mods, bool repeat) {
            QKeyEvent key(type, Qt::Key_A, mods, scan, 0, 0, QStringLiteral("a"), repeat);
            QCoreApplication::sendEvent(to, &key);
        };
        send(w.windowHandle(), QEvent::KeyPress, 38, Qt::AltModifier, false);
        send(w.windowHandle(), QEvent::KeyPress, 38, Qt::AltModifier, true);
        send(other.windowHandle(), QEvent::KeyPress, 39, Qt::NoModifier, false);
        send(w.windowHandle(), QEvent::KeyRelease, 38, Qt::NoModifier, false);
        QCOMPARE(seen, (QList<QVariantList>{{38u, true, true}, {38u, false, false}}));
    }

    // The window comes back: from the tray's click, double click or menu, when the mouse
    // the tray waited for is accepted, and when a mouse unplugged under it is plugged again.
    void noMouseHidesTheWindowIntoTheTray() {
        Shell shell(false);
        QVERIFY(shell.mouse.started() && shell.window->isHidden());
        // Before a device was accepted an activation says again why nothing shows.
        QCOMPARE(shell.explained->count(), 1);
        shell.window->trayIconActivated(QSystemTrayIcon::Trigger);
        QCoreApplication::sendPostedEvents(); // what it posted is handled
        QVERIFY(shell.window->isHidden());
        QCOMPARE(shell.explained->count(), 2);

        // Plugging in: a burst of device changes gives one discovery, after the last one.
        QSignalSpy discoveries(&shell.window->pollTimer(), &QTimer::timeout);
        QCOMPARE(shell.mouse.ctl({"plug"}), 0);
        QTRY_VERIFY(shell.window->pollTimer().isActive());
        shell.window->deviceChanged();
        shell.window->deviceChanged();
        QTRY_COMPARE_WITH_TIMEOUT(shell.runs->count(), 1, 10000);
        QCOMPARE(discoveries.count(), 1);
        QTRY_VERIFY(shell.page()->isVisible());
        QVERIFY(shell.window->isVisible());

        // Accepted now: the tray restores the hidden window, a StatusNotifierItem host's
        // "activate" as an XEmbed tray's double click, and the menu's first entry.
        const QList<QAction*> menu = shell.window->trayIcon()->contextMenu()->actions();
        QCOMPARE(menu.first()->objectName(), QString("trayShow"));
        const std::vector<std::function<void()>> restores = {
            [&] { shell.window->trayIconActivated(QSystemTrayIcon::Trigger); },
            [&] { shell.window->trayIconActivated(QSystemTrayIcon::DoubleClick); },
            [&] { menu.first()->trigger(); }};
        for (const auto& restore : restores) {
            shell.window->hide();
            restore();
            QTRY_VERIFY(shell.window->isVisible());
        }
        shell.window->hide();
        shell.window->trayIconActivated(QSystemTrayIcon::Context);
        QCoreApplication::sendPostedEvents();
        QVERIFY(shell.window->isHidden());

        // Unplugged with the window open, plugged again: it opens again.
        shell.window->showNormal();
        QCOMPARE(shell.mouse.ctl({"unplug"}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(shell.window->isHidden(), 10000);
        QCOMPARE(shell.mouse.ctl({"plug"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(shell.runs->count(), 2, 10000);
        QTRY_VERIFY(shell.window->isVisible());
    }

    // The tray says why no mouse is accepted, with one balloon however often discovery runs.
    void trayTellsWhyNoMouseIsAccepted_data() {
        QTest::addColumn<bool>("plugged");
        QTest::addColumn<QStringList>("mouseArgs");
        QTest::addColumn<NoMouseReason>("reason");
        QTest::newRow("unplugged") << false << QStringList() << NoMouseReason::NotPlugged;
        QTest::newRow("node not readable")
            << true << QStringList{"--no-access"} << NoMouseReason::NoAccess;
        QTest::newRow("handshake refused")
            << true << QStringList{"--encrypted", "--code", "QWERTY"} << NoMouseReason::Refused;
    }
    void trayTellsWhyNoMouseIsAccepted() {
        QFETCH(bool, plugged);
        QFETCH(QStringList, mouseArgs);
        QFETCH(NoMouseReason, reason);
        Shell shell(plugged, mouseArgs);
        QVERIFY(shell.mouse.started() && shell.window->isHidden());
        QCOMPARE(shell.window->noMouseReason(), std::optional(reason));
        QCOMPARE(shell.window->trayIcon()->toolTip().section('\n', 1), noMouseText(reason));
        QCOMPARE(shell.explained->count(), 1);
        shell.window->checkDevice();
        QVERIFY(shell.discoveries->wait(10000));
        QCOMPARE(shell.explained->count(), 1);
    }

    // A desktop without a tray: a small window tells why while no mouse is accepted and
    // gives way to the pages once one is; closing quits instead of hiding into nothing.
    void withoutTrayTheWaitIsVisibleAndClosingQuits() {
        Shell shell(false, {}, true);
        QVERIFY(shell.mouse.started() && shell.window->isHidden());
        QWidget* waiting = shell.window->waitingPanel();
        QVERIFY(waiting && waiting->isVisible());
        QCOMPARE(waiting->findChild<QLabel*>("reason")->text(),
                 noMouseText(NoMouseReason::NotPlugged));

        QCOMPARE(shell.mouse.ctl({"plug"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(shell.runs->count(), 1, 10000);
        QVERIFY(!waiting->isVisible() && shell.window->isVisible());
        // The pages' close button ends the program (the loop standing in for it ends).
        QEventLoop loop;
        QTimer::singleShot(0, [&] { shell.controller()->onClose(); });
        QTimer::singleShot(10000, &loop, [&] { loop.exit(7); });
        QCOMPARE(loop.exec(), 0);
        QVERIFY(shell.window->isHidden());
    }

    // The tray's Quit takes the window and the icon off the screen before anything else;
    // what was queued for the mouse still reaches it as the program ends.
    void quitHidesAtOnceAndTheQueueStillReachesTheMouse() {
        Shell shell;
        // Accepted, and the profile the page sends then (a queued call) gone out first.
        QTRY_VERIFY(shell.runs->count() == 1 && shell.window->isVisible() &&
                    shell.window->hid().isListening());
        QCoreApplication::processEvents();
        QTRY_VERIFY(shell.window->hid().isLinkFree());
        QSystemTrayIcon* tray = shell.window->trayIcon();
        const bool trayShown = tray && tray->isVisible();
        for (uchar rate : {8, 4, 2, 1, 8, 4, 2, 1, 8, 2}) {
            shell.window->hid().hid_01H_SetReportRate(rate);
            shell.window->hid().hid_0BH_SetCurrentDPIStage(rate % 4); // nothing merges
        }
        shell.window->exitSYS(); // asks the (here absent) main loop to end
        QVERIFY(shell.window->isHidden());
        QVERIFY(!trayShown || !tray->isVisible());
        QVERIFY(!shell.window->hid().isListening());
        shell.root.reset(); // as main ends
        QCOMPARE(shell.mouse.state().value("report_rate").toInt(), 2);
    }

    // However the listener ends, discovery follows: a bounce whose arrival came while the
    // old mouse was listened to, and a removal the hot-plug source saw while the mouse was
    // back at once. One failed read on a mouse that never left ends nothing.
    void listenerEndIsFollowedByDiscovery() {
        Shell shell;
        QTRY_COMPARE(shell.runs->count(), 1);
        // Device changes only from here, in the order of a quick bounce.
        shell.window->findChild<hidseam::HotplugSource*>()->blockSignals(true);
        // The arrival is seen while the old mouse is still listened to...
        shell.window->deviceChanged(true);
        QVERIFY(!shell.window->pollTimer().isActive());
        // ...and only then does the listener find its mouse gone; the view is locked.
        QCOMPARE(shell.mouse.ctl({"unplug"}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!shell.window->view()->isEnabled(), 5000);
        QCOMPARE(shell.mouse.ctl({"plug"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(shell.runs->count(), 2, 10000);
        QTRY_VERIFY(shell.window->view()->isEnabled());
        QTRY_VERIFY(shell.window->hid().isListening() && shell.window->hid().isLinkFree());
        QCOMPARE(shell.mouse.ctl({"fault", "read"}), 0);
        QTRY_COMPARE(shell.mouse.state().value("faults").toObject().value("read").toInt(), 0);
        QVERIFY(shell.window->hid().isListening());
        auto* source = shell.window->findChild<hidseam::HotplugSource*>();
        source->blockSignals(false);
        emit source->deviceRemoved(shell.window->hid().deviceTable()[0].notifyPath);
        QTRY_COMPARE_WITH_TIMEOUT(shell.runs->count(), 3, 10000);
    }

    // Warnings from other processes: one box, never modal, the rest queued up to the bound.
    void channelWarningsComeOneBoxAtATime() {
        Shell shell(false);
        Widget& w = *shell.window;
        int accepted = 0;
        for (int i = 0; i < 50; ++i)
            accepted += w.showChannelMessage(QString("warning %1").arg(i)) ? 1 : 0;
        QCOMPARE(accepted, 1 + Widget::kMaxPendingWarnings);
        QPointer<QMessageBox> box = w.channelMessageBox();
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->windowModality(), Qt::NonModal);
        QCOMPARE(box->text(), QString("warning 0"));
        box->close();
        QTRY_VERIFY(w.channelMessageBox() && w.channelMessageBox() != box);
        QCOMPARE(w.channelMessageBox()->text(), QString("warning 1"));
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
