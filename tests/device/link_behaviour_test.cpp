// Discovery, the secrecy handshake, the device worker's order and bounds, and what
// failures leave behind.
#include "device_fixture.h"
#include "vmouse_client.h"

#include <QTest>

using devicetest::DebugLines;
using devicetest::Rig;
using Bytes = std::vector<unsigned char>;

class LinkBehaviourTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Rig> faultRig_;

  private slots:
    void cleanupTestCase() { faultRig_.reset(); }
    void discoveryAcceptsTheShippedMouse();
    void discoveryRejects_data();
    void discoveryRejects();
    void handshake_data();
    void handshake();
    void tBeaconSwitchesTheLinkOff();
    void queueKeepsOrderAndBoundsGetters();
    void quittingDrainsQueuedWrites();
    void failedGettersLeaveTheirPresets();
    void failuresEndTransfersCleanly_data();
    void failuresEndTransfersCleanly();
};

void LinkBehaviourTest::discoveryAcceptsTheShippedMouse() {
    Rig rig({"--fw-version", "1b.05"});
    QCOMPARE(rig.hid->currentDeviceIndex(), 1u);
    rig.discover();
    const DeviceTable table = rig.hid->deviceTable();
    QCOMPARE(table.size(), 1);
    QCOMPARE(table[0].productName, QString("Mouse A"));
    QCOMPARE(table[0].reportLength, 32);
    QVERIFY(table[0].commandPath.contains("/command/") && table[0].notifyPath.contains("/notify/"));
    QCOMPARE(rig.hid->currentDeviceIndex(), 0u);
    // Accepted: the pages run, the view is enabled, the user is told, the listener runs
    // after the keyboard-option command.
    QCOMPARE(rig.runs.count(), 1);
    QCOMPARE(rig.views.at(0).at(0).toBool(), true);
    QCOMPARE(rig.balloons.at(0).at(1).toString(), QString("Detect Mouse!"));
    QCOMPARE(rig.hides.count(), 0);
    QVERIFY(LinkState::instance().deviceAccepted && rig.hid->isListening());
    QVERIFY(rig.waitFree());
    const auto features = rig.mouse.log("feature");
    QCOMPARE(int(features.size()), 2);
    QVERIFY(features[0].value("wire").toString().startsWith("00 00 "));
    QCOMPARE(features[1].value("wire").toString(), QString("00 03 00 0F 9E 45 00 00 0A"));
    // a1 in lower-case hex, a2 as two upper-case digits.
    QString version;
    QVERIFY(rig.hid->hid_80H_GetFWVersion(version));
    QCOMPARE(version, QString("1b.05"));
}

void LinkBehaviourTest::discoveryRejects_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unplugged") << QStringList{};
    QTest::newRow("no notification interface") << QStringList{"--without-notify"};
}

void LinkBehaviourTest::discoveryRejects() {
    QFETCH(QStringList, args);
    Rig rig(args);
    if (args.isEmpty())
        QCOMPARE(rig.mouse.ctl({"unplug"}), 0);
    rig.discover();
    const DeviceTable table = rig.hid->deviceTable();
    QCOMPARE(table.size(), 2);
    for (const DeviceEntry& e : table)
        QVERIFY(e.commandPath.isEmpty() && e.notifyPath.isEmpty());
    QCOMPARE(rig.hid->currentDeviceIndex(), 1u);
    // Rejected: the window hides and nothing was sent.
    QCOMPARE(rig.hides.count(), 1);
    QCOMPARE(rig.runs.count(), 0);
    QVERIFY(!LinkState::instance().deviceAccepted);
    QVERIFY(rig.mouse.log("feature").empty());
}

void LinkBehaviourTest::handshake_data() {
    QTest::addColumn<QString>("configured");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("the mouse's code") << "112233" << true;
    QTest::newRow("another code") << "735190" << false;
}

void LinkBehaviourTest::handshake() {
    QFETCH(QString, configured);
    QFETCH(bool, accepted);
    Rig rig({"--encrypted", "--code", "112233"}, configured);
    rig.discover(devicetest::encryptedRegistry(rig.dir));
    QCOMPARE(rig.runs.count(), accepted ? 1 : 0);
    QCOMPARE(rig.hides.count(), accepted ? 0 : 1);
    QCOMPARE(bool(LinkState::instance().deviceAccepted), accepted);
    QCOMPARE(rig.hid->isListening(), accepted);
    // A code that is not six characters long leaves the one in use: still accepted.
    for (const char* code : {"12345", "1234567"}) {
        rig.apConfig.setValue("common/sCode0", code);
        rig.hid->stopListener();
        rig.hid->chkDeviceIsEnCode();
    }
    QCOMPARE(rig.runs.count(), accepted ? 3 : 0);
}

