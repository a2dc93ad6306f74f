// Discovery, the secrecy handshake, the device worker's order and bounds, and what
// failures leave behind.
#include "device_fixture.h"

#include "device_ids.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using devicetest::DebugLines;
using devicetest::Rig;

namespace {

QString writeRegistry(const QTemporaryDir& dir, const QString& text) {
    const QString path = dir.filePath("registry.ini");
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.toLatin1());
    return path;
}

// The mouse accepted, the listener stopped and the log cleared: only what the test sends
// next crosses the link.
bool acceptedAndQuiet(Rig& rig) {
    if (!rig.mouse.started())
        return false;
    rig.discover();
    if (!rig.waitFree())
        return false;
    rig.hid->stopListener();
    rig.mouse.clearLog();
    return true;
}

} // namespace

class LinkBehaviourTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { DebugLines::install(); }
    void discoveryFindsTheShippedMouse();
    void discoveryWithoutTheMouse();
    void discoveryNeedsBothInterfaces();
    void registryParsing();
    void shippedIdsAgree();
    void handshakeRejectsAnotherCode();
    void tBeaconSwitchesTheLinkOff();
    void oddLengthCodesAreIgnored();
    void queuedCommandsKeepTheirOrder();
    void getterGivesUpBehindALongQueue();
    void failedSendIsReported();
    void quittingDrainsQueuedWrites();
    void failedGettersLeaveTheirPresets();
    void firmwareVersionFormats();
    void keyMatrixQueryEndsOnTheLightingAnswer();
    void faultsEndTransfersCleanly_data();
    void faultsEndTransfersCleanly();
};

void LinkBehaviourTest::discoveryFindsTheShippedMouse() {
    Rig rig;
    QVERIFY(rig.mouse.started());
    QCOMPARE(rig.hid->currentDeviceIndex(), 1u);
    rig.discover();
    const DeviceTable table = rig.hid->deviceTable();
    QCOMPARE(table.size(), 1);
    QCOMPARE(table[0].index, 0);
    QCOMPARE(table[0].productName, QString("Mouse A"));
    QCOMPARE(table[0].reportLength, 32);
    QVERIFY(table[0].commandPath.contains("/command/"));
    QVERIFY(table[0].notifyPath.contains("/notify/"));
    QCOMPARE(rig.hid->currentDeviceIndex(), 0u);

    // Accepted: the pages run, the view is enabled, the user is told, the listener runs
    // after the keyboard-option command.
    QCOMPARE(rig.runs->count(), 1);
    QCOMPARE(rig.views->count(), 1);
    QCOMPARE(rig.views->at(0).at(0).toBool(), true);
    QCOMPARE(rig.balloons->count(), 1);
    QCOMPARE(rig.balloons->at(0).at(1).toString(), QString("Detect Mouse!"));
    QCOMPARE(rig.hides->count(), 0);
    QVERIFY(LinkState::instance().deviceAccepted);
    QVERIFY(rig.hid->isListening());
    QVERIFY(DebugLines::contains("Device Connect"));
    QVERIFY(rig.waitFree());
    const auto features = rig.mouse.log("feature");
    QCOMPARE(int(features.size()), 2);
    QVERIFY(features[0].value("wire").toString().startsWith("00 00 "));
    QCOMPARE(features[1].value("wire").toString(), QString("00 03 00 0F 9E 45 00 00 0A"));
}

void LinkBehaviourTest::discoveryWithoutTheMouse() {
    Rig rig;
    QVERIFY(rig.mouse.started());
    QCOMPARE(rig.mouse.ctl({"unplug"}), 0);
    rig.discover();
    const DeviceTable table = rig.hid->deviceTable();
    QCOMPARE(table.size(), 2);
    for (const DeviceEntry& e : table)
        QVERIFY(e.commandPath.isEmpty() && e.notifyPath.isEmpty());
    QCOMPARE(rig.hid->currentDeviceIndex(), 1u);
    // Rejected: the window hides, nothing was sent, a tray double-click has nothing to show.
    QCOMPARE(rig.hides->count(), 1);
    QCOMPARE(rig.runs->count(), 0);
    QVERIFY(!LinkState::instance().deviceAccepted);
    QVERIFY(DebugLines::contains("Device Error"));
    QVERIFY(rig.mouse.log("feature").empty());
    QVERIFY(rig.hid->isLinkFree());
}

