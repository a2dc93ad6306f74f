// The configurator's window, controller and view host with a virtual mouse: how the
// window looks, what acceptance and removal do to it, device-change bursts, the hot key.
#include "hid_seam.h"
#include "link_state.h"
#include "my_quick_view.h"
#include "ui_controler.h"
#include "virtual_mouse_fixture.h"
#include "widget.h"

#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A window over a fresh modules copy and a fresh virtual mouse, as main builds it.
struct Shell {
    explicit Shell(bool plugged = true, const QStringList& mouseArgs = {}, bool withoutTray = false)
        : mouse(mouseArgs) {
        testsupport::copyTree(QStringLiteral(MODULES_SOURCE_DIR), dir.filePath("modules"));
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const QByteArray socket = mouse.socketPath().toUtf8();
        qputenv("VIRTUAL_MOUSE_SOCKET", socket);
        hidseam::apiFor(socket.constData());
        LinkState::instance().reset();
        if (!plugged)
            mouse.ctl({"unplug"});
        window = std::make_unique<Widget>();
        window->setWithoutTray(withoutTray);
        explained = std::make_unique<QSignalSpy>(window.get(), &Widget::noMouseExplained);
        runs = std::make_unique<QSignalSpy>(&window->hid(), &Hid_Thread::runRequested);
        balloons = std::make_unique<QSignalSpy>(&window->hid(), &Hid_Thread::balloonRequested);
        window->showNormal();
        window->checkDevice();
    }
    ~Shell() {
        window.reset();
        QDir::setCurrent(previous);
    }
    QQuickItem* page() const { return window->view()->rootObject(); }
    QQuickItem* item(const char* name) const { return page()->findChild<QQuickItem*>(name); }