void LinkBehaviourTest::tBeaconSwitchesTheLinkOff() {
    Rig rig({}, "t-beacon");
    QCOMPARE(rig.mouse.ctl({"unplug"}), 0);
    rig.discover();
    QCOMPARE(rig.hides.count() + rig.runs.count(), 0);
    QVERIFY(LinkState::instance().deviceAccepted && LinkState::instance().linkDisabled);
    // From now on nothing goes out, even with the mouse back.
    QCOMPARE(rig.mouse.ctl({"plug"}), 0);
    rig.discover();
    rig.mouse.clearLog();
    uchar rate = 7;
    rig.hid->hid_81H_GetReportRate(rate);
    QCOMPARE(rate, uchar(7));
    rig.hid->hid_01H_SetReportRate(4);
    QVERIFY(rig.waitFree());
    QVERIFY(rig.mouse.log().empty());
}

void LinkBehaviourTest::queueKeepsOrderAndBoundsGetters() {
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
    // The next one reads what the writes queued before it set.
    uchar rate = 0;
    QVERIFY(rig.hid->hid_81H_GetReportRate(rate));
    QCOMPARE(rate, uchar(8));
    const auto features = rig.mouse.log("feature");
    QCOMPARE(int(features.size()), 3); // the abandoned read never went out
    QVERIFY(features[0].value("wire").toString().startsWith("00 12 01 40 08"));
    QVERIFY(features[1].value("wire").toString().startsWith("00 01 08"));
    QVERIFY(features[2].value("wire").toString().startsWith("00 81"));
}

void LinkBehaviourTest::quittingDrainsQueuedWrites() {
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

void LinkBehaviourTest::failedGettersLeaveTheirPresets() {
    Rig rig;
    QVERIFY(rig.acceptQuietly());
    QCOMPARE(rig.mouse.ctl({"unplug"}), 0);
    uchar rate = 5, stage = 4, maxStage = 6, o1 = 1, o2 = 2, o3 = 3;
    uchar codes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uchar table[64];
    std::fill(std::begin(table), std::end(table), uchar(0xAB));
    QString version = "before";
    QVERIFY(!rig.hid->hid_81H_GetReportRate(rate));
    rig.hid->hid_8BH_GetCurrentDPIStage(stage);
    QVERIFY(!rig.hid->hid_91H_GetDPISet(maxStage, codes));
    QVERIFY(!rig.hid->hid_87H_GetLEDInstructFunction(0, o1, o2, o3));
    rig.hid->hid_92H_GetKeyMatrix(table);
    rig.hid->hid_80H_GetFWVersion(version);
    QCOMPARE(Bytes({rate, stage, maxStage, codes[7], o1, table[63]}), Bytes({5, 0, 6, 8, 1, 0xAB}));
    QCOMPARE(version, QString("unknown"));
    // The path that failed to open stays cleared until the next discovery.
    QVERIFY(rig.hid->deviceTable()[0].commandPath.isEmpty());
}

void LinkBehaviourTest::failuresEndTransfersCleanly_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("command");
    QTest::newRow("send-feature on a getter") << "send-feature"
                                              << "87";
    QTest::newRow("get-feature on a getter") << "get-feature"
                                             << "87";
    QTest::newRow("read on a bulk getter") << "read"
                                           << "91";
    QTest::newRow("stall on a bulk getter") << "stall-read"
                                            << "91";
    QTest::newRow("vanish in a bulk read") << "vanish-bulk"
                                           << "93";
    QTest::newRow("send-feature on a setter") << "send-feature"
                                              << "12";
    QTest::newRow("write on a bulk setter") << "write"
                                            << "12";
    QTest::newRow("vanish in a bulk write") << "vanish-bulk"
                                            << "12";
    QTest::newRow("garbage answer") << "garbage"
                                    << "80";
    // This mouse answers the keyboard family's 0x8D with its lighting: no block follows,
    // and the read must not wait for one.
    QTest::newRow("lighting answer to 8D") << ""
                                           << "8D";
}

void LinkBehaviourTest::failuresEndTransfersCleanly() {
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
    QVERIFY(fault.isEmpty() || vmouse::client::fault(fault.toStdString(), 1));
    uchar block[512];
    std::fill(std::begin(block), std::end(block), uchar(0xEE));
    uchar a = 0, b = 0, c = 0;
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
        QVERIFY(rig.mouse.log("timeout").empty());
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

QTEST_GUILESS_MAIN(LinkBehaviourTest)
#include "link_behaviour_test.moc"