void LinkBehaviourTest::discoveryNeedsBothInterfaces() {
    Rig rig({"--without-notify"});
    QVERIFY(rig.mouse.started());
    rig.discover();
    const DeviceTable table = rig.hid->deviceTable();
    QCOMPARE(table.size(), 2);
    QVERIFY(table[0].commandPath.isEmpty() && table[0].notifyPath.isEmpty());
    QCOMPARE(rig.hid->currentDeviceIndex(), 1u);
    QCOMPARE(rig.hides->count(), 1);
}

void LinkBehaviourTest::registryParsing() {
    QTemporaryDir dir;
    const QString path = writeRegistry(dir, "[common]\ntotal = 3\nisEncode = true\n"
                                            "[0]\ntype = 1\nvid = 04D9\npid = A26B\n"
                                            "usagePage = FF00\nreportLength = 32\n"
                                            "[1]\ntype = 1\nvid = 04d9\npid = a26b\n"
                                            "usagePage = ff00\nreportLength = 32\n");
    QSettings s(path, QSettings::IniFormat);
    const auto records = registry::read(s, {"only one name"});
    QCOMPARE(records.size(), 3);
    QCOMPARE(records[0].vid, quint16(0x04D9));
    QCOMPARE(records[0].vid, records[1].vid);
    QCOMPARE(records[0].pid, records[1].pid);
    QCOMPARE(records[0].usagePage, records[1].usagePage);
    QCOMPARE(records[0].productName, QString("only one name"));
    QVERIFY(records[1].productName.isEmpty());
    // Missing keys take their defaults.
    QCOMPARE(records[2].type, -1);
    QCOMPARE(records[2].vid, quint16(0));
    QCOMPARE(records[2].reportLength, 0u);
    QVERIFY(registry::encodeFlag(s));
}

void LinkBehaviourTest::shippedIdsAgree() {
    // The compiled-in registry names the mouse the link was built for, in every entry.
    QSettings shipped(":/DevInfo.ini", QSettings::IniFormat);
    const auto records = registry::read(shipped, {});
    QVERIFY(!records.isEmpty());
    const deviceids::Device& m = deviceids::kMouse;
    for (const RegistryRecord& r : records) {
        QCOMPARE(r.vid, m.vendorId);
        QCOMPARE(r.pid, m.productId);
        QCOMPARE(r.usagePage, m.command.usagePage);
        QCOMPARE(r.usage, m.command.usage);
        QCOMPARE(r.usagePage2, m.notify.usagePage);
        QCOMPARE(r.usage2, m.notify.usage);
        QCOMPARE(int(r.reportLength), m.reportLength);
    }
    QVERIFY(!registry::encodeFlag(shipped));
    // The udev rule opens both modes of that mouse to the user, and nothing else.
    QFile rule(QStringLiteral(UDEV_RULE_FILE));
    QVERIFY(rule.open(QIODevice::ReadOnly));
    QStringList pairs;
    const QRegularExpression id(
        R"re(idVendor}=="([0-9a-f]{4})", ATTRS\{idProduct}=="([0-9a-f]{4})")re");
    for (auto it = id.globalMatch(QString::fromLatin1(rule.readAll())); it.hasNext();) {
        const auto match = it.next();
        pairs << match.captured(1) + ":" + match.captured(2);
    }
    const auto hex = [](const deviceids::Device& d) {
        return QStringLiteral("%1:%2")
            .arg(d.vendorId, 4, 16, QLatin1Char('0'))
            .arg(d.productId, 4, 16, QLatin1Char('0'));
    };
    QCOMPARE(pairs, (QStringList{hex(deviceids::kMouse), hex(deviceids::kBootLoader)}));
}

