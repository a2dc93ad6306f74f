// Hid_Thread's commands as the mouse sees them: frames, bulk reports, pauses, and every
// family set and read back through the real transport.
#include "device_fixture.h"
#include "report_codec.h"

#include <QFile>
#include <QJsonArray>
#include <QTest>

using devicetest::Rig;
using testsupport::bytesOf;
using Bytes = std::vector<unsigned char>;

namespace {

QString frameHex(const codec::Frame& f) {
    return "00 " + testsupport::hex(Bytes(f.begin(), f.end()));
}

// An accepted mouse with the log cleared.
void accept(Rig& rig, const QString& registry = QString()) {
    if (registry.isEmpty())
        rig.discover();
    else
        rig.hid->discover(registry);
    QVERIFY(rig.waitFree());
    QCOMPARE(rig.runs->count(), 1);
    rig.mouse.clearLog();
}

// The shipped registry with encryption switched on.
QString encryptedRegistry(const QTemporaryDir& dir) {
    QFile in(":/DevInfo.ini");
    in.open(QIODevice::ReadOnly);
    QString text = QString::fromLatin1(in.readAll());
    text.replace("isEncode = false", "isEncode = true");
    const QString path = dir.filePath("DevInfo.ini");
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(text.toLatin1());
    return path;
}

Bytes pattern(std::size_t n, unsigned char seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>(seed + 13 * i);
    return b;
}

Bytes dataOf(const QJsonObject& outputRecord) {
    const Bytes wire = bytesOf(outputRecord.value("wire").toString());
    return Bytes(wire.begin() + 1, wire.end());
}

} // namespace

class CommandWireTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { devicetest::DebugLines::install(); }
    void framesOnTheWire();
    void bulkReportsAndPauses_data();
    void bulkReportsAndPauses();
    void familiesRoundTrip_data();
    void familiesRoundTrip();
    void cipherKnownAnswers();
};

void CommandWireTest::framesOnTheWire() {
    Rig rig;
    QVERIFY(rig.mouse.started());
    accept(rig);
    rig.hid->hid_01H_SetReportRate(0x02);
    QVERIFY(rig.waitFree());
    QCOMPARE(rig.mouse.log("feature").back().value("wire").toString(),
             QString("00 01 02 00 00 00 00 00 FC"));
    rig.hid->hid_0BH_SetCurrentDPIStage(3);
    QVERIFY(rig.waitFree());
    QCOMPARE(rig.mouse.log("feature").back().value("wire").toString(),
             QString("00 0B 03 00 00 00 00 00 F1"));
    rig.hid->hid_14H_SetColor(2, 255, 0, 0);
    QVERIFY(rig.waitFree());
    QCOMPARE(rig.mouse.log("feature").back().value("wire").toString(),
             QString("00 14 00 02 FF 00 00 00 EA"));
    rig.hid->hid_03H_SetFunctionOption(1, 2, 0x40, 0);
    QVERIFY(rig.waitFree());
    QCOMPARE(rig.mouse.log("feature").back().value("wire").toString(),
             QString("00 03 01 02 40 00 00 00 B9"));
    // Getters carry only their code (and the parameters they name).
    uchar o1 = 0, o2 = 0, o3 = 0;
    QVERIFY(rig.hid->hid_87H_GetLEDInstructFunction(1, o1, o2, o3));
    QCOMPARE(rig.mouse.log("feature").back().value("wire").toString(),
             QString("00 87 01 00 00 00 00 00 77"));
    QCOMPARE(rig.mouse.state().value("report_rate").toInt(), 2);
    QCOMPARE(rig.mouse.state().value("dpi_stage").toInt(), 3);
}

