// The update procedure against the virtual mouse, with time in the test's hands: the whole
// update as the program runs it, retries 5 s apart, the final failure, entering the boot
// loader, and the device-change table. The window: what it shows of the flow, the real
// "Update" button (clicked by the user, then for the boot loader), closing refused while
// the boot loader is written.
#include "platform/hid/hid_seam.h"
#include "platform/runtime/device_lock.h"
#include "update/local_text.h"
#include "update/update_rig.h"
#include "update/widget.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QtWidgets>

#include <atomic>

using updater::UpdateFlow;

using updater::Widget;
using updatetest::Flow;
using updatetest::Mouse;

namespace {

const auto text = &UpdateFlow::statusText;

// A row of the device-change table: the states before (update -2: after a final failure),
// the device that shows, and what follows (status -1: none shown; pending: the delayed
// call asked for, 0 for none).
struct Change {
    int update, device;
    bool autoFlag;
    int updateAfter, statusAfter;
    bool enabledAfter, autoAfter;
    int pending;
};

} // namespace

Q_DECLARE_METATYPE(Change)

class UpdateProcedureTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        updatetest::routeSeam();
        updater::setLocal8BitEncoding("GB18030-0");
    }

    // The updater's whole path: the mouse in normal mode, "Update", the boot loader, the
    // phases, the mouse back with the new firmware.
    void fullUpdate() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Flow rig(4, true, true);
        QTRY_COMPARE(rig.flow.mouseVersion(), QString("1.0A"));
        rig.statuses.clear();
        mouse.clearLog();
        // A click reaching updateProc() while pages are erased starts nothing.
        QObject::connect(&rig.flow, &UpdateFlow::progressChanged, [&](int value) {
            if (value == 2)
                rig.flow.updateProc();
        });
        rig.flow.updateProc();
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
        QCOMPARE(rig.flow.progressMaximum(), 14);
        QCOMPARE(rig.progress, (QList<int>{1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14}));
        QCOMPARE(rig.statuses, QStringList({text(3), text(1), text(4), text(5), text(6), text(7)}));
        QCOMPARE(rig.stateAtSuccess, UpdateFlow::kUpdated);
        QVERIFY(rig.flow.exitEnabled() && !rig.flow.updateEnabled());
        // Settle waits after 0x0F and 0x8F, then 30 ms before 0x8F, before the click and
        // after connecting, 100 ms after verifying, 10 after the start choice, 50 after the
        // switch: milliseconds, each where the mouse needs it.
        QCOMPARE(rig.clock.sleeps(), (std::vector<int>{64, 64, 30, 30, 30, 100, 10, 50}));
        QVERIFY(rig.clock.pendingDelays.empty());
        QCOMPARE(mouse.sent("boot", "00 01"), 1); // one connect
        // Back with the new firmware; the window waits for the next mouse.
        QTRY_COMPARE(rig.flow.mouseVersion(), QString("1.0B"));
        QCOMPARE(mouse.state()["firmware_version"][u"a2"].toInt(), 0x0B);
        QCOMPARE(rig.flow.updateState(), UpdateFlow::kWaiting);
        QVERIFY(rig.flow.autoUpdate());
        // Plugged in again it already runs that firmware: offered, not flashed again.
        mouse.clearLog();
        QVERIFY(mouse.unplug());
        QTRY_COMPARE(rig.flow.deviceState(), -1);
        QVERIFY(mouse.plug());
        QTRY_COMPARE(rig.flow.mouseVersion(), QString("1.0B"));
        QTRY_VERIFY(rig.flow.updateEnabled());
        QCOMPARE(rig.flow.status(), text(UpdateFlow::kConnected));
        QVERIFY(!rig.flow.autoUpdate());
        QVERIFY(rig.clock.pendingDelays.empty());
        QCOMPARE(mouse.sent("command", "00 0F"), 0);
    }

    // With the flag set, a mouse that runs other firmware is updated by itself.
    void nextMouseWithOtherFirmware() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Flow rig(2, true, true);
        QTRY_COMPARE(rig.flow.mouseVersion(), QString("1.0A"));
        rig.flow.forceStates(UpdateFlow::kWaiting, -1, true);
        rig.flow.deviceArrived();
        QTRY_COMPARE(rig.clock.pendingDelays, std::vector<int>{UpdateFlow::kAutoUpdateDelayMs});
        QVERIFY(rig.clock.fireNext());
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
    }

    // Each failed attempt is retried 5 s later from the start (connecting); the third
    // failure ends the update.
    void failuresAreRetriedThenEndTheUpdate() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Flow rig(2);
        QVERIFY(mouse.fault("boot-verify-fail"));
        QVERIFY(mouse.fault("boot-lock-fail", 2));
        rig.flow.updateProc();
        for (int retry = 1; retry < UpdateFlow::kAttempts; ++retry) {
            QTRY_COMPARE(rig.clock.pendingDelays, std::vector<int>{5000});
            QCOMPARE(rig.flow.updateState(), UpdateFlow::kReady);
            QVERIFY(!rig.flow.updateEnabled() && !rig.flow.exitEnabled());
            mouse.clearLog();
            rig.progress.clear();
            QVERIFY(rig.clock.fireNext());
            QTRY_COMPARE(rig.flow.retryCount(), retry + 1);
            QCOMPARE(mouse.sent("boot", "00 01"), 1);
            QCOMPARE(rig.progress, (QList<int>{1, 2, 3, 4, 5, 6}));
        }
        QCOMPARE(rig.flow.status(), text(UpdateFlow::kFail));
        QCOMPARE(rig.flow.updateState(), UpdateFlow::kNotReady);
        QVERIFY(rig.flow.exitEnabled() && !rig.flow.updateEnabled());
        QVERIFY(rig.clock.pendingDelays.empty());
        const QStringList lines = updatetest::DebugLines::take();
        QCOMPARE(lines.count("Verify Error"), 1);
        QCOMPARE(lines.count("Lock Error"), 2);
        // As the window advises: unplugged and plugged in again (its program was written
        // whole, so it starts it), the mouse can be updated again, with three attempts.
        QVERIFY(!rig.flow.holdsMouse());
        QVERIFY(mouse.unplug());
        QTRY_COMPARE(rig.flow.deviceState(), -1);
        QVERIFY(!rig.flow.updateEnabled());
        QVERIFY(mouse.plug());
        QTRY_VERIFY(rig.flow.updateEnabled());
        QCOMPARE(rig.flow.status(), text(UpdateFlow::kConnected));
        QCOMPARE(rig.flow.retryCount(), 0);
        QVERIFY(mouse.fault("boot-verify-fail"));
        rig.flow.updateProc();
        QVERIFY(rig.flow.holdsMouse());
        QTRY_COMPARE(rig.clock.pendingDelays, std::vector<int>{5000});
        QVERIFY(rig.clock.fireNext());
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
    }

    void mouseRefusingTheBootLoader() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Flow rig(2);
        // The encryption check and all four tries of 0x0F and 0x8F fail to send.
        QVERIFY(mouse.fault("send-feature", 9));
        rig.flow.updateProc();
        QTRY_VERIFY(!rig.flow.busy());
        const auto sleeps = rig.clock.sleeps();
        QCOMPARE(std::count(sleeps.begin(), sleeps.end(), 300), 3);
        QCOMPARE(rig.flow.updateState(), UpdateFlow::kNormalSeen);
        QVERIFY(rig.flow.updateEnabled());
        QCOMPARE(rig.flow.status(), UpdateFlow::notEnteredText());
        QCOMPARE(mouse.sent("command", "00 0F"), 4);
        // "Update" runs the entry again.
        rig.flow.updateProc();
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
    }

    // A mouse listed but not ours to open is said at once, not shown as connected.
    void mouseThatDoesNotOpen() {
        Mouse mouse({"--no-access"});
        QVERIFY(mouse.started());
        Flow rig(2);
        QCOMPARE(rig.flow.status(), UpdateFlow::noAccessText());
        QCOMPARE(rig.flow.deviceState(), -1);
        QVERIFY(!rig.flow.updateEnabled());
    }

    void clickDuringTheEntryStepWaitsForIt() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Flow rig(2);
        // The mouse restarts before it confirms, so the entry step goes on retrying while
        // the boot loader turns up and "Update" is clicked for it: that click must wait
        // for the step, not be lost.
        std::atomic<bool> ready{false};
        QObject::connect(&rig.flow, &UpdateFlow::statusChanged, [&](const QString& s) {
            ready = ready || s == text(UpdateFlow::kReadyToUpdate);
        });
        rig.clock.onSleep = [&](int ms) {
            QDeadlineTimer deadline(10000);
            while (ms == 300 && !ready && !deadline.hasExpired())
                QThread::msleep(5);
        };
        QVERIFY(mouse.fault("boot-before-readback"));
        rig.flow.updateProc();
        QTRY_COMPARE_WITH_TIMEOUT(rig.flow.status(), text(UpdateFlow::kSuccess), 20000);
        QVERIFY(ready);
        QCOMPARE(mouse.sent("boot", "00 01"), 1);
    }

    // Past the bound the user is told, and the update still goes on: by itself when the
    // boot loader turns up late, with "Update" when the mouse was plugged in again as it was.
    void lateBootLoader() {
        {
            Mouse slow({"--restart-delay", "400"});
            QVERIFY(slow.started());
            Flow rig(2);
            rig.flow.setBootReturnMs(1);
            rig.flow.updateProc();
            QTRY_COMPARE(rig.flow.status(), UpdateFlow::bootReturnLateText());
            QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
        }
        Mouse mouse;
        QVERIFY(mouse.started());
        Flow rig(2);
        rig.flow.setBootReturnMs(1);
        QVERIFY(mouse.fault("boot-no-return"));
        rig.flow.updateProc();
        QTRY_COMPARE(rig.flow.status(), UpdateFlow::bootReturnLateText());
        QCOMPARE(rig.flow.updateState(), UpdateFlow::kNormalSeen);
        QVERIFY(rig.flow.exitEnabled());
        QVERIFY(mouse.plug());
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kConnected));
        QVERIFY(rig.flow.updateEnabled());
        rig.flow.updateProc();
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
    }

    // While the configurator has the mouse, the updater sends it nothing and says why; it
    // goes on once the mouse is let go, and lets go of it itself when the update is done.
    void waitsForTheConfiguratorToLetGo() {
        Mouse mouse;
        QVERIFY(mouse.started());
        runtimedir::DeviceLock configurator(hidseam::deviceKey());
        QVERIFY(configurator.tryTake());
        Flow rig(2, true, true);
        QCOMPARE(rig.flow.status(), UpdateFlow::waitingForMouseText());
        QVERIFY(!rig.clock.pendingDelays.empty());
        QVERIFY(rig.clock.fireNext()); // still held: it looks again later
        QCOMPARE(rig.flow.deviceState(), -1);
        QVERIFY(!rig.flow.updateEnabled());
        QCOMPARE(mouse.sent("command"), 0);
        configurator.release();
        QVERIFY(rig.clock.fireNext());
        QVERIFY(rig.flow.holdsMouse());
        QTRY_COMPARE(rig.flow.mouseVersion(), QString("1.0A"));
        QCOMPARE(rig.flow.status(), text(UpdateFlow::kConnected));
        QVERIFY(!configurator.tryTake());
        rig.flow.updateProc();
        // Back with its new firmware, asked for it, and let go.
        QTRY_COMPARE(rig.flow.mouseVersion(), QString("1.0B"));
        QCOMPARE(rig.stateAtSuccess, UpdateFlow::kUpdated);
        QTRY_VERIFY(!rig.flow.holdsMouse());
        QVERIFY(configurator.tryTake());
    }

    // The mouse is asked afresh each time, not with the cipher an earlier answer switched
    // on; the code it gives away is what 0x0F must be enciphered with.
    void encipheringMouse() {
        Mouse mouse({"--encrypted", "--code", "735190"});
        QVERIFY(mouse.started());
        updatetest::FakeClock clock;
        updater::Hid_Thread hid(clock);
        hid.setCurrentDevice(hid.detect());
        QVERIFY(hid.checkEncryption() && hid.checkEncryption() && hid.encodeEnabled());
        const auto code = hid.secrecyCode();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(code.data()) + 1, 6), "735190");
        QCOMPARE(mouse.sent("command", "00 00 00 00 00 00 00 00 FF"), 2);
        QVERIFY(hid.enterBootLoader());
        QVERIFY(mouse.waitForMode("boot-loader"));
    }

    void waitingForTheMouseInNormalMode() {
        Flow rig(2, false);
        rig.flow.forceStates(UpdateFlow::kNormalSeen, -1, false);
        rig.flow.updateProc();
        rig.flow.updateProc();
        // One call 5 s later stands for both clicks, and it waits again.
        QCOMPARE(rig.clock.pendingDelays, std::vector<int>{5000});
        QVERIFY(rig.clock.fireNext());
        QCOMPARE(rig.clock.pendingDelays, std::vector<int>{5000});
        QVERIFY(rig.progress.isEmpty());
    }

    // Any interface going away counts as the mouse gone, even with the mouse still there;
    // an arrival that changes nothing is not reported.
    void removalAlwaysReportsNoMouse() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Flow rig(2, false);
        QSignalSpy changes(&rig.flow, &UpdateFlow::deviceChange);
        rig.flow.deviceRemoved();
        rig.flow.deviceArrived();
        rig.flow.deviceArrived();
        rig.flow.deviceRemoved();
        QList<int> seen;
        for (const auto& c : changes)
            seen << c.at(0).toInt();
        QCOMPARE(seen, (QList<int>{-1, 0, -1}));
    }

    void deviceChangeTable_data() {
        QTest::addColumn<Change>("c");
        QTest::newRow("not ready, boot") << Change{-1, 1, false, -1, -1, false, false, 0};
        QTest::newRow("waiting, none") << Change{0, -1, false, 0, -1, false, false, 0};
        QTest::newRow("waiting, normal") << Change{0, 0, false, 1, 0, true, false, 0};
        // The mouse's version was not asked for: nothing tells it needs the update.
        QTest::newRow("waiting, normal, auto") << Change{0, 0, true, 1, 0, true, false, 0};
        QTest::newRow("failed, none") << Change{-2, -1, false, -1, -1, false, false, 0};
        QTest::newRow("failed, normal") << Change{-2, 0, false, 1, 0, true, false, 0};
        QTest::newRow("failed, boot") << Change{-2, 1, false, 2, 1, true, false, 0};
        QTest::newRow("waiting, boot") << Change{0, 1, false, 2, 1, true, false, 0};
        QTest::newRow("normal seen, normal") << Change{1, 0, false, 1, -1, false, false, 0};
        // Clicked at once: with no boot loader to connect to, the attempt fails.
        QTest::newRow("normal seen, boot") << Change{1, 1, false, 2, 1, false, false, 5000};
        QTest::newRow("ready, normal") << Change{2, 0, false, 2, -1, false, false, 0};
        QTest::newRow("updated, normal") << Change{3, 0, false, 0, -1, false, true, 0};
        QTest::newRow("updated, boot") << Change{3, 1, false, 3, -1, false, false, 0};
    }

    void deviceChangeTable() {
        QFETCH(Change, c);
        Flow rig(2, false); // no mouse at all: the states are set by hand
        rig.statuses.clear();
        // -2: the state a final failure leaves.
        rig.flow.forceStates(qMax(c.update, -1), c.device, c.autoFlag, c.update == -2);
        rig.flow.deviceChangeProc(c.device);
        QTRY_VERIFY(!rig.flow.busy());
        QCOMPARE(rig.flow.updateState(), c.updateAfter);
        QCOMPARE(rig.statuses.value(0), c.statusAfter < 0 ? QString() : text(c.statusAfter));
        QCOMPARE(rig.flow.updateEnabled(), c.enabledAfter);
        QCOMPARE(rig.flow.autoUpdate(), c.autoAfter);
        QCOMPARE(rig.clock.pendingDelays,
                 c.pending ? std::vector<int>{c.pending} : std::vector<int>{});
    }

    void updateThroughTheButton() {
        updatetest::Mouse mouse;
        QVERIFY(mouse.started());
        updatetest::FakeClock clock;
        QTemporaryDir dir;
        const QByteArray title = updater::toLocal8Bit(QString::fromUtf8("固件升级 2.0"));
        const QString path = updatetest::writeFile(
            dir, updatetest::dataBin(updatetest::imageOfPages(3, 1, 0x0C), title));
        Widget w(clock, path, [](QObject* p) { return hidseam::createHotplugSource(p); });
        QCOMPARE(w.windowTitle(), QString::fromUtf8("固件升级 2.0"));
        QCOMPARE(w.checksumField()->text(), w.flow().checksumText());
        QCOMPARE(w.progressBar()->maximum(), 11);
        QVERIFY(!w.progressBar()->isTextVisible());
        QCOMPARE(w.statusLabel()->text(), w.flow().status());
        QVERIFY(w.updateButton()->isEnabled());
        QSignalSpy changes(&w, &Widget::deviceChange);
        // Asked first, naming the firmware and not to unplug; "No" starts nothing.
        QStringList asked;
        bool answer = false;
        w.setConfirm([&](const QString& text) { return asked << text, answer; });
        // Closing is tried right after a click has started the flash.
        QList<bool> closed;
        connect(w.updateButton(), &QPushButton::clicked, &w, [&] {
            if (w.flow().flashing())
                closed << w.close();
        });
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        const int untouched = w.progressBar()->value();
        QTest::mouseClick(w.updateButton(), Qt::LeftButton);
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().startsWith("Write firmware 1.0C to the mouse?"));
        QVERIFY(asked.first().contains("Do not unplug"));
        QCOMPARE(w.progressBar()->value(), untouched);
        QCOMPARE(w.flow().updateState(), UpdateFlow::kNormalSeen);
        answer = true;
        QTest::mouseClick(w.updateButton(), Qt::LeftButton);
        QCOMPARE(w.progressBar()->value(), 1);
        // The boot loader turns up and "Update" is clicked for it; while it is written the
        // window stays, with a message.
        QTRY_COMPARE(w.flow().status(), UpdateFlow::statusText(UpdateFlow::kSuccess));
        QCOMPARE(w.statusLabel()->text(), w.flow().status());
        QCOMPARE(closed, QList<bool>{false});
        QVERIFY(w.findChild<QMessageBox*>("closeRefused"));
        QVERIFY(changes.contains(QList<QVariant>{1}));
        QCOMPARE(w.progressBar()->value(), 11);
        QVERIFY(!w.updateButton()->isEnabled());
        // Once for the user's click: the flow's own click for the boot loader asks nothing.
        QCOMPARE(asked.size(), 2);
        QTest::mouseClick(w.exitButton(), Qt::LeftButton);
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(UpdateProcedureTest)
#include "update_procedure_test.moc"