void LinkBehaviourTest::handshakeRejectsAnotherCode() {
    QTemporaryDir dir;
    const QString registry =
        writeRegistry(dir, QString::fromLatin1([] {
                               QFile f(":/DevInfo.ini");
                               f.open(QIODevice::ReadOnly);
                               return f.readAll();
                           }())
                               .replace("isEncode = false", "isEncode = true"));
    {
        Rig rig({"--encrypted", "--code", "112233"}, "112233");
        QVERIFY(rig.mouse.started());
        rig.hid->discover(registry);
        QCOMPARE(rig.runs->count(), 1);
        QVERIFY(LinkState::instance().encodeEnabled);
    }
    Rig rig({"--encrypted", "--code", "112233"}, "735190");
    QVERIFY(rig.mouse.started());
    rig.hid->discover(registry);
    QCOMPARE(rig.runs->count(), 0);
    QCOMPARE(rig.hides->count(), 1);
    QVERIFY(!LinkState::instance().deviceAccepted);
    QVERIFY(!rig.hid->isListening());
}

void LinkBehaviourTest::tBeaconSwitchesTheLinkOff() {
    Rig rig({}, "t-beacon");
    QVERIFY(rig.mouse.started());
    QCOMPARE(rig.mouse.ctl({"unplug"}), 0);
    rig.discover();
    QCOMPARE(rig.hides->count(), 0);
    QCOMPARE(rig.runs->count(), 0);
    QVERIFY(LinkState::instance().deviceAccepted);
    QVERIFY(LinkState::instance().linkDisabled);

    // From now on nothing goes out, even with the mouse back.
    QCOMPARE(rig.mouse.ctl({"plug"}), 0);
    rig.discover();
    rig.mouse.clearLog();
    uchar rate = 7;
    rig.hid->hid_81H_GetReportRate(rate);
    QCOMPARE(rate, uchar(7));
    uchar maxStage = 9;
    uchar codes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    QVERIFY(!rig.hid->hid_91H_GetDPISet(maxStage, codes));
    rig.hid->hid_01H_SetReportRate(4);
    rig.hid->hid_0BH_SetCurrentDPIStage(2);
    QVERIFY(rig.waitFree());
    QVERIFY(rig.mouse.log().empty());
}

void LinkBehaviourTest::oddLengthCodesAreIgnored() {
    Rig rig({}, "735190");
    QVERIFY(rig.mouse.started());
    rig.discover();
    const auto before = LinkState::instance().secrecyCode;
    QCOMPARE(before[1], uchar('7'));
    QCOMPARE(before[0], uchar(0));
    QCOMPARE(before[7], uchar(0));
    for (const char* code : {"12345", "1234567"}) {
        rig.apConfig->setValue("common/sCode0", code);
        rig.hid->stopListener();
        rig.hid->chkDeviceIsEnCode();
        QCOMPARE(LinkState::instance().secrecyCode, before);
    }
}

void LinkBehaviourTest::queuedCommandsKeepTheirOrder() {
    Rig rig;
    QVERIFY(rig.mouse.started());
    rig.discover();
    QVERIFY(rig.waitFree());
    rig.mouse.clearLog();
    uchar block[64] = {};
    // Setters return before the mouse has anything; nothing is dropped behind them, and a
    // read queued after a write sees the write.
    rig.hid->hid_12H_SetKeyMatrix(block, 1);
    rig.hid->hid_01H_SetReportRate(8);
    QVERIFY(!rig.hid->isLinkFree());
    uchar rate = 0;
    QVERIFY(rig.hid->hid_81H_GetReportRate(rate));
    QCOMPARE(rate, uchar(8));
    const auto features = rig.mouse.log("feature");
    QCOMPARE(int(features.size()), 3);
    QVERIFY(features[0].value("wire").toString().startsWith("00 12 01 40 08"));
    QCOMPARE(features[1].value("wire").toString(), QString("00 01 08 00 00 00 00 00 F6"));
    QVERIFY(features[2].value("wire").toString().startsWith("00 81"));
    QCOMPARE(int(rig.mouse.log("output").size()), 2);
    QVERIFY(DebugLines::take().filter("cmd Failed").isEmpty());
}