void CommandWireTest::bulkReportsAndPauses_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("reports");
    QTest::newRow("12 button table")
        << "12" << frameHex(codec::makeFrame(0x12, 1, 0x40, 8)) << 64 << 2;
    QTest::newRow("13 macro") << "13" << frameHex(codec::makeFrame(0x13, 4, 0x80)) << 128 << 4;
    QTest::newRow("10 type 2") << "10/2" << frameHex(codec::makeFrame(0x10, 2, 4)) << 4 << 1;
    QTest::newRow("10 type 1") << "10/1" << frameHex(codec::makeFrame(0x10, 1, 24)) << 24 << 1;
    QTest::newRow("11 dpi set") << "11" << frameHex(codec::makeFrame(0x11, 7, 8)) << 8 << 1;
    QTest::newRow("0D key matrix") << "0D"
                                   << "00 0D 00 00 08 00 00 00 EA" << 512 << 16;
    QTest::newRow("0E key on/off")
        << "0E" << frameHex(codec::makeFrame(0x0E, 0, 0, 0x15)) << 21 << 1;
    QTest::newRow("11 keyboard macro")
        << "11k" << frameHex(codec::makeFrame(0x11, 0, 5, 3)) << 192 << 6;
}

void CommandWireTest::bulkReportsAndPauses() {
    QFETCH(QString, command);
    QFETCH(QString, frame);
    QFETCH(int, size);
    QFETCH(int, reports);
    Rig rig;
    QVERIFY(rig.mouse.started());
    accept(rig);
    Bytes block = pattern(512, 0x21);
    if (command == "12")
        rig.hid->hid_12H_SetKeyMatrix(block.data(), 1);
    else if (command == "13")
        rig.hid->hid_13H_SetMacroKey(4, block.data());
    else if (command == "10/2")
        rig.hid->hid_10H_SetLED8StageColor(2, block.data());
    else if (command == "10/1")
        rig.hid->hid_10H_SetLED8StageColor(1, block.data());
    else if (command == "11")
        rig.hid->hid_11H_SetDPISet(7, block.data());
    else if (command == "0D")
        rig.hid->hid_0DH_SetKeyMatrix(block.data());
    else if (command == "0E")
        rig.hid->hid_0EH_SetKeyOnOff(block.data());
    else if (command == "11k")
        rig.hid->hid_11H_SetMacroKey(5, block.data());
    QVERIFY(rig.waitFree());

    const auto records = rig.mouse.log();
    QCOMPARE(int(records.size()), 1 + reports);
    QCOMPARE(records.front().value("kind").toString(), QString("feature"));
    QCOMPARE(records.front().value("wire").toString(), frame);
    Bytes sent;
    for (int i = 1; i <= reports; ++i) {
        QCOMPARE(records[i].value("kind").toString(), QString("output"));
        const Bytes data = dataOf(records[i]);
        QCOMPARE(int(data.size()), 32);
        sent.insert(sent.end(), data.begin(), data.end());
    }
    // The block, then zeros up to the end of the last report.
    QCOMPARE(Bytes(sent.begin(), sent.begin() + size), Bytes(block.begin(), block.begin() + size));
    QVERIFY(std::all_of(sent.begin() + size, sent.end(), [](unsigned char b) { return b == 0; }));

    // The settle wait after the command report and 8 ms after each bulk report (lower
    // bounds only: sleeps never end early).
    const double t0 = records.front().value("t_ms").toDouble();
    QVERIFY2(records[1].value("t_ms").toDouble() - t0 >= 120, "settle wait missing");
    for (int i = 2; i <= reports; ++i)
        QVERIFY2(records[i].value("t_ms").toDouble() - records[i - 1].value("t_ms").toDouble() >= 7,
                 "bulk pause missing");
}

void CommandWireTest::familiesRoundTrip_data() {
    QTest::addColumn<bool>("encrypted");
    QTest::newRow("plain") << false;
    QTest::newRow("encrypted") << true;
}