    QTemporaryDir dir;
    QString previous;
    testsupport::VirtualMouse mouse;
    std::unique_ptr<Widget> window;
    std::unique_ptr<QSignalSpy> runs, balloons, explained;
};

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

  private slots:
    void windowIsTheFramelessPageArea() {
        Shell shell;
        QVERIFY(shell.mouse.started());
        Widget& w = *shell.window;
        QCOMPARE(w.size(), QSize(1000, 640));
        QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(w.testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(w.objectName(), QString("Widget"));
        QCOMPARE(w.view()->objectName(), QString("ui_View"));
        QCOMPARE(w.windowTitle(), QString("HALDORA SKARN MOUSE R418"));
        QVERIFY(w.trayIcon()->isVisible());
        QVERIFY(!w.trayIcon()->icon().isNull());
        QCOMPARE(w.trayIcon()->toolTip(), QString("HALDORA SKARN MOUSE R418"));
        QCOMPARE(w.trayIcon()->contextMenu()->actions().size(), 1);
        // The pages see the three objects.
        QQmlContext* context = w.view()->rootContext();
        QCOMPARE(context->contextProperty("ui_View").value<QObject*>(), w.view());
        QCOMPARE(context->contextProperty("hid").value<QObject*>(), &w.hid());
        QVERIFY(context->contextProperty("ui_Ctl").value<QObject*>());
    }

    void acceptanceRunsThePagesInOrder() {
        Shell shell;
        QVERIFY(shell.mouse.started());
        QCOMPARE(shell.runs->count(), 1);
        QCOMPARE(shell.balloons->at(0).at(1).toString(), QString("Detect Mouse!"));
        // initUI shows the page behind its power-on logo and locks it for its protection
        // period; the panels appear when the lock ends.
        QTRY_VERIFY(shell.page()->isVisible());
        QVERIFY(shell.window->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(shell.item("content")->isVisible(), 5000);
        QVERIFY(!shell.item("powerOnLogo")->isVisible());
        QVERIFY(shell.window->view()->isEnabled());
    }

    void noMouseHidesTheWindowIntoTheTray() {
        Shell shell(false);
        QVERIFY(shell.mouse.started());
        QVERIFY(shell.window->isHidden());
        QVERIFY(shell.window->trayIcon()->isVisible());
        QVERIFY(!shell.page()->isVisible());
        // A double click does nothing before a device was accepted.
        shell.window->trayIconActivated(QSystemTrayIcon::DoubleClick);
        QTest::qWait(50);
        QVERIFY(shell.window->isHidden());

        // Plugging in: a burst of device changes gives one discovery, after the last one.
        QSignalSpy discoveries(&shell.window->pollTimer(), &QTimer::timeout);
        QCOMPARE(shell.mouse.ctl({"plug"}), 0);
        QTRY_VERIFY(shell.window->pollTimer().isActive());
        QCOMPARE(shell.window->pollTimer().interval(), 2048);
        QVERIFY(shell.window->pollTimer().isSingleShot());
        shell.window->deviceChanged();
        shell.window->deviceChanged();
        QTRY_COMPARE_WITH_TIMEOUT(shell.runs->count(), 1, 10000);
        QCOMPARE(discoveries.count(), 1);
        QTRY_VERIFY(shell.page()->isVisible());
        QVERIFY(LinkState::instance().deviceAccepted);

        // Accepted now: the tray restores the hidden window.
        shell.window->hide();
        shell.window->trayIconActivated(QSystemTrayIcon::DoubleClick);
        QTRY_VERIFY(shell.window->isVisible());
    }

    // Nothing plugged in, a device node the user may not open, a mouse that fails the
    // handshake: the tray says which, with one balloon however often discovery runs.
    void trayTellsWhyNoMouseIsAccepted_data() {
        QTest::addColumn<bool>("plugged");
        QTest::addColumn<QStringList>("mouseArgs");
        QTest::addColumn<NoMouseReason>("reason");
        QTest::addColumn<QString>("told");
        QTest::newRow("unplugged")
            << false << QStringList() << NoMouseReason::NotPlugged << "No mouse is plugged in";
        QTest::newRow("node not readable") << true << QStringList{"--no-access"}
                                           << NoMouseReason::NoAccess << "70-mouse-suite.rules";
        QTest::newRow("handshake refused") << true << QStringList{"--encrypted", "--code", "QWERTY"}
                                           << NoMouseReason::Refused << "refused the handshake";
    }
    void trayTellsWhyNoMouseIsAccepted() {
        QFETCH(bool, plugged);
        QFETCH(QStringList, mouseArgs);
        QFETCH(NoMouseReason, reason);
        QFETCH(QString, told);
        Shell shell(plugged, mouseArgs);
        QVERIFY(shell.mouse.started());
        QCOMPARE(shell.runs->count(), 0);
        QVERIFY(shell.window->isHidden());
        QCOMPARE(shell.window->noMouseReason(), std::optional(reason));
        const QString tip = shell.window->trayIcon()->toolTip();
        QVERIFY2(tip.startsWith("HALDORA SKARN MOUSE R418\n") && tip.contains(told),
                 qPrintable(tip));
        QCOMPARE(shell.explained->count(), 1);
        QVERIFY(shell.explained->at(0).at(1).toString().contains(told));
        shell.window->checkDevice();
        QCOMPARE(shell.explained->count(), 1);
    }

    // A desktop without a tray: a small window tells why while no mouse is accepted and
    // gives way to the pages once one is; closing quits instead of hiding into nothing.
    void withoutTrayTheWaitIsVisibleAndClosingQuits() {
        Shell shell(false, {}, true);
        QVERIFY(shell.mouse.started());
        QVERIFY(shell.window->isHidden());
        QWidget* waiting = shell.window->waitingPanel();
        QVERIFY(waiting && waiting->isVisible());
        QVERIFY(!waiting->testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(waiting->findChild<QLabel*>("reason")->text().contains("No mouse is plugged in"));

        QCOMPARE(shell.mouse.ctl({"plug"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(shell.runs->count(), 1, 10000);
        QVERIFY(!waiting->isVisible());
        QVERIFY(shell.window->isVisible());
        QCOMPARE(shell.window->trayIcon()->toolTip(), QString("HALDORA SKARN MOUSE R418"));

        // The pages' close button ends the program (the loop standing in for it ends).
        QObject* controller =
            shell.window->view()->rootContext()->contextProperty("ui_Ctl").value<QObject*>();
        QEventLoop loop;
        QTimer::singleShot(0, controller,
                           [controller] { QMetaObject::invokeMethod(controller, "onClose"); });
        QTimer::singleShot(10000, &loop, [&] { loop.exit(7); });
        QCOMPARE(loop.exec(), 0);
        QVERIFY(shell.window->isHidden());
    }

    void removalDisablesTheViewAndChangesWaitWhileListening() {
        Shell shell;
        QVERIFY(shell.mouse.started());
        // While listening, device changes start no discovery.
        shell.window->deviceChanged();
        QVERIFY(!shell.window->pollTimer().isActive());
        QCOMPARE(shell.mouse.ctl({"unplug"}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!shell.window->view()->isEnabled(), 5000);
        QTRY_VERIFY(!shell.window->hid().isListening());
        shell.window->deviceChanged();
        QVERIFY(shell.window->pollTimer().isActive());
    }

    // However the listener ends, discovery follows: a bounce whose arrival came while the
    // old mouse was listened to, and one failed read on a mouse that never left.
    void listenerEndIsFollowedByDiscovery() {
        Shell shell;
        QVERIFY(shell.mouse.started());
        QTRY_COMPARE(shell.runs->count(), 1);
        // The device changes come only from here, in the order a quick bounce gives them.
        auto* source = shell.window->findChild<hidseam::HotplugSource*>();
        QVERIFY(source);
        source->blockSignals(true);
        // The arrival is seen while the old mouse is still listened to...
        shell.window->deviceChanged(true);
        QVERIFY(!shell.window->pollTimer().isActive());
        // ...and only then does the listener find its mouse gone.
        QCOMPARE(shell.mouse.ctl({"unplug"}), 0);
        QCOMPARE(shell.mouse.ctl({"plug"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(shell.runs->count(), 2, 10000);
        QTRY_VERIFY(shell.window->view()->isEnabled());
        QTRY_VERIFY(shell.window->hid().isListening() && shell.window->hid().isLinkFree());
        QCOMPARE(shell.mouse.ctl({"fault", "read"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(shell.runs->count(), 3, 10000);
    }

    // A burst of warnings from other processes: one box on screen, never modal, the rest
    // waiting in order up to the bound and dropped beyond it.
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
        int boxes = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            boxes += qobject_cast<QMessageBox*>(top) && top->isVisible() ? 1 : 0;
        QCOMPARE(boxes, 1);
        box->close();
        QTRY_VERIFY(w.channelMessageBox() && w.channelMessageBox() != box);
        QCOMPARE(w.channelMessageBox()->text(), QString("warning 1"));
    }

    void hotKeyRestoresOnlyAHiddenWindow() {
        Shell shell;
        QVERIFY(shell.mouse.started());
        Widget& w = *shell.window;
        QSignalSpy keys(shell.page(), SIGNAL(msg_KB(bool, int)));
        QSignalSpy buttons(shell.page(), SIGNAL(msg_MS(bool, int, int, int)));
        w.hide();
        // Alt+F12 alone does nothing.
        w.keyEvent(true, 0xE2);
        w.keyEvent(true, 0x45);
        w.keyEvent(false, 0x45);
        QVERIFY(w.isHidden());
        // Right Shift with left Alt and F12 brings it back.
        w.keyEvent(true, 0xE5);
        w.keyEvent(true, 0x45);
        QVERIFY(w.isVisible());
        w.keyEvent(false, 0x45);
        w.keyEvent(false, 0xE5);
        w.keyEvent(false, 0xE2);
        w.hide();
        w.keyEvent(true, 0x45);
        QVERIFY(w.isHidden());
        // Keys reach the page after the capture returned, in order.
        QCOMPARE(keys.count(), 0);
        QTRY_COMPARE(keys.count(), 9);
        QCOMPARE(keys.last(), (QVariantList{true, 0x45}));
        w.mouseEvent(true, 0xF1, 12, 34);
        QTRY_COMPARE(buttons.count(), 1);
        QCOMPARE(buttons.last(), (QVariantList{true, 0xF1, 12, 34}));
    }

    void controllerMovesHidesAndLocksThePage() {
        Shell shell;
        QVERIFY(shell.mouse.started());
        Widget& w = *shell.window;
        auto* controller =
            w.view()->rootContext()->contextProperty("ui_Ctl").value<Ui_Controler*>();
        QVERIFY(controller);
        const QPoint start = w.pos();
        controller->onXChanged(5);
        controller->onYChanged(-3);
        QCOMPARE(w.pos(), start + QPoint(5, -3));
        // The pages' offscreen window follows: what lies under the pointer is found from
        // the pointer's screen position.
        QTRY_COMPARE(w.view()->quickWindow()->position(), w.view()->mapToGlobal(QPoint(0, 0)));
        // The lock is in place before setBusy returns, and ends by itself.
        QTRY_VERIFY_WITH_TIMEOUT(w.view()->isEnabled(), 5000);
        controller->setBusy(300);
        QCOMPARE(shell.page()->property("protectTime").toInt(), 300);
        QVERIFY(!w.view()->isEnabled());
        controller->setBusy();
        QCOMPARE(shell.page()->property("protectTime").toInt(), 0);
        QVERIFY(!w.view()->isEnabled());
        QTRY_VERIFY(w.view()->isEnabled());
        controller->onClose();
        QVERIFY(w.isHidden());
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
