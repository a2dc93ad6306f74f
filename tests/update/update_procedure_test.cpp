// The update procedure against the virtual mouse, with time in the test's hands: entering
// the boot loader, the phases and their progress, retries 5 s apart, the final failure,
// the automatic update 3 s after a re-plug, and the device-change table.
#include "hid_seam.h"
#include "update_flow.h"
#include "update_rig.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>

using updater::UpdateFlow;
using updatetest::DebugLines;
using updatetest::FakeClock;
using updatetest::Mouse;

namespace {

QString text(int index) {
    return UpdateFlow::statusText(index);
}

// An UpdateFlow on a data.bin of its own, with everything it reports recorded.
struct Rig {
    explicit Rig(const std::vector<std::uint8_t>& image, bool realHotplug = true) : flow(clock) {
        path = updatetest::writeFile(dir, updatetest::dataBin(image));
        if (!realHotplug) {
            flow.setHotplugFactory([this](QObject* parent) {
                source = new hidseam::HotplugSource(parent);
                return source;
            });
        }
        QObject::connect(&flow, &UpdateFlow::progressChanged, [this](int v) { progress << v; });
        QObject::connect(&flow, &UpdateFlow::statusChanged, [this](const QString& s) {
            statuses << s;
            // The mouse may be back (and the state moved on) before the test looks.
            if (s == text(UpdateFlow::kSuccess))
                stateAtSuccess = flow.updateState();
        });
        DebugLines::install();
        DebugLines::take();
    }

    void load() { flow.load(path); }
    bool statusSeen(int index) const { return statuses.contains(text(index)); }
    // Boot-loader requests in the log, by command byte.
    static int requests(const Mouse& mouse, int command) {
        int n = 0;
        for (const auto& r : mouse.log("boot"))
            if (r.value("kind").toString() == "output" &&
                r.value("wire").toString().mid(3, 2).toInt(nullptr, 16) == command)
                ++n;
        return n;
    }

    FakeClock clock;
    QTemporaryDir dir;
    QString path;
    UpdateFlow flow;
    hidseam::HotplugSource* source = nullptr;
    QList<int> progress;
    QStringList statuses;
    int stateAtSuccess = -2;
};

QList<int> range(int from, int to) {
    QList<int> out;
    for (int v = from; v <= to; ++v)
        out << v;
    return out;
}

// The command interface's log records of one kind ("feature" / "answer").
std::vector<QJsonObject> records(const Mouse& mouse, const QString& kind) {
    std::vector<QJsonObject> out;
    for (const auto& r : mouse.log("command"))
        if (r.value("kind").toString() == kind)
            out.push_back(r);
    return out;
}

int count(const std::vector<int>& values, int value) {
    return int(std::count(values.begin(), values.end(), value));
}

} // namespace

class UpdateProcedureTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { updatetest::routeSeam(); }

    // The window shows what the mouse runs beside what data.bin holds, and the terminal
    // is told in a sentence; the mouse is asked only when the window wants to know.
    void versionsOfTheMouseAndTheFile() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Rig rig(updatetest::imageOfPages(2, 0x01, 0x0B));
        rig.flow.setAskMouseVersion(true);
        rig.load();
        QCOMPARE(rig.flow.fileVersion(), QString("1.0B"));
        QTRY_COMPARE(rig.flow.mouseVersion(), QString("1.0A"));
        QVERIFY(DebugLines::contains("The mouse runs firmware 1.0A; data.bin holds 1.0B."));
        QVERIFY(mouse.unplug());
        QTRY_VERIFY(rig.flow.mouseVersion().isEmpty());
        // Still an update like any other.
        QVERIFY(mouse.plug());
        QTRY_COMPARE(rig.flow.mouseVersion(), QString("1.0A"));
        rig.flow.updateProc();
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
    }

    void fourPages() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Rig rig(updatetest::imageOfPages(4, 0x01, 0x0B));
        rig.load();
        QCOMPARE(rig.flow.mcuInfo().pageCount, 4u);
        QCOMPARE(rig.flow.progressMaximum(), 14);
        QCOMPARE(rig.flow.updateState(), UpdateFlow::kNormalSeen);
        QCOMPARE(rig.flow.status(), text(UpdateFlow::kConnected));
        QVERIFY(rig.flow.updateEnabled());
        rig.statuses.clear();

        rig.flow.updateProc();
        QCOMPARE(rig.flow.status(), text(UpdateFlow::kEntering));
        QCOMPARE(rig.progress, QList<int>{1});
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));

        QCOMPARE(rig.progress, QList<int>{1} + range(1, 12) + QList<int>{14});
        QCOMPARE(rig.statuses, QStringList({text(3), text(1), text(4), text(5), text(6), text(7)}));
        QCOMPARE(rig.stateAtSuccess, UpdateFlow::kUpdated);
        QCOMPARE(rig.flow.retryCount(), 0);
        QVERIFY(rig.flow.exitEnabled());
        QVERIFY(!rig.flow.updateEnabled());
        // Every pause is in milliseconds: the settle wait after 0x0F, 30 ms before 0x8F, 30 ms
        // before the click, 30 ms after connecting, 100 ms after verifying, 10 ms after the
        // start choice and 50 ms after the switch.
        QCOMPARE(rig.clock.sleeps(), (std::vector<int>{64, 64, 30, 30, 30, 100, 10, 50}));
        QVERIFY(rig.clock.pendingDelays().empty());

        // The encryption question, 0x0F and 0x8F, each once.
        QCOMPARE(records(mouse, "feature").size(), std::size_t(3));
        QCOMPARE(Rig::requests(mouse, 0x10), 4); // erase
        QCOMPARE(Rig::requests(mouse, 0x21), 4); // verify
        QVERIFY(DebugLines::contains("Update Success"));

        // The mouse comes back with the new firmware; the window waits for the next one.
        QTRY_COMPARE(rig.flow.updateState(), UpdateFlow::kWaiting);
        QVERIFY(rig.flow.autoUpdate());
        QCOMPARE(rig.flow.deviceState(), 0);
        const QJsonObject fw = mouse.state().value("firmware_version").toObject();
        QCOMPARE(fw.value("a1").toInt(), 0x01);
        QCOMPARE(fw.value("a2").toInt(), 0x0B);
    }

    void lockFailureRetriesFromConnect() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Rig rig(updatetest::imageOfPages(2, 0x01, 0x0C));
        rig.load();
        QVERIFY(mouse.fault("boot-lock-fail"));
        rig.flow.updateProc();
        QTRY_COMPARE(rig.clock.pendingDelays(), std::vector<int>{5000});
        QVERIFY(DebugLines::contains("Lock Error"));
        QCOMPARE(rig.flow.retryCount(), 1);
        QCOMPARE(rig.flow.updateState(), UpdateFlow::kReady);
        QCOMPARE(rig.flow.status(), text(UpdateFlow::kVerifying));
        QVERIFY(!rig.flow.updateEnabled());
        QVERIFY(!rig.flow.exitEnabled());
        QCOMPARE(mouse.mode(), QString("boot-loader"));

        mouse.clearLog();
        rig.progress.clear();
        QVERIFY(rig.clock.fireNext());
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
        QCOMPARE(rig.flow.retryCount(), 0);
        const auto boot = mouse.log("boot");
        QVERIFY(!boot.empty());
        QCOMPARE(boot.front().value("note").toString(), QString("connect"));
        QCOMPARE(Rig::requests(mouse, 0x10), 2);
        QCOMPARE(rig.progress, range(1, 6) + QList<int>{8});
    }

    void threeFailuresEndTheUpdate() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Rig rig(updatetest::imageOfPages(2, 0x01, 0x0C));
        rig.load();
        QVERIFY(mouse.fault("boot-verify-fail", 100));
        rig.flow.updateProc();
        QTRY_COMPARE(rig.clock.pendingDelays(), std::vector<int>{5000});
        QVERIFY(rig.clock.fireNext());
        QTRY_COMPARE(rig.clock.pendingDelays(), std::vector<int>{5000});
        QCOMPARE(rig.flow.retryCount(), 2);
        QVERIFY(!rig.flow.exitEnabled());
        QVERIFY(rig.clock.fireNext());

        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kFail));
        QCOMPARE(rig.flow.updateState(), UpdateFlow::kNotReady);
        QVERIFY(rig.flow.exitEnabled());
        QVERIFY(!rig.flow.updateEnabled());
        QVERIFY(!rig.flow.autoUpdate());
        QVERIFY(rig.clock.pendingDelays().empty());
        const QStringList lines = DebugLines::take();
        QCOMPARE(lines.count("Verify Error"), 3);
        QCOMPARE(lines.count("Update fail"), 1);
        // A failed verify still waits its 100 ms before giving up.
        QCOMPARE(count(rig.clock.sleeps(), 100), 3);

        // Nothing moves it any more: neither clicks nor the mouse coming and going.
        mouse.clearLog();
        rig.flow.updateProc();
        QVERIFY(mouse.unplug());
        QVERIFY(mouse.plug());
        QTRY_COMPARE(rig.flow.deviceState(), 1);
        rig.flow.updateProc();
        QCOMPARE(rig.flow.updateState(), UpdateFlow::kNotReady);
        QCOMPARE(rig.flow.status(), text(UpdateFlow::kFail));
        QVERIFY(mouse.log("boot").empty());
        QVERIFY(rig.clock.pendingDelays().empty());
    }

    void bootLoaderAlreadyThere() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        Rig rig(updatetest::imageOfPages(3, 0x01, 0x0D));
        rig.load();
        QCOMPARE(rig.flow.deviceState(), 1);
        QCOMPARE(rig.flow.updateState(), UpdateFlow::kReady);
        QCOMPARE(rig.flow.status(), text(UpdateFlow::kReadyToUpdate));
        QVERIFY(rig.flow.updateEnabled());
        // Waits for the click.
        QTest::qWait(50);
        QVERIFY(mouse.log("boot").empty());
        QVERIFY(rig.progress.isEmpty());

        rig.flow.updateProc();
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
        QCOMPARE(rig.progress, range(1, 9) + QList<int>{11});
        QVERIFY(mouse.waitForMode("normal"));
        QCOMPARE(mouse.state().value("firmware_version").toObject().value("a2").toInt(), 0x0D);
    }

    void unplugWhileProgrammingThenRetry() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Rig rig(updatetest::imageOfPages(4, 0x01, 0x0E));
        rig.load();
        // Pulled out while the third page is programmed (a page takes 11 requests).
        QVERIFY(mouse.fault("boot-vanish-program", 23));
        rig.flow.updateProc();
        QTRY_COMPARE(rig.clock.pendingDelays(), std::vector<int>{5000});
        QVERIFY(rig.progress.contains(4 + 2));
        QVERIFY(!rig.progress.contains(4 + 3));
        QVERIFY(DebugLines::contains("Program Error"));
        QTRY_COMPARE(rig.flow.deviceState(), -1);

        // Plugged in again it comes up in its boot loader: the program was never started.
        QVERIFY(mouse.plug());
        QCOMPARE(mouse.mode(), QString("boot-loader"));
        QTRY_COMPARE(rig.flow.deviceState(), 1);
        QCOMPARE(rig.flow.updateState(), UpdateFlow::kReady);
        QVERIFY(rig.clock.fireNext());
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
        QVERIFY(mouse.waitForMode("normal"));
        QCOMPARE(mouse.state().value("firmware_version").toObject().value("a2").toInt(), 0x0E);
    }

    void callsDuringAStepAreIgnored() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Rig rig(updatetest::imageOfPages(2, 0x01, 0x13));
        rig.load();
        // A click or a timer reaching updateProc() while pages are being erased.
        int nested = 0;
        QObject::connect(&rig.flow, &UpdateFlow::progressChanged, [&](int value) {
            if (value == 2 && nested++ == 0)
                rig.flow.updateProc();
        });
        rig.flow.updateProc();
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
        QCOMPARE(rig.progress, QList<int>{1} + range(1, 6) + QList<int>{8});
        QCOMPARE(Rig::requests(mouse, 0x01), 1); // one Connect: no second attempt inside
    }

    void replugStartsTheNextUpdate_data() {
        QTest::addColumn<QStringList>("mouseArgs");
        QTest::newRow("plain") << QStringList{};
        // The second mouse is asked afresh, not with the cipher the first one switched on.
        QTest::newRow("encrypted") << QStringList{"--encrypted", "--code", "735190"};
    }

    void replugStartsTheNextUpdate() {
        QFETCH(QStringList, mouseArgs);
        Mouse mouse(mouseArgs);
        QVERIFY(mouse.started());
        Rig rig(updatetest::imageOfPages(2, 0x02, 0x01));
        rig.load();
        rig.flow.updateProc();
        QTRY_COMPARE(rig.flow.updateState(), UpdateFlow::kWaiting);
        QVERIFY(rig.flow.autoUpdate());

        QVERIFY(mouse.unplug());
        QTRY_COMPARE(rig.flow.deviceState(), -1);
        rig.statuses.clear();
        mouse.clearLog();
        QVERIFY(mouse.plug());
        QTRY_COMPARE(rig.flow.updateState(), UpdateFlow::kNormalSeen);
        // No click needed, and none offered: the update starts 3 s later by itself.
        QCOMPARE(rig.clock.pendingDelays(), std::vector<int>{3000});
        QVERIFY(!rig.flow.updateEnabled());
        QVERIFY(rig.statuses.isEmpty());
        QVERIFY(mouse.log("command").empty());

        QVERIFY(rig.clock.fireNext());
        QCOMPARE(rig.flow.status(), text(UpdateFlow::kEntering));
        QVERIFY(!rig.flow.autoUpdate());
        // The new mouse is asked whether it enciphers before it is sent to its boot loader.
        QTRY_VERIFY(records(mouse, "feature").size() >= 2);
        const auto sent = records(mouse, "feature");
        QCOMPARE(sent[0].value("wire").toString(), QString("00 00 00 00 00 00 00 00 FF"));
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
        QCOMPARE(rig.statuses.count(text(UpdateFlow::kSuccess)), 1);
    }

    void waitingForTheMouseInNormalMode() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Rig rig(updatetest::imageOfPages(2, 0x01, 0x10));
        rig.load();
        QVERIFY(mouse.unplug());
        QTRY_COMPARE(rig.flow.deviceState(), -1);
        mouse.clearLog();
        rig.flow.updateProc();
        rig.flow.updateProc();
        // One call 5 s later stands for both clicks.
        QCOMPARE(rig.clock.pendingDelays(), std::vector<int>{5000});
        QVERIFY(mouse.log().empty());
        QVERIFY(rig.clock.fireNext());
        QTRY_COMPARE(rig.clock.pendingDelays(), std::vector<int>{5000});
        QVERIFY(mouse.plug());
        QTRY_COMPARE(rig.flow.deviceState(), 0);
        QVERIFY(rig.clock.fireNext());
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
    }

    void mouseRefusingTheBootLoader() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Rig rig(updatetest::imageOfPages(2, 0x01, 0x11));
        rig.load();
        // The encryption check and all four tries of 0x0F and 0x8F fail to send.
        QVERIFY(mouse.fault("send-feature", 9));
        rig.flow.updateProc();
        QTRY_VERIFY(!rig.flow.busy());
        QCOMPARE(count(rig.clock.sleeps(), 300), 3);
        QCOMPARE(rig.flow.updateState(), UpdateFlow::kNormalSeen);
        QCOMPARE(rig.flow.status(), text(UpdateFlow::kEntering));
        QVERIFY(rig.flow.updateEnabled());
        QVERIFY(rig.clock.pendingDelays().empty());
        int entries = 0;
        for (const auto& r : records(mouse, "feature"))
            entries += r.value("wire").toString().startsWith("00 0F");
        QCOMPARE(entries, 4);
        QCOMPARE(mouse.mode(), QString("normal"));

        // "Update" runs the entry again.
        rig.flow.updateProc();
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
    }

    void rebootBeforeReadBackStillUpdates() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Rig rig(updatetest::imageOfPages(2, 0x01, 0x14));
        rig.load();
        // The mouse restarts before it confirms, so the entry step goes on retrying while
        // the boot loader turns up and "Update" is clicked for it: that click must wait
        // for the step, not be lost.
        std::atomic<bool> ready{false};
        QObject::connect(&rig.flow, &UpdateFlow::statusChanged, [&](const QString& s) {
            if (s == text(UpdateFlow::kReadyToUpdate))
                ready = true;
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
        QCOMPARE(Rig::requests(mouse, 0x01), 1);
    }

    void bootLoaderThatNeverComesEndsTheUpdate() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Rig rig(updatetest::imageOfPages(2, 0x01, 0x15));
        rig.load();
        rig.flow.setBootReturnMs(300);
        QVERIFY(mouse.fault("boot-no-return"));
        rig.flow.updateProc();
        QTRY_COMPARE(rig.flow.status(), UpdateFlow::bootReturnFailText());
        QCOMPARE(rig.flow.updateState(), UpdateFlow::kWaiting);
        QVERIFY(rig.flow.exitEnabled());
        // Plugged in again, the mouse can be updated as if new.
        QVERIFY(mouse.plug());
        QTRY_VERIFY(rig.flow.updateEnabled());
        rig.flow.updateProc();
        QTRY_COMPARE(rig.flow.status(), text(UpdateFlow::kSuccess));
    }

    void bootLoaderEntryInBootLoaderModeSendsNothing() {
        FakeClock clock;
        updater::Hid_Thread hid(clock);
        hid.setCurrentDevice(1);
        QVERIFY(hid.enterBootLoader());
        QVERIFY(hid.enterBootLoader());
        QVERIFY(clock.sleeps().empty());
    }

    void deviceChangeTable_data() {
        QTest::addColumn<int>("update");
        QTest::addColumn<int>("device");
        QTest::addColumn<bool>("autoFlag");
        QTest::addColumn<int>("updateAfter");
        QTest::addColumn<int>("statusAfter"); // -1: unchanged
        QTest::addColumn<bool>("enabledAfter");
        QTest::addColumn<bool>("autoAfter");
        QTest::addColumn<int>("pending"); // the delayed call asked for, 0 for none

        QTest::newRow("not ready, normal") << -1 << 0 << false << -1 << -1 << false << false << 0;
        QTest::newRow("not ready, boot") << -1 << 1 << false << -1 << -1 << false << false << 0;
        QTest::newRow("waiting, none") << 0 << -1 << false << 0 << -1 << false << false << 0;
        QTest::newRow("waiting, normal") << 0 << 0 << false << 1 << 0 << true << false << 0;
        QTest::newRow("waiting, normal, auto")
            << 0 << 0 << true << 1 << -1 << false << true << 3000;
        QTest::newRow("waiting, boot") << 0 << 1 << false << 2 << 1 << true << false << 0;
        QTest::newRow("normal seen, normal") << 1 << 0 << false << 1 << -1 << false << false << 0;
        QTest::newRow("normal seen, none") << 1 << -1 << false << 1 << -1 << false << false << 0;
        // Clicked at once: with no boot loader to connect to, the attempt fails.
        QTest::newRow("normal seen, boot") << 1 << 1 << false << 2 << 1 << false << false << 5000;
        QTest::newRow("ready, normal") << 2 << 0 << false << 2 << -1 << false << false << 0;
        QTest::newRow("ready, boot") << 2 << 1 << false << 2 << -1 << false << false << 0;
        QTest::newRow("updated, normal") << 3 << 0 << false << 0 << -1 << false << true << 0;
        QTest::newRow("updated, boot") << 3 << 1 << false << 3 << -1 << false << false << 0;
        QTest::newRow("updated, none") << 3 << -1 << false << 3 << -1 << false << false << 0;
    }

    void deviceChangeTable() {
        QFETCH(int, update);
        QFETCH(int, device);
        QFETCH(bool, autoFlag);
        QFETCH(int, updateAfter);
        QFETCH(int, statusAfter);
        QFETCH(bool, enabledAfter);
        QFETCH(bool, autoAfter);
        QFETCH(int, pending);

        // No mouse at all: the states are set by hand.
        Rig rig(updatetest::imageOfPages(2, 1, 0), false);
        rig.load();
        QCOMPARE(rig.flow.updateState(), UpdateFlow::kWaiting);
        QCOMPARE(rig.flow.status(), text(UpdateFlow::kDisconnect));
        rig.statuses.clear();
        DebugLines::take();

        rig.flow.forceStates(update, device, autoFlag);
        rig.flow.deviceChangeProc(device);
        QTRY_VERIFY(!rig.flow.busy());
        QCOMPARE(rig.flow.updateState(), updateAfter);
        QCOMPARE(rig.statuses.isEmpty() ? QString() : rig.statuses.first(),
                 statusAfter < 0 ? QString() : text(statusAfter));
        QCOMPARE(rig.flow.updateEnabled(), enabledAfter);
        QCOMPARE(rig.flow.autoUpdate(), autoAfter);
        QCOMPARE(rig.clock.pendingDelays(),
                 pending ? std::vector<int>{pending} : std::vector<int>{});
        QVERIFY(DebugLines::take().contains(QString("Device %1 %2").arg(device).arg(update)));
    }

    void removalAlwaysReportsNoMouse() {
        Mouse mouse;
        QVERIFY(mouse.started());
        Rig rig(updatetest::imageOfPages(2, 1, 0), false);
        rig.load();
        QVERIFY(rig.source);
        QCOMPARE(rig.flow.deviceState(), 0);
        QSignalSpy changes(&rig.flow, &UpdateFlow::deviceChange);
        // Any interface going away counts, even with the mouse still there.
        emit rig.source->deviceRemoved("/dev/hidraw9");
        emit rig.source->deviceRemoved("/dev/hidraw9");
        QTRY_COMPARE(changes.count(), 2);
        QCOMPARE(changes.at(0).at(0).toInt(), -1);
        QCOMPARE(changes.at(1).at(0).toInt(), -1);
        QCOMPARE(rig.flow.deviceState(), -1);
        emit rig.source->deviceAdded("/dev/hidraw9");
        QTRY_COMPARE(changes.count(), 3);
        QCOMPARE(changes.at(2).at(0).toInt(), 0);
        // Arrivals that change nothing are not reported.
        emit rig.source->deviceAdded("/dev/hidraw10");
        QTest::qWait(20);
        QCOMPARE(changes.count(), 3);
        QCOMPARE(rig.flow.hid().deviceTable()[0].path,
                 QString("virtual-mouse/04d9:a26b/command/1"));
    }
};

QTEST_GUILESS_MAIN(UpdateProcedureTest)
#include "update_procedure_test.moc"