void CommandWireTest::familiesRoundTrip() {
    QFETCH(bool, encrypted);
    Rig rig(encrypted ? QStringList{"--encrypted"} : QStringList{});
    QVERIFY(rig.mouse.started());
    accept(rig, encrypted ? encryptedRegistry(rig.dir) : QString());
    Hid_Thread& h = *rig.hid;

    h.hid_01H_SetReportRate(4);
    uchar rate = 0;
    h.hid_81H_GetReportRate(rate);
    QCOMPARE(rate, uchar(4));

    h.hid_02H_SetCurrentProfile(2);
    uchar profile = 9;
    h.hid_82H_GetCurrentProfile(profile);
    QCOMPARE(profile, uchar(2));

    h.hid_03H_SetFunctionOption(3, 4, 0x41, 0x07);
    uchar type = 0, option1 = 0, option2 = 0;
    h.hid_83H_GetFunctionOption(type, option1, option2);
    QCOMPARE(type, uchar(3));
    QCOMPARE(option1, uchar(0x41));
    QCOMPARE(option2, uchar(0x07));
    uchar k1 = 0, k2 = 0, k3 = 0, k4 = 0;
    h.hid_03H_SetKeyboardoption(0x00, 0x0F, 0x9E, 0x45);
    h.hid_83H_GetKeyboardoption(k1, k2, k3, k4);
    QCOMPARE(Bytes({k1, k2, k3, k4}), Bytes({0x00, 0x0F, 0x9E, 0x45}));

    h.hid_07H_SetLEDInstructFunction(1, 5, 6, 7);
    uchar l1 = 0, l2 = 0, l3 = 0;
    QVERIFY(h.hid_87H_GetLEDInstructFunction(1, l1, l2, l3));
    QCOMPARE(Bytes({l1, l2, l3}), Bytes({5, 6, 7}));

    h.hid_0BH_SetCurrentDPIStage(4);
    uchar stage = 0;
    h.hid_8BH_GetCurrentDPIStage(stage);
    QCOMPARE(stage, uchar(4));

    h.hid_0DH_SetRGBLedEffect(3, 2, 1);
    uchar effect = 0, e1 = 0, e2 = 0;
    h.hid_8DH_GetRGBLedEffect(effect, e1, e2);
    QCOMPARE(Bytes({effect, e1, e2}), Bytes({3, 2, 1}));

    Bytes colors = pattern(24, 3);
    h.hid_10H_SetLED8StageColor(1, colors.data());
    Bytes colorsBack(24, 0);
    h.hid_90H_GetLED8StageColor(1, colorsBack.data());
    QCOMPARE(colorsBack, colors);
    Bytes packed = {9, 8, 7, 6};
    h.hid_10H_SetLED8StageColor(2, packed.data());
    Bytes packedBack(4, 0);
    h.hid_90H_GetLED8StageColor(2, packedBack.data());
    QCOMPARE(packedBack, packed);

    Bytes codes = {0x01, 0x02, 0x45, 0x48, 0x80, 0x80, 0x80, 0x80};
    h.hid_11H_SetDPISet(4, codes.data());
    uchar maxStage = 0;
    Bytes codesBack(8, 0);
    QVERIFY(h.hid_91H_GetDPISet(maxStage, codesBack.data()));
    QCOMPARE(codesBack, codes);
    if (!encrypted)
        QCOMPARE(maxStage, uchar(4)); // a1 of a bulk getter arrives as sent

    Bytes table = pattern(64, 5);
    h.hid_12H_SetKeyMatrix(table.data(), 1);
    Bytes tableBack(64, 0);
    h.hid_92H_GetKeyMatrix(tableBack.data());
    QCOMPARE(tableBack, table);

    Bytes macro = pattern(128, 7);
    h.hid_13H_SetMacroKey(12, macro.data());
    Bytes macroBack(128, 0);
    h.hid_93H_GetMacroKey(12, macroBack.data());
    QCOMPARE(macroBack, macro);

    h.hid_04H_SetGunData(0xF0, 3, 0xFE, 0x02, 0);
    h.hid_0EH_SetXYSensitive(40, 60);
    QVERIFY(rig.waitFree());
    const QJsonObject s = rig.mouse.state();
    QCOMPARE(s.value("xy_sensitivity").toObject().value("x").toInt(), 40);
    QCOMPARE(s.value("gun_data").toArray().at(2).toInt(), 0xFE);

    // Keyboard family.
    h.hid_08H_SetLEDType(1, 2, 3, 4, 5, 6);
    uchar t1 = 0, t2 = 0, t3 = 0, t4 = 0, t5 = 0;
    h.hid_88H_GetLEDType(t1, t2, t3, t4, t5);
    QCOMPARE(Bytes({t1, t2, t3, t4, t5}), Bytes({2, 3, 4, 5, 6}));
    h.hid_09H_SetKeyboardMode(3);
    uchar mode = 0;
    h.hid_89H_GetKeyboardMode(mode);
    QCOMPARE(mode, uchar(3));
    h.hid_14H_SetColor(2, 255, 0, 0x10);
    uchar r = 0, g = 1, b = 2;
    h.hid_94H_GetColor(2, r, g, b);
    QCOMPARE(Bytes({r, g, b}), Bytes({255, 0, 0x10}));
    Bytes onOff = pattern(21, 11);
    h.hid_0EH_SetKeyOnOff(onOff.data());
    Bytes onOffBack(21, 0);
    h.hid_8EH_GetKeyOnOff(onOffBack.data());
    QCOMPARE(onOffBack, onOff);
    Bytes kbMacro = pattern(192, 13);
    h.hid_11H_SetMacroKey(6, kbMacro.data());
    Bytes kbMacroBack(192, 0);
    h.hid_91H_GetMacroKey(6, kbMacroBack.data());
    QCOMPARE(kbMacroBack, kbMacro);
    Bytes picture = pattern(512, 17);
    h.hid_12H_SetUserPicture(3, 1, picture.data());
    Bytes pictureBack(512, 0);
    h.hid_92H_GetUserPicture(3, pictureBack.data());
    QCOMPARE(pictureBack, picture);
    uchar s1 = 0, s2 = 0, s3 = 0, s4 = 0;
    h.hid_84H_GetButtonSensitivity(s1, s2, s3, s4);
    QCOMPARE(Bytes({s1, s2, s3, s4}), Bytes({0x14, 0x14, 0x14, 0x14}));
    Bytes matrix = pattern(512, 19);
    h.hid_0DH_SetKeyMatrix(matrix.data());
    QVERIFY(rig.waitFree());
    QVERIFY(rig.mouse.state().value("key_matrix").toString().startsWith("13 20 2d"));

    QString version;
    h.hid_80H_GetFWVersion(version);
    QCOMPARE(version, QString("1.0A"));

    // Recovery brings the factory button table back.
    h.hid_13H_SetRecoveryData();
    h.hid_92H_GetKeyMatrix(tableBack.data());
    QCOMPARE(Bytes(tableBack.begin(), tableBack.begin() + 4), Bytes({0x01, 0x00, 0xF0, 0x00}));
    QVERIFY(devicetest::DebugLines::take().filter("cmd Failed").isEmpty());
    // Every command report crossed enciphered when the link said so, and the mouse
    // read the same bytes the host meant.
    for (const auto& r : rig.mouse.log("feature")) {
        QCOMPARE(r.value("wire").toString() != r.value("plain").toString(), encrypted);
        QVERIFY(r.value("note").toString().isEmpty());
    }
}