void LinkBehaviourTest::getterGivesUpBehindALongQueue() {
    Rig rig;
    QVERIFY(acceptedAndQuiet(rig));
    DebugLines::take();
    // Six 512-byte writes are about 2.3 s of mandated waits, more than a getter waits.
    uchar block[512] = {};
    for (int i = 0; i < 6; ++i)
        rig.hid->hid_0DH_SetKeyMatrix(block);
    uchar rate = 3;
    QVERIFY(!rig.hid->hid_81H_GetReportRate(rate));
    QCOMPARE(rate, uchar(3));
    QVERIFY(DebugLines::take().contains("cmd Failed"));
    QVERIFY(rig.waitFree());
    // The writes all went out; the abandoned read never did.
    int frames = 0;
    for (const auto& r : rig.mouse.log("feature")) {
        QVERIFY(!r.value("wire").toString().startsWith("00 81"));
        ++frames;
    }
    QCOMPARE(frames, 6);
}

void LinkBehaviourTest::failedSendIsReported() {
    Rig rig;
    QVERIFY(rig.mouse.started());
    rig.discover();
    QVERIFY(rig.waitFree());
    rig.hid->stopListener();
    QSignalSpy failed(rig.hid.get(), &Hid_Thread::sendFailed);
    DebugLines::take();
    QCOMPARE(rig.mouse.ctl({"fault", "send-feature"}), 0);
    rig.hid->hid_0BH_SetCurrentDPIStage(5);
    rig.hid->hid_0BH_SetCurrentDPIStage(4);
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(failed.first().first().toInt(), 0x0B);
    QVERIFY(rig.waitFree());
    QCOMPARE(DebugLines::take().filter("cmd Failed 0B").size(), 1);
    QCOMPARE(rig.mouse.state().value("dpi_stage").toInt(), 4);
}

void LinkBehaviourTest::quittingDrainsQueuedWrites() {
    Rig rig;
    QVERIFY(rig.mouse.started());
    rig.discover();
    QVERIFY(rig.waitFree());
    rig.mouse.clearLog();
    uchar block[128] = {1, 2, 3};
    for (uchar id = 1; id <= 3; ++id)
        rig.hid->hid_13H_SetMacroKey(id, block);
    rig.hid->hid_0BH_SetCurrentDPIStage(2);
    // Gone in the middle of the first write: the rest still reaches the mouse, in order,
    // and nothing runs on a dead object.
    rig.hid.reset();
    const auto features = rig.mouse.log("feature");
    QCOMPARE(int(features.size()), 4);
    QVERIFY(features[3].value("wire").toString().startsWith("00 0B 02"));
    QCOMPARE(rig.mouse.state().value("dpi_stage").toInt(), 2);
    QCOMPARE(rig.mouse.state().value("open_handles").toInt(), 0);
}

