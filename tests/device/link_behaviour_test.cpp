// Discovery, the secrecy handshake, the device worker's order and bounds, what failures
// leave behind, and the notification listener (DPI balloons, odd reports, stop, removal).
#include "client/vmouse_client.h"
#include "device/device_fixture.h"
#include "device/device_handover.h"

#include <QJsonArray>
#include <QTest>

using devicetest::DebugLines;
using devicetest::Rig;
using Bytes = std::vector<unsigned char>;

class LinkBehaviourTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Rig> faultRig_;
    // An accepted, listening mouse with the acceptance balloon forgotten.
    static void listen(Rig& rig) {
        rig.hid->discoverNow();
        QVERIFY(rig.hid->isListening());
        rig.balloons.clear();
    }
    static QString lastBalloon(Rig& rig) { return rig.balloons.last().at(1).toString(); }

  private slots:
    void cleanupTestCase() { faultRig_.reset(); }

    void discovery_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("accepted");
        const auto row = [](const char* name, QStringList args, QString code, bool accepted) {
            QTest::newRow(name) << args << code << accepted;
        };
        row("shipped mouse", {"--fw-version", "1b.05"}, {}, true);
        row("unplugged", {"unplugged"}, {}, false);
        row("no notification interface", {"--without-notify"}, {}, false);
        row("the mouse's code", {"--encrypted", "--code", "112233"}, "112233", true);
        row("another code", {"--encrypted", "--code", "112233"}, "735190", false);
        row("t-beacon", {"unplugged"}, "t-beacon", false);
    }

    void discovery() {
        QFETCH(QStringList, args);
        QFETCH(QString, code);
        QFETCH(bool, accepted);
        const bool unplugged = args.removeAll("unplugged") > 0;
        const bool encrypted = args.contains("--encrypted");
        Rig rig(args, code);
        QCOMPARE(rig.hid->currentDeviceIndex(), 1u);
        if (unplugged)
            QCOMPARE(rig.mouse.ctl({"unplug"}), 0);
        rig.hid->discoverNow(encrypted ? devicetest::encryptedRegistry(rig.dir) : ":/DevInfo.ini");
        const DeviceTable table = rig.hid->deviceTable();
        // Accepted: the pages run, the view is enabled, the user is told, the listener runs.
        // Rejected: the window hides. The t-beacon code does neither and turns the link off.
        const bool beacon = code == "t-beacon";
        QCOMPARE(rig.runs.count(), accepted ? 1 : 0);
        QCOMPARE(rig.hides.count(), accepted || beacon ? 0 : 1);
        QCOMPARE(bool(rig.hid->linkState().deviceAccepted), accepted || beacon);
        QCOMPARE(bool(rig.hid->linkState().linkDisabled), beacon);
        QCOMPARE(rig.hid->isListening(), accepted);
        QVERIFY(rig.waitFree());
        const auto features = rig.mouse.log("feature");
        if (!accepted && !encrypted) {
            // Nothing found: every entry without paths, the index where it was, nothing sent.
            QCOMPARE(table.size(), 2);
            for (const DeviceEntry& e : table)
                QVERIFY(e.commandPath.isEmpty() && e.notifyPath.isEmpty());
            QCOMPARE(rig.hid->currentDeviceIndex(), 1u);
            QVERIFY(features.empty());
        }
        if (beacon) {
            // From now on nothing goes out, even with the mouse back.
            QCOMPARE(rig.mouse.ctl({"plug"}), 0);
            rig.hid->discoverNow();
            uchar rate = 7;
            rig.hid->hid_81H_GetReportRate(rate);
            QCOMPARE(rate, uchar(7));
            rig.hid->hid_01H_SetReportRate(4);
            QVERIFY(rig.waitFree());
            QVERIFY(rig.mouse.log().empty());
        }
        if (!accepted)
            return;
        QCOMPARE(table.size(), 1);
        QCOMPARE(table[0].productName, QString("Mouse A"));
        QCOMPARE(rig.hid->currentDeviceIndex(), 0u);
        QCOMPARE(rig.views.at(0).at(0).toBool(), true);
        QCOMPARE(rig.balloons.at(0).at(1).toString(), QString("Detect Mouse!"));
        // The secrecy command, then the keyboard option before the listener starts.
        QCOMPARE(int(features.size()), 2);
        QVERIFY(features[0].value("plain").toString().startsWith("00 00 "));
        QCOMPARE(features[1].value("plain").toString(), QString("00 03 00 0F 9E 45 00 00 0A"));
        if (encrypted) {
            // A code that is not six characters long leaves the one in use: still accepted.
            for (const char* odd : {"12345", "1234567"}) {
                rig.apConfig.setValue("common/sCode0", odd);
                rig.hid->stopListener();
                rig.hid->chkDeviceIsEnCode();
            }
            QCOMPARE(rig.runs.count(), 3);
        } else {
            // a1 in lower-case hex, a2 as two upper-case digits.
            QString version;
            QVERIFY(rig.hid->hid_80H_GetFWVersion(version));
            QCOMPARE(version, QString("1b.05"));
        }
    }

    void queueKeepsOrderAndBoundsGetters() {
        Rig rig({}, QString(), 30);
        QVERIFY(rig.acceptQuietly());
        uchar block[64] = {};
        {
            // The worker stays in the first write until the gate opens.
            std::lock_guard hold(rig.pauses.gate);
            rig.hid->hid_12H_SetKeyMatrix(block, 1);
            rig.hid->hid_01H_SetReportRate(8);
            QVERIFY(!rig.hid->isLinkFree());
            // A getter behind them gives up and keeps what its caller had.
            uchar rate = 3;
            QVERIFY(!rig.hid->hid_81H_GetReportRate(rate));
            QCOMPARE(rate, uchar(3));
            QVERIFY(DebugLines::take().contains("cmd Failed"));
        }
        // The next one reads what the writes queued before it set. Its turn is bounded by
        // the short wait of this rig, so it asks once they are through: under a loaded
        // machine (the sanitizer runs) two writes may take longer than that bound.
        QVERIFY(rig.waitFree());
        uchar rate = 0;
        QVERIFY(rig.hid->hid_81H_GetReportRate(rate));
        QCOMPARE(rate, uchar(8));
        const auto features = rig.mouse.log("feature");
        QCOMPARE(int(features.size()), 3); // the abandoned read never went out
        QVERIFY(features[0].value("wire").toString().startsWith("00 12 01 40 08"));
        QVERIFY(features[1].value("wire").toString().startsWith("00 01 08"));
        QVERIFY(features[2].value("wire").toString().startsWith("00 81"));
    }

    void quittingDrainsQueuedWrites() {
        Rig rig;
        QVERIFY(rig.acceptQuietly());
        uchar block[128] = {1, 2, 3};
        for (uchar id = 1; id <= 3; ++id)
            rig.hid->hid_13H_SetMacroKey(id, block);
        rig.hid->hid_0BH_SetCurrentDPIStage(2);
        // Gone while the writes run: the rest still reaches the mouse, in order.
        rig.hid.reset();
        const auto features = rig.mouse.log("feature");
        QCOMPARE(int(features.size()), 4);
        QVERIFY(features[3].value("wire").toString().startsWith("00 0B 02"));
        QCOMPARE(rig.mouse.state().value("open_handles").toInt(), 0);
    }

    void failuresEndTransfersCleanly_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("command");
        const auto row = [](const char* name, const char* fault, const char* command) {
            QTest::newRow(name) << QString(fault) << QString(command);
        };
        row("send-feature on a getter", "send-feature", "87");
        row("get-feature on a getter", "get-feature", "87");
        row("read on a bulk getter", "read", "91");
        row("stall on a bulk getter", "stall-read", "91");
        row("vanish in a bulk read", "vanish-bulk", "93");
        row("send-feature on a setter", "send-feature", "12");
        row("write on a bulk setter", "write", "12");
        row("vanish in a bulk write", "vanish-bulk", "12");
        row("garbage answer", "garbage", "80");
        row("unplugged", "unplug", "presets");
        // This mouse answers the keyboard family's 0x8D with its lighting: no block follows,
        // and the bulk read's bound ends the transfer.
        row("lighting answer to 8D", "", "8D");
    }

    void failuresEndTransfersCleanly() {
        QFETCH(QString, fault);
        QFETCH(QString, command);
        // One mouse for every row, plugged back and accepted again before each.
        if (!faultRig_)
            faultRig_ = std::make_unique<Rig>();
        Rig& rig = *faultRig_;
        QVERIFY(vmouse::client::clearFaults() && vmouse::client::plug());
        rig.runs.clear();
        QVERIFY(rig.acceptQuietly());
        QSignalSpy failed(rig.hid.get(), &Hid_Thread::sendFailed);
        QVERIFY(fault.isEmpty() ||
                (fault == "unplug" ? vmouse::client::unplug()
                                   : vmouse::client::fault(fault.toStdString(), 1)));
        uchar block[512];
        std::fill(std::begin(block), std::end(block), uchar(0xEE));
        uchar a = 1, b = 2, c = 3;
        if (command == "87") {
            QVERIFY(!rig.hid->hid_87H_GetLEDInstructFunction(1, a, b, c));
        } else if (command == "80") {
            // Noise is a failed read, never a value; the next query is answered again.
            QString version = "kept";
            QVERIFY(!rig.hid->hid_80H_GetFWVersion(version));
            QCOMPARE(version, QString("unknown"));
            QVERIFY(rig.hid->hid_80H_GetFWVersion(version));
            QCOMPARE(version, QString("1.0A"));
        } else if (command == "91") {
            QVERIFY(!rig.hid->hid_91H_GetDPISet(a, block));
        } else if (command == "93") {
            QVERIFY(!rig.hid->hid_93H_GetMacroKey(1, block));
            // The first report arrived before the mouse vanished; the rest is the caller's.
            QCOMPARE(block[1], uchar(0x01));
            QCOMPARE(block[127], uchar(0xEE));
        } else if (command == "8D") {
            QVERIFY(!rig.hid->hid_8DH_GetKeyMatrix(block));
            QCOMPARE(block[0], uchar(0xEE));
            QCOMPARE(int(rig.mouse.log("timeout").size()), 1);
        } else if (command == "presets") {
            // Failed getters leave what their callers had, except the DPI stage, which reads
            // 0, and the version, which reads "unknown".
            uchar rate = 5, stage = 4, maxStage = 6;
            QString version = "before";
            QVERIFY(!rig.hid->hid_81H_GetReportRate(rate));
            rig.hid->hid_8BH_GetCurrentDPIStage(stage);
            QVERIFY(!rig.hid->hid_91H_GetDPISet(maxStage, block));
            QVERIFY(!rig.hid->hid_87H_GetLEDInstructFunction(0, a, b, c));
            QVERIFY(!rig.hid->hid_92H_GetKeyMatrix(block + 8));
            rig.hid->hid_80H_GetFWVersion(version);
            QCOMPARE(Bytes({rate, stage, maxStage, block[7], a, block[71]}),
                     Bytes({5, 0, 6, 0xEE, 1, 0xEE}));
            QCOMPARE(version, QString("unknown"));
            // The path that failed to open stays cleared until the next discovery.
            QVERIFY(rig.hid->deviceTable()[0].commandPath.isEmpty());
        } else if (command == "12") {
            // A failed setter tells its caller, once, with its code.
            rig.hid->hid_12H_SetUserPicture(1, 0, block);
            QVERIFY(rig.waitFree());
            QCOMPARE(failed.count(), 1);
            QCOMPARE(failed.at(0).at(0).toInt(), 0x12);
            QCOMPARE(DebugLines::take().filter("cmd Failed 12").size(), 1);
            QVERIFY(rig.mouse.log("output").size() < 16);
        }
        QVERIFY(rig.waitFree());
        // No handle stays open after a failed transfer.
        QTRY_COMPARE(rig.mouse.state().value("open_handles").toInt(), 0);
    }

    // A mouse that does not even repeat the code passes the echo (its code is 0) but no
    // getter takes its answers for values.
    void answersWithoutTheCode() {
        Rig rig({"--answers", "uncoded"});
        QVERIFY(rig.acceptQuietly());
        uchar rate = 5, stage = 4, maxStage = 6;
        uchar dpi[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        QString version;
        QVERIFY(!rig.hid->hid_81H_GetReportRate(rate));
        QVERIFY(!rig.hid->hid_8BH_GetCurrentDPIStage(stage));
        QVERIFY(!rig.hid->hid_91H_GetDPISet(maxStage, dpi));
        QVERIFY(!rig.hid->hid_80H_GetFWVersion(version));
        QCOMPARE(Bytes({rate, stage, maxStage, dpi[0]}), Bytes({5, 0, 6, 1}));
        QCOMPARE(version, QString("unknown"));
        QVERIFY(rig.waitFree());
    }

    // The updater gets the mouse only once everything queued has reached it; while it has
    // the mouse the link sends nothing, and it comes back once the updater let go.
    void handOverToTheUpdater() {
        Rig rig;
        QVERIFY(rig.acceptQuietly());
        rig.hid->startListener(rig.hid->currentDeviceIndex());
        QVERIFY(rig.waitFree());
        DeviceHandover handover(*rig.hid);
        handover.claim();
        runtimedir::DeviceLock updater(hidseam::deviceKey());
        QVERIFY(!updater.tryTake());
        uchar macro[128] = {0x00, 0x01, 0x04, 0x84};
        QSignalSpy handedOver(&handover, &DeviceHandover::handedOver);
        {
            std::lock_guard hold(rig.pauses.gate); // the worker stays in the first write
            for (uchar id = 1; id <= 3; ++id)
                rig.hid->hid_13H_SetMacroKey(id, macro);
            handover.handOver(50);
            QVERIFY(handover.handingOver()); // the caller did not wait
            QVERIFY(handedOver.wait(5000));
            // Not drained in time: nothing handed over, the listener back.
            QCOMPARE(handedOver.last().value(0).toBool(), false);
            QVERIFY(!handover.away() && !updater.tryTake());
            QVERIFY(rig.hid->isListening());
        }
        handover.handOver();
        QVERIFY(handedOver.wait(15000));
        QCOMPARE(handedOver.last().value(0).toBool(), true);
        QVERIFY(!rig.hid->isListening());
        const QJsonArray stored = rig.mouse.state().value("macros").toArray();
        for (int slot = 0; slot < 3; ++slot)
            QVERIFY(stored.at(slot).toString().startsWith("00 01 04 84 00"));
        QVERIFY(updater.tryTake());
        QSignalSpy failed(rig.hid.get(), &Hid_Thread::sendFailed);
        rig.mouse.clearLog();
        rig.hid->hid_01H_SetReportRate(2);
        rig.hid->discoverNow();
        QVERIFY(rig.waitFree());
        QCOMPARE(failed.count(), 1);
        QVERIFY(rig.mouse.log().empty());
        QCOMPARE(rig.runs.count(), 1);
        // Still ours while it runs and holds the mouse; back, and accepted again, once free.
        QSignalSpy back(&handover, &DeviceHandover::returned);
        handover.watch(QCoreApplication::applicationPid());
        handover.poll();
        QVERIFY(handover.away());
        updater.release();
        QTRY_COMPARE(back.count(), 1);
        QTRY_COMPARE(rig.runs.count(), 2); // discovery runs on the worker
        QVERIFY(!updater.tryTake());
    }

    void dpiNotificationsShowTheirStage() {
        Rig rig;
        listen(rig);
        DpiNotices& link = rig.notices;
        link.setStageDpi(0, 800);
        link.setStageDpi(2, 1600);
        link.setStageDpi(6, 3500);
        link.setStageDpi(7, 4000);
        // Balloons are raised on the thread that owns the link, never on the listener's.
        QThread* raisedOn = nullptr;
        connect(
            rig.hid.get(), &Hid_Thread::balloonRequested, this,
            [&] { raisedOn = QThread::currentThread(); }, Qt::DirectConnection);
        QCOMPARE(rig.mouse.ctl({"dpi-button", "3"}), 0);
        QTRY_COMPARE(rig.balloons.count(), 1);
        QCOMPARE(rig.balloons.at(0), (QList<QVariant>{"Info", "DPI Switch to 1600", 1, 10000}));
        QCOMPARE(raisedOn, QThread::currentThread());
        // Stages 7 and 8 share the seventh caption; a language can replace them.
        link.setTexts({"caption1", "caption2", "caption3", "caption4", "caption5", "caption6",
                       "caption7", "caption8"});
        QCOMPARE(rig.mouse.ctl({"dpi-button", "8"}), 0);
        QTRY_COMPARE(rig.balloons.count(), 2);
        QCOMPARE(lastBalloon(rig), QString("caption7 4000"));
        QCOMPARE(rig.mouse.ctl({"dpi-button", "7"}), 0);
        QTRY_COMPARE(rig.balloons.count(), 3);
        QCOMPARE(lastBalloon(rig), QString("caption7 3500"));
        // Other reports show nothing: the real one after them brings the next balloon.
        for (const auto& odd :
             {QStringList{"06", "08", "00", "03"}, QStringList{"06", "07", "00"},
              QStringList{"06", "07", "00", "09"}, QStringList{"06", "07", "00", "00"}})
            QCOMPARE(rig.mouse.ctl(QStringList{"notify"} + odd), 0);
        QCOMPARE(rig.mouse.ctl({"dpi-button", "1"}), 0);
        QTRY_COMPARE(rig.balloons.count(), 4);
        QCOMPARE(lastBalloon(rig), QString("caption1 800"));
        QCOMPARE(int(rig.mouse.log("input").size()), 8);
    }

    void stopAndRemoval() {
        Rig rig;
        listen(rig);
        rig.hid->stopListener();
        QVERIFY(!rig.hid->isListening());
        // A report that comes now stays unread: the daemon answers the state query after
        // it has handed the report to any reader there was.
        QCOMPARE(rig.mouse.ctl({"dpi-button", "2"}), 0);
        QTRY_COMPARE(rig.mouse.state().value("open_handles").toInt(), 0);
        QVERIFY(rig.mouse.log("input").empty());
        // The next listener finds it.
        rig.hid->startListener(0);
        QTRY_COMPARE(rig.balloons.count(), 1);
        // A failed read is not a removal: the interface still opens, and listening goes on.
        rig.views.clear();
        QCOMPARE(rig.mouse.ctl({"fault", "read", "3"}), 0);
        int failedReads = 0;
        QTRY_VERIFY((failedReads += DebugLines::take().count("notification read failed")) >= 3);
        QCOMPARE(rig.mouse.ctl({"dpi-button", "3"}), 0);
        QTRY_COMPARE(rig.balloons.count(), 2);
        QVERIFY(rig.hid->isListening());
        QVERIFY(rig.views.isEmpty());
        // The hot-plug source saw it leave: a removal, however fast it came back.
        rig.hid->deviceLeft("/elsewhere");
        rig.hid->deviceLeft(rig.hid->deviceTable()[0].commandPath);
        QTRY_VERIFY(!rig.hid->isListening());
        QCOMPARE(rig.views.count(), 1);
        rig.hid->discoverNow();
        QVERIFY(rig.hid->isListening());
        // Removal: the listener ends and the view goes off, but it is not a rejection.
        rig.views.clear();
        QCOMPARE(rig.mouse.ctl({"unplug"}), 0);
        QTRY_VERIFY(!rig.hid->isListening());
        QTRY_COMPARE(rig.views.count(), 1);
        QCOMPARE(rig.views.at(0).at(0).toBool(), false);
        QVERIFY(DebugLines::contains("Device removed"));
        QVERIFY(rig.hid->deviceTable()[0].notifyPath.isEmpty());
        QVERIFY(rig.hid->linkState().deviceAccepted);
        QCOMPARE(rig.hides.count(), 0);
    }
};

QTEST_GUILESS_MAIN(LinkBehaviourTest)
#include "link_behaviour_test.moc"