// Known answers: the other end of the link (the mouse, and the virtual mouse that links
// this same codec) must read exactly these bytes, so a round trip alone proves nothing.
void CommandWireTest::cipherKnownAnswers() {
    Hid_Thread h;
    uchar code[8] = {0, '7', '3', '5', '1', '9', '0', 0};
    uchar block[8] = {0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFC};
    QCOMPARE(h.hidCS(block), uchar(0xFC));
    h.USBDataEncryption(block, code);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(block), 8).toHex(' '),
             QByteArray("66 15 be d0 ef 95 76 b6"));
    // Secrecy bytes 0 and 7 take part in nothing.
    code[0] = 0x5A;
    code[7] = 0xA5;
    h.USBDataDecipher(block, code);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(block), 8).toHex(' '),
             QByteArray("01 02 00 00 00 00 00 fc"));
    // An answer is its command's code, the values and the checksum over both.
    const uchar answer[8] = {0x81, 0x02, 0, 0, 0, 0, 0, 0x7C};
    QVERIFY(codec::answerValid(0x81, answer));
    QVERIFY(!codec::answerValid(0x80, answer));
    const uchar noisy[8] = {0x81, 0x03, 0, 0, 0, 0, 0, 0x7C};
    QVERIFY(!codec::answerValid(0x81, noisy));
}

QTEST_GUILESS_MAIN(CommandWireTest)
#include "command_wire_test.moc"
