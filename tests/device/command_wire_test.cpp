// Hid_Thread's commands as the mouse sees them: every setter's frame, bulk reports and
// pauses, and what the matching getter reads back, on a plain and an enciphered link, and
// from a mouse that frames its answers with more than the code and the values.
#include "device/codec/report_codec.h"
#include "device/device_fixture.h"

#include <QTest>

#include <functional>

using devicetest::Rig;
using Bytes = std::vector<unsigned char>;
using H = Hid_Thread;
using Read = std::function<Bytes(H&)>;

namespace {

Bytes block = [] {
    Bytes b(512);
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<unsigned char>(0x21 + 13 * i);
    return b;
}();

struct Case {
    QString frame;               // of the setter; none: a getter on its own
    QList<int> pauses;           // the setter's
    std::function<void(H&)> set; // none: a getter on its own
    Read read;                   // none: no getter reads it back
    Bytes expect;
    int size = 0; // of the block the setter sends
};
std::vector<Case> cases;

void add(const char* frame, QList<int> pauses, std::function<void(H&)> set, Read read = {},
         Bytes expect = {}) {
    cases.push_back({frame, pauses, set, read, expect});
}

// A setter with a block of `size` bytes: settle, 8 ms after each bulk report, settle again;
// its getter reads the block back.
void addBlock(const char* frame, int size, std::function<void(H&)> set, Read read = {}) {
    const QList<int> pauses =
        QList<int>{64, 64} + QList<int>((size + 31) / 32, 8) + QList<int>{64, 64};
    cases.push_back({frame, pauses, set, read, Bytes(block.begin(), block.begin() + size), size});
}

#define SET(call) [](H& h) { h.call; }
// What a getter read into `b` (its out-parameters or its block); none when it failed.
#define GET(call)                                                                                  \
    [](H& h) {                                                                                     \
        Bytes v(513);                                                                              \
        uchar* b = v.data();                                                                       \
        return h.call ? v : Bytes{};                                                               \
    }

} // namespace

class CommandWireTest : public QObject {
    Q_OBJECT
    // One mouse for each kind of link, shared by the rows.
    Rig plain_, enciphered_{QStringList{"--encrypted"}},
        framed_{QStringList{"--answers", "framed"}};

  private slots:

    void initTestCase() {
        const QList<int> settle{64, 64}, pause{8}, none;
        add("00 01 04 00 00 00 00 00 FA", settle, SET(hid_01H_SetReportRate(4)),
            GET(hid_81H_GetReportRate(b[0])), {4});
        add("00 02 02 00 00 00 00 00 FB", pause, SET(hid_02H_SetCurrentProfile(2)),
            GET(hid_82H_GetCurrentProfile(b[0])), {2});
        add("00 03 00 0F 9E 45 00 00 0A", pause,
            SET(hid_03H_SetKeyboardoption(0, 0x0F, 0x9E, 0x45)),
            GET(hid_83H_GetKeyboardoption(b[0], b[1], b[2], b[3])), {0, 0x0F, 0x9E, 0x45});
        add("00 03 03 04 41 07 00 00 AD", settle, SET(hid_03H_SetFunctionOption(3, 4, 0x41, 0x07)),
            GET(hid_83H_GetFunctionOption(b[0], b[1], b[2])), {3, 0x41, 0x07});
        add("00 04 F0 03 FE 02 00 00 08", settle, SET(hid_04H_SetGunData(0xF0, 3, 0xFE, 2, 0)));
        add("00 07 01 02 00 00 00 00 F5", pause, SET(hid_07H_SetControlIndicatorLight(1, 2)));
        add("00 07 01 05 06 07 00 00 E5", none, SET(hid_07H_SetLEDInstructFunction(1, 5, 6, 7)),
            GET(hid_87H_GetLEDInstructFunction(1, b[0], b[1], b[2])), {5, 6, 7});
        add("00 08 01 02 03 04 05 06 E2", settle, SET(hid_08H_SetLEDType(1, 2, 3, 4, 5, 6)),
            GET(hid_88H_GetLEDType(b[0], b[1], b[2], b[3], b[4])), {2, 3, 4, 5, 6});
        add("00 09 03 00 00 00 00 00 F3", settle, SET(hid_09H_SetKeyboardMode(3)),
            GET(hid_89H_GetKeyboardMode(b[0])), {3});
        add("00 0B 03 00 00 00 00 00 F1", settle, SET(hid_0BH_SetCurrentDPIStage(3)),
            GET(hid_8BH_GetCurrentDPIStage(b[0])), {3});
        add("00 0D 03 02 01 00 00 00 EC", settle, SET(hid_0DH_SetRGBLedEffect(3, 2, 1)),
            GET(hid_8DH_GetRGBLedEffect(b[0], b[1], b[2])), {3, 2, 1});
        add("00 0E 28 3C 00 00 00 00 8D", settle, SET(hid_0EH_SetXYSensitive(40, 60)));
        add("00 14 00 02 FF 00 10 00 DA", pause, SET(hid_14H_SetColor(2, 255, 0, 0x10)),
            GET(hid_94H_GetColor(2, b[0], b[1], b[2])), {255, 0, 0x10});
        addBlock("00 0D 00 00 08 00 00 00 EA", 512, SET(hid_0DH_SetKeyMatrix(block.data())));
        addBlock("00 0E 00 00 15 00 00 00 DC", 21, SET(hid_0EH_SetKeyOnOff(block.data())),
                 GET(hid_8EH_GetKeyOnOff(b)));
        addBlock("00 10 01 18 00 00 00 00 D6", 24, SET(hid_10H_SetLED8StageColor(1, block.data())),
                 GET(hid_90H_GetLED8StageColor(1, b)));
        addBlock("00 10 02 04 00 00 00 00 E9", 4, SET(hid_10H_SetLED8StageColor(2, block.data())),
                 GET(hid_90H_GetLED8StageColor(2, b)));
        addBlock("00 11 00 05 03 00 00 00 E6", 192, SET(hid_11H_SetMacroKey(5, block.data())),
                 GET(hid_91H_GetMacroKey(5, b)));
        addBlock("00 11 07 08 00 00 00 00 DF", 8, SET(hid_11H_SetDPISet(7, block.data())),
                 GET(hid_91H_GetDPISet(b[512], b)));
        addBlock("00 12 00 03 08 01 00 00 E1", 512, SET(hid_12H_SetUserPicture(3, 1, block.data())),
                 GET(hid_92H_GetUserPicture(3, b)));
        addBlock("00 12 01 40 08 00 00 00 A4", 64, SET(hid_12H_SetKeyMatrix(block.data(), 1)),
                 GET(hid_92H_GetKeyMatrix(b)));
        addBlock("00 13 04 80 00 00 00 00 68", 128, SET(hid_13H_SetMacroKey(4, block.data())),
                 GET(hid_93H_GetMacroKey(4, b)));
        // Recovery brings the factory button table back.
        add("00 13 FF 00 00 00 00 00 ED", pause, SET(hid_13H_SetRecoveryData()),
            GET(hid_92H_GetKeyMatrix(b)), {0x01, 0x00, 0xF0, 0x00});
        add("", {}, {}, GET(hid_84H_GetButtonSensitivity(b[0], b[1], b[2], b[3])),
            {0x14, 0x14, 0x14, 0x14});

        plain_.route();
        QVERIFY(plain_.acceptQuietly());
        enciphered_.route();
        QVERIFY(enciphered_.acceptQuietly(devicetest::encryptedRegistry(enciphered_.dir)));
        framed_.route();
        QVERIFY(framed_.acceptQuietly());
    }