void LinkBehaviourTest::failedGettersLeaveTheirPresets() {
    Rig rig;
    QVERIFY(rig.mouse.started());
    rig.discover();
    QVERIFY(rig.waitFree());
    rig.hid->stopListener();
    QCOMPARE(rig.mouse.ctl({"unplug"}), 0);
    uchar rate = 5;
    rig.hid->hid_81H_GetReportRate(rate);
    QCOMPARE(rate, uchar(5));
    uchar stage = 4;
    rig.hid->hid_8BH_GetCurrentDPIStage(stage);
    QCOMPARE(stage, uchar(0));
    uchar maxStage = 6;
    uchar codes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    QVERIFY(!rig.hid->hid_91H_GetDPISet(maxStage, codes));
    QCOMPARE(maxStage, uchar(6));
    QCOMPARE(codes[7], uchar(8));
    uchar o1 = 1, o2 = 2, o3 = 3;
    QVERIFY(!rig.hid->hid_87H_GetLEDInstructFunction(0, o1, o2, o3));
    QCOMPARE(o1, uchar(1));
    uchar table[64];
    std::fill(std::begin(table), std::end(table), uchar(0xAB));
    rig.hid->hid_92H_GetKeyMatrix(table);
    QCOMPARE(table[63], uchar(0xAB)); // the caller's own block comes back
    QString version = "before";
    rig.hid->hid_80H_GetFWVersion(version);
    QCOMPARE(version, QString("unknown"));
    // The path that failed to open stays cleared until the next discovery.
    QVERIFY(rig.hid->deviceTable()[0].commandPath.isEmpty());
    QVERIFY(rig.hid->isLinkFree());
}

void LinkBehaviourTest::firmwareVersionFormats() {
    for (const auto& [given, shown] :
         {std::pair{"1.0a", "1.0A"}, std::pair{"1b.05", "1b.05"}, std::pair{"0.00", "0.00"}}) {
        Rig rig({"--fw-version", given});
        QVERIFY(rig.mouse.started());
        rig.discover();
        QString version;
        rig.hid->hid_80H_GetFWVersion(version);
        QCOMPARE(version, QString(shown));
    }
}

// This mouse answers the keyboard family's 0x8D with its lighting: no block follows, and
// the read must not wait for one.
void LinkBehaviourTest::keyMatrixQueryEndsOnTheLightingAnswer() {
    Rig rig;
    QVERIFY(acceptedAndQuiet(rig));
    uchar block[512];
    std::fill(std::begin(block), std::end(block), uchar(0x5A));
    QVERIFY(!rig.hid->hid_8DH_GetKeyMatrix(block));
    QCOMPARE(block[0], uchar(0x5A));
    QCOMPARE(rig.mouse.log("answer").size(), std::size_t(1));
    QVERIFY(rig.mouse.log("timeout").empty());
}

void LinkBehaviourTest::faultsEndTransfersCleanly_data() {
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
                                              << "12pic";
    QTest::newRow("write on a bulk setter") << "write"
                                            << "12pic";
    QTest::newRow("vanish in a bulk write") << "vanish-bulk"
                                            << "12pic";
    QTest::newRow("write on an async setter") << "write"
                                              << "13";
    QTest::newRow("garbage answer") << "garbage"
                                    << "80";
}

void LinkBehaviourTest::faultsEndTransfersCleanly() {
    QFETCH(QString, fault);
    QFETCH(QString, command);
    Rig rig;
    QVERIFY(acceptedAndQuiet(rig));
    QCOMPARE(rig.mouse.ctl({"fault", fault}), 0);
    uchar block[512] = {};
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
        std::fill(std::begin(block), std::end(block), uchar(0xEE));
        rig.hid->hid_93H_GetMacroKey(1, block);
        // The first report arrived before the mouse vanished; the rest is the caller's.
        QCOMPARE(block[0], uchar(0x00));
        QCOMPARE(block[1], uchar(0x01));
        QCOMPARE(block[127], uchar(0xEE));
    } else if (command == "12pic") {
        rig.hid->hid_12H_SetUserPicture(1, 0, block);
        QVERIFY(rig.mouse.log("output").size() < 16);
    } else if (command == "13") {
        rig.hid->hid_13H_SetMacroKey(1, block);
    }
    QVERIFY(rig.waitFree());
    // No handle stays open after a failed transfer.
    QTRY_COMPARE(rig.mouse.state().value("open_handles").toInt(), 0);
}

QTEST_GUILESS_MAIN(LinkBehaviourTest)
#include "link_behaviour_test.moc"
