// The configurator's window, controller and view host with a virtual mouse: how the
// window looks, what acceptance and removal do to it, device-change bursts, the hot key.
#include "hid_seam.h"
#include "link_state.h"
#include "my_quick_view.h"
#include "ui_controler.h"
#include "virtual_mouse_fixture.h"
#include "widget.h"

#include <QDir>
#include <QMenu>
#include <QMetaMethod>
#include <QQmlContext>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A window over a fresh modules copy and a fresh virtual mouse, as main builds it.
struct Shell {
    explicit Shell(bool plugged = true) {
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
    int pageCount(const char* name) const { return page()->property(name).toInt(); }

    QTemporaryDir dir;
    QString previous;
    testsupport::VirtualMouse mouse;
    std::unique_ptr<Widget> window;
    std::unique_ptr<QSignalSpy> runs, balloons;
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
        // initUI is queued first, run after it.
        QTRY_COMPARE(shell.pageCount("runCount"), 1);
        QCOMPARE(shell.pageCount("initCount"), 1);
        QVERIFY(shell.page()->isVisible());
        QVERIFY(shell.window->view()->isEnabled());
        QVERIFY(shell.window->isVisible());
        QTRY_COMPARE(shell.page()->property("firmware").toString(), QString("1.0A"));
    }

    void noMouseHidesTheWindowIntoTheTray() {
        Shell shell(false);
        QVERIFY(shell.mouse.started());
        QVERIFY(shell.window->isHidden());
        QVERIFY(shell.window->trayIcon()->isVisible());
        QCOMPARE(shell.pageCount("initCount"), 0);
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
        QTRY_COMPARE(shell.pageCount("runCount"), 1);
        QVERIFY(LinkState::instance().deviceAccepted);

        // Accepted now: the tray restores the hidden window.
        shell.window->hide();
        shell.window->trayIconActivated(QSystemTrayIcon::DoubleClick);
        QTRY_VERIFY(shell.window->isVisible());
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

    void hotKeyRestoresOnlyAHiddenWindow() {
        Shell shell;
        QVERIFY(shell.mouse.started());
        Widget& w = *shell.window;
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
        QCOMPARE(shell.page()->property("lastKey").toList(), QVariantList());
        QTRY_COMPARE(shell.page()->property("lastKey").toList(), (QVariantList{true, 0x45}));
        w.mouseEvent(true, 0xF1, 12, 34);
        QTRY_COMPARE(shell.page()->property("lastMouse").toList(),
                     (QVariantList{true, 0xF1, 12u, 34u}));
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
        controller->setBusy(300);
        QCOMPARE(shell.page()->property("protectTime").toInt(), 300);
        controller->setBusy();
        QCOMPARE(shell.page()->property("protectTime").toInt(), 0);
        controller->onClose();
        QVERIFY(w.isHidden());
    }

    void viewHostOffersEverySlotOnce() {
        const QMetaObject& mo = myQQuickView::staticMetaObject;
        QStringList names;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
            if (mo.method(i).methodType() == QMetaMethod::Slot)
                names << QString::fromLatin1(mo.method(i).name());
        QCOMPARE(names.size(), 113);
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 113);
        // The shell's own slots sit where the pages' moc order expects them.
        QCOMPARE(names.mid(0, 7),
                 (QStringList{"syncFW", "initUI", "runUI", "setEnableAudio", "playMedia_Index",
                              "playMedia_Background", "clearAllMedia"}));
        QCOMPARE(names.at(15), QString("clearHidBusy"));
        for (const char* needed : {"ui_11H_SetDPISelect", "getMsgAns_FoolProofing", "macroIncode",
                                   "getProductLayoutStrings_Q7", "getselectGun", "updataNameList",
                                   "setScrollPinSwap", "ui_94H_GetColor", "openUpdateExe"})
            QVERIFY2(names.contains(needed), needed);
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