    void commands_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("index");
        for (const char* link : {"plain", "enciphered", "framed"})
            for (std::size_t i = 0; i < cases.size(); ++i)
                QTest::addRow("%s %s", link,
                              cases[i].frame.isEmpty() ? "getter" : qPrintable(cases[i].frame))
                    << QString(link) << int(i);
    }

    void commands() {
        QFETCH(QString, link);
        QFETCH(int, index);
        const Case& c = cases[std::size_t(index)];
        const bool enciphered = link == "enciphered";
        Rig& rig = enciphered ? enciphered_ : link == "framed" ? framed_ : plain_;
        rig.route();
        rig.mouse.clearLog();
        rig.pauses.take();
        if (c.set) {
            c.set(*rig.hid);
            QVERIFY(rig.waitFree());
            const auto records = rig.mouse.log();
            QVERIFY(!records.empty());
            // The mouse read the frame the host meant, enciphered when the link is.
            QCOMPARE(records.front().value("plain").toString(), c.frame);
            QCOMPARE(records.front().value("wire").toString() != c.frame, enciphered);
            // The block in reports of the interface's length, the last one filled up with zeros.
            QByteArray sent;
            for (std::size_t i = 1; i < records.size(); ++i) {
                QCOMPARE(records[i].value("kind").toString(), QString("output"));
                const QByteArray wire =
                    QByteArray::fromHex(records[i].value("wire").toString().toLatin1());
                QCOMPARE(wire.size(), 33);
                sent += wire.mid(1);
            }
            QCOMPARE(sent.size(), (c.size + 31) / 32 * 32);
            QCOMPARE(sent.left(c.size),
                     QByteArray(reinterpret_cast<const char*>(block.data()), c.size));
            QCOMPARE(sent.mid(c.size), QByteArray(sent.size() - c.size, 0));
            const std::vector<int> made = rig.pauses.take();
            QCOMPARE(QList<int>(made.begin(), made.end()), c.pauses);
        }
        if (c.read) {
            const Bytes got = c.read(*rig.hid);
            QVERIFY(got.size() >= c.expect.size());
            QCOMPARE(Bytes(got.begin(), got.begin() + c.expect.size()), c.expect);
        }
        QVERIFY(devicetest::DebugLines::take().filter("cmd Failed").isEmpty());
    }

    // Known answers: the other end of the link (the mouse, and the virtual mouse that links
    // this same codec) must read exactly these bytes, so a round trip alone proves nothing.
    void cipherKnownAnswers() {
        DpiNotices notices;
        Hid_Thread h(notices);
        uchar code[8] = {0, '7', '3', '5', '1', '9', '0', 0};
        uchar frame[8] = {0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFC};
        QCOMPARE(h.hidCS(frame), uchar(0xFC));
        h.USBDataEncryption(frame, code);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(frame), 8).toHex(' '),
                 QByteArray("66 15 be d0 ef 95 76 b6"));
        // Secrecy bytes 0 and 7 take part in nothing.
        code[0] = 0x5A;
        code[7] = 0xA5;
        h.USBDataDecipher(frame, code);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(frame), 8).toHex(' '),
                 QByteArray("01 02 00 00 00 00 00 fc"));
        // An answer is known by its command's code in a0; a7 may hold anything.
        const uchar plain[8] = {0x81, 0x02, 0, 0, 0, 0, 0, 0};
        const uchar framed[8] = {0x81, 0x02, 0, 0, 0, 0, 0, 0x7C};
        QVERIFY(codec::answerValid(0x81, plain) && codec::answerValid(0x81, framed));
        QVERIFY(!codec::answerValid(0x80, plain));
    }
};

QTEST_GUILESS_MAIN(CommandWireTest)
#include "command_wire_test.moc"
