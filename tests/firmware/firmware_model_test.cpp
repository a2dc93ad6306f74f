// Drives the firmware model the way the configurator's link does: command frames
// (enciphered when the link is), bulk output reports of 32 data bytes, answer reports and
// bulk input reports.
#include "mouse_firmware.h"
#include "report_codec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <algorithm>

using vmouse::Bytes;
using vmouse::MouseFirmware;

namespace {

constexpr char kCode[] = "735190";

codec::SecrecyCode secrecy(const char* text) {
    codec::SecrecyCode code{};
    codec::secrecyFromText(text, 6, code);
    return code;
}

// Code and parameters as hex; the checksum is appended.
codec::Frame frame(const QByteArray& hex) {
    const QByteArray b = QByteArray::fromHex(hex);
    std::array<std::uint8_t, 7> p{};
    std::copy_n(b.begin(), std::min<qsizetype>(7, b.size()), p.begin());
    return codec::makeFrame(p[0], p[1], p[2], p[3], p[4], p[5], p[6]);
}

codec::Frame answerFrom(const QByteArray& hex) {
    codec::Frame a{};
    const QByteArray b = QByteArray::fromHex(hex);
    std::copy(b.begin(), b.end(), a.begin());
    return a;
}

Bytes pattern(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<std::uint8_t>(i * 37 + size + 1);
    return b;
}

template <std::size_t N> Bytes bytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

// The default assignments, entry by entry.
Bytes factoryButtons() {
    const QByteArray table = QByteArray::fromHex(
        "0100f000 0100f100 0100f200 0100f400 0100f300 07000100 07000200 00000000 "
        "00000000 00000000 00000000 00000000 00000000 00000000 04000100 04000200");
    return Bytes(table.begin(), table.end());
}

// The host end of the link.
struct Host {
    MouseFirmware& fw;
    bool encrypted;
    codec::SecrecyCode code = secrecy(kCode);

    vmouse::FeatureOutcome send(codec::Frame f) {
        if (encrypted)
            codec::encrypt(f.data(), code.data());
        return fw.featureReport(f.data());
    }
    vmouse::FeatureOutcome send(const QByteArray& hex) { return send(frame(hex)); }

    // The answer of a command without bulk data, deciphered as the host does.
    codec::Frame answer() const {
        auto a = fw.answerWire();
        if (encrypted)
            codec::decipher(a.data(), code.data());
        return a;
    }

    // Sends a block as full 32-byte reports; returns the notes of all of them.
    std::string write(const Bytes& block, int& reports) {
        std::string notes;
        reports = 0;
        for (std::size_t offset = 0; offset < block.size(); offset += vmouse::kBulkReportData) {
            std::array<std::uint8_t, vmouse::kBulkReportData> report{};
            const auto n = std::min(vmouse::kBulkReportData, block.size() - offset);
            std::copy_n(block.begin() + offset, n, report.begin());
            notes += fw.outputReport(report.data(), report.size());
            ++reports;
        }
        return notes;
    }

    // Every queued input report, concatenated.
    Bytes drain(int& reports, bool& fullSize) {
        Bytes all;
        reports = 0;
        fullSize = true;
        for (; !fw.commandInput().empty(); fw.commandInput().pop_front(), ++reports) {
            const Bytes& r = fw.commandInput().front();
            fullSize = fullSize && r.size() == vmouse::kBulkReportData;
            all.insert(all.end(), r.begin(), r.end());
        }
        return all;
    }
};

void addBothLinks(const char* name) {
    QTest::addRow("%s/plain", name) << false;
    QTest::addRow("%s/encrypted", name) << true;
}

} // namespace

// Readable failure messages for byte blocks and frames.
namespace QTest {
template <> char* toString(const Bytes& b) {
    return qstrdup(QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()))
                       .toHex(' ')
                       .constData());
}
template <> char* toString(const codec::Frame& f) {
    return toString(Bytes(f.begin(), f.end()));
}
} // namespace QTest

class FirmwareModelTest : public QObject {
    Q_OBJECT

  private slots:
    void registers_data() {
        QTest::addColumn<QByteArray>("setter");
        QTest::addColumn<QByteArray>("getter");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("encrypted");
        const char* rows[][4] = {
            {"report rate", "0104", "81", "8104"},
            {"profile", "0203", "82", "8203"},
            {"function option", "0301024305", "83", "8301024305"},
            {"function option keeps report rate", "0301080000", "81", "8101"},
            {"report rate keeps function option", "0108", "83", "8300010000"},
            {"led instruct", "0705010203", "8705", "8705010203"},
            {"led instruct other type", "0705010203", "8701", "8701000000"},
            {"led instruct unknown type", "", "8709", "8709"},
            {"dpi stage", "0b04", "8b", "8b04"},
            {"led effect", "0d030201", "8d", "8d030201"},
            {"led effect option2 8", "0d020008", "8d", "8d020008"},
            {"led type", "08010203040506", "88", "88010203040506"},
            {"keyboard mode", "0902", "89", "8902"},
            {"colour", "1400071020ff", "940007", "9400071020ff"},
            {"colour other index", "1400071020ff", "940006", "940006"},
            {"factory firmware version", "", "80", "80010a"},
            {"factory button sensitivity", "", "84", "8414141414"},
            {"factory function option", "", "83", "8300010000"},
            {"factory led effect", "", "8d", "8d010000"},
            {"factory dpi stage", "", "8b", "8b01"},
        };
        for (const auto& r : rows)
            for (bool enc : {false, true})
                QTest::addRow("%s/%s", r[0], enc ? "encrypted" : "plain")
                    << QByteArray(r[1]) << QByteArray(r[2]) << QByteArray(r[3]) << enc;
    }
    void registers() {
        QFETCH(QByteArray, setter);
        QFETCH(QByteArray, getter);
        QFETCH(QByteArray, expected);
        QFETCH(bool, encrypted);
        MouseFirmware fw(encrypted, kCode);
        Host host{fw, encrypted};
        if (!setter.isEmpty()) {
            const auto out = host.send(setter);
            QVERIFY(out.executed);
            QCOMPARE(out.note, std::string());
            QCOMPARE(host.answer(), answerFrom(setter.left(2)));
        }
        const auto out = host.send(getter);
        QVERIFY(out.executed);
        QCOMPARE(host.answer(), answerFrom(expected));
        QCOMPARE(fw.answerPlain(), answerFrom(expected));
        QVERIFY(fw.commandInput().empty());
    }

    void writeOnlyRegisters_data() {
        QTest::addColumn<bool>("encrypted");
        addBothLinks("gun data and axes");
    }
    void writeOnlyRegisters() {
        QFETCH(bool, encrypted);
        MouseFirmware fw(encrypted, kCode);
        Host host{fw, encrypted};
        QVERIFY(host.send("04f005fe0300").executed);
        QVERIFY(host.send("0e3c50").executed);
        QCOMPARE(bytes(fw.state().gunData), (Bytes{0xf0, 0x05, 0xfe, 0x03, 0x00}));
        QCOMPARE(bytes(fw.state().xySensitivity), (Bytes{0x3c, 0x50}));
        QCOMPARE(fw.outputReport(pattern(32).data(), 32), std::string("unexpected output"));
    }

    void secrecyEcho_data() {
        QTest::addColumn<bool>("deviceEncrypted");
        QTest::addColumn<bool>("hostEncrypted");
        QTest::addColumn<QByteArray>("hostCode");
        QTest::addColumn<bool>("echoed");
        QTest::newRow("plain link") << false << false << QByteArray(kCode) << true;
        QTest::newRow("same code") << true << true << QByteArray(kCode) << true;
        QTest::newRow("other code") << true << true << QByteArray("123456") << false;
        QTest::newRow("host not enciphering") << true << false << QByteArray(kCode) << false;
    }
    void secrecyEcho() {
        QFETCH(bool, deviceEncrypted);
        QFETCH(bool, hostEncrypted);
        QFETCH(QByteArray, hostCode);
        QFETCH(bool, echoed);
        MouseFirmware fw(deviceEncrypted, kCode);
        Host host{fw, hostEncrypted, secrecy(hostCode.constData())};
        host.send("005ac301fe");
        const auto a = host.answer();
        QCOMPARE(Bytes(a.begin() + 1, a.begin() + 5) == (Bytes{0x5a, 0xc3, 0x01, 0xfe}), echoed);
        // An enciphering device must not leave the echo readable on the wire.
        if (deviceEncrypted)
            QVERIFY(fw.answerWire() != fw.answerPlain());
    }

    void checksumRejected_data() {
        QTest::addColumn<bool>("encrypted");
        addBothLinks("bad checksum");
    }
    void checksumRejected() {
        QFETCH(bool, encrypted);
        MouseFirmware fw(encrypted, kCode);
        Host host{fw, encrypted};
        auto bad = frame("0105");
        ++bad[7];
        const auto out = host.send(bad);
        QVERIFY(!out.executed);
        QCOMPARE(out.note, std::string("bad checksum"));
        QCOMPARE(out.plain, bad);
        QCOMPARE(fw.state().reportRate, 1);
        QCOMPARE(fw.answerPlain(), codec::Frame{});
        // A block setter with a bad frame must not start waiting for its block.
        auto badTable = frame("12014008");
        badTable[7] ^= 0x40;
        QVERIFY(!host.send(badTable).executed);
        QCOMPARE(fw.outputReport(pattern(32).data(), 32), std::string("unexpected output"));
        QCOMPARE(bytes(fw.state().buttonTable), factoryButtons());
    }

    void unknownCommand() {
        MouseFirmware fw;
        Host host{fw, false};
        const auto out = host.send("55010203");
        QVERIFY(!out.executed);
        QCOMPARE(out.note, std::string("unknown command"));
        QCOMPARE(fw.answerPlain(), codec::Frame{});
    }

    void bulkBlocks_data() {
        QTest::addColumn<QByteArray>("setter");
        QTest::addColumn<QByteArray>("getter");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("reports");
        QTest::addColumn<bool>("encrypted");
        struct Row {
            const char *name, *setter, *getter, *answer;
            int size, reports;
        };
        const Row rows[] = {
            {"packed stage colours", "100204", "9002", "90", 4, 1},
            {"dpi codes", "110508", "91", "9105", 8, 1},
            {"key on/off", "0e000015", "8e", "8e000015", 21, 1},
            {"stage colours", "100118", "9001", "90", 24, 1},
            {"button table", "12014008", "9201", "92", 64, 2},
            {"gun table", "12034008", "9203", "92", 64, 2},
            {"macro slot 12", "130c80", "930c", "93", 128, 4},
            {"keyboard macro", "11000403", "910004", "91000003", 192, 6},
            {"key matrix", "0d000008", "", "", 512, 16},
            {"user picture", "1200020801", "920002", "92000008", 512, 16},
        };
        for (const auto& r : rows)
            for (bool enc : {false, true})
                QTest::addRow("%s/%s", r.name, enc ? "encrypted" : "plain")
                    << QByteArray(r.setter) << QByteArray(r.getter) << QByteArray(r.answer)
                    << r.size << r.reports << enc;
    }
    void bulkBlocks() {
        QFETCH(QByteArray, setter);
        QFETCH(QByteArray, getter);
        QFETCH(QByteArray, answer);
        QFETCH(int, size);
        QFETCH(int, reports);
        QFETCH(bool, encrypted);
        MouseFirmware fw(encrypted, kCode);
        Host host{fw, encrypted};
        const Bytes block = pattern(size);

        const auto out = host.send(setter);
        QVERIFY(out.executed);
        QCOMPARE(out.note, std::string());
        // Answers of bulk commands travel plain: the host does not decipher them.
        QCOMPARE(fw.answerWire(), fw.answerPlain());
        QCOMPARE(fw.answerPlain()[0], frame(setter)[0]);
        int sent = 0;
        QCOMPARE(host.write(block, sent), std::string());
        QCOMPARE(sent, reports);
        QCOMPARE(fw.outputReport(block.data(), 32), std::string("unexpected output"));

        if (getter.isEmpty()) {
            QCOMPARE(bytes(fw.state().keyMatrix), block);
            return;
        }
        QVERIFY(host.send(getter).executed);
        QCOMPARE(fw.answerWire(), fw.answerPlain());
        QCOMPARE(fw.answerPlain(), answerFrom(answer));
        int received = 0;
        bool fullSize = false;
        const Bytes in = host.drain(received, fullSize);
        QCOMPARE(received, reports);
        QVERIFY(fullSize);
        QCOMPARE(Bytes(in.begin(), in.begin() + size), block);
        QVERIFY(std::all_of(in.begin() + size, in.end(), [](auto b) { return b == 0; }));
    }

    // A report shorter than its chunk still stands for the whole chunk, zero-filled.
    void shortOutputReport() {
        MouseFirmware fw;
        Host host{fw, false};
        host.send("12014008");
        const Bytes first(10, 0x11), second(32, 0x22);
        QCOMPARE(fw.outputReport(first.data(), first.size()), std::string());
        QCOMPARE(fw.outputReport(second.data(), second.size()), std::string());
        Bytes expected(first);
        expected.resize(32, 0);
        expected.insert(expected.end(), second.begin(), second.end());
        QCOMPARE(bytes(fw.state().buttonTable), expected);
    }

    // Commands that share a code must land in their own register or block.
    void sharedCodesStaySeparate() {
        MouseFirmware fw;
        Host host{fw, false};
        int n = 0;
        host.send("12034008");
        host.write(pattern(64), n);
        host.send("130380");
        host.write(pattern(128), n);
        host.send("11000403");
        host.write(pattern(192), n);
        host.send("1200020801");
        host.write(pattern(512), n);
        host.send("0d000008");
        host.write(pattern(512), n);

        const auto& s = fw.state();
        QCOMPARE(bytes(s.buttonTable), factoryButtons());
        QCOMPARE(bytes(s.macros[2]), pattern(128));
        QCOMPARE(bytes(s.macros[3]), bytes(s.macros[0]));
        QCOMPARE(s.macros[0][1], 1);
        QCOMPARE(s.dpiMaxStage, 6);
        QCOMPARE(bytes(s.dpiCodes), (Bytes{0x02, 0x04, 0x06, 0x08, 0x45, 0x46, 0x80, 0x80}));
        QCOMPARE(bytes(s.ledEffect), (Bytes{1, 0, 0}));
        QCOMPARE(bytes(s.gunTable), pattern(64));
        QCOMPARE(bytes(s.keyMatrix), pattern(512));
        QVERIFY(s.keyboardMacros.count(4) && bytes(s.keyboardMacros.at(4)) == pattern(192));
        QVERIFY(s.userPictures.count(2) && bytes(s.userPictures.at(2)) == pattern(512));
    }

    void interruptedTransfers() {
        MouseFirmware fw;
        Host host{fw, false};
        host.send("12014008");
        const Bytes half(32, 0xaa);
        QCOMPARE(fw.outputReport(half.data(), half.size()), std::string());
        const auto out = host.send("81");
        QVERIFY(out.executed);
        QVERIFY(QString::fromStdString(out.note).contains(QLatin1String("abandoned")));
        QCOMPARE(host.answer(), answerFrom("8101"));
        QCOMPARE(fw.outputReport(half.data(), half.size()), std::string("unexpected output"));
        QCOMPARE(bytes(fw.state().buttonTable), factoryButtons());

        // Input queued for a getter the host never read is dropped by the next command.
        host.send("9201");
        QCOMPARE(fw.commandInput().size(), 2u);
        host.send("8b");
        QVERIFY(fw.commandInput().empty());
    }

    void macroSlotOutOfRange() {
        MouseFirmware fw;
        Host host{fw, false};
        const auto before = fw.state().macros;
        const auto out = host.send("130d80");
        QVERIFY(!out.note.empty());
        int n = 0;
        QCOMPARE(host.write(pattern(128), n), std::string());
        QCOMPARE(fw.outputReport(pattern(32).data(), 32), std::string("unexpected output"));
        QVERIFY(fw.state().macros == before);
        host.send("930d");
        bool full = false;
        const Bytes in = host.drain(n, full);
        QCOMPARE(n, 4);
        QVERIFY(std::all_of(in.begin(), in.end(), [](auto b) { return b == 0; }));
    }

    void recoveryRestoresFactory() {
        MouseFirmware fw(true, kCode);
        Host host{fw, true};
        int n = 0;
        host.send("12014008");
        host.write(pattern(64), n);
        host.send("130180");
        host.write(pattern(128), n);
        host.send("0108");
        host.send("0b03");
        QCOMPARE(fw.state().buttonTable[0], pattern(64)[0]);

        QVERIFY(host.send("13ff").executed);
        QCOMPARE(host.answer(), answerFrom("13"));
        host.send("9201");
        bool full = false;
        const Bytes table = host.drain(n, full);
        QCOMPARE(table, factoryButtons());
        host.send("9301");
        const Bytes macro = host.drain(n, full);
        QCOMPARE(Bytes(macro.begin(), macro.begin() + 4), (Bytes{0x00, 0x01, 0x00, 0x00}));
        QVERIFY(std::all_of(macro.begin() + 4, macro.end(), [](auto b) { return b == 0; }));
        host.send("81");
        QCOMPARE(host.answer(), answerFrom("8101"));
        host.send("8b");
        QCOMPARE(host.answer(), answerFrom("8b01"));
    }

    void dpiButton() {
        MouseFirmware fw;
        Host host{fw, false};
        QCOMPARE(fw.dpiButton(3), (Bytes{0x06, 0x07, 0x00, 0x03}));
        host.send("8b");
        QCOMPARE(host.answer(), answerFrom("8b03"));
    }

    void stateJson() {
        MouseFirmware fw(true, kCode);
        Host host{fw, true};
        auto parse = [&fw] {
            return QJsonDocument::fromJson(QByteArray::fromStdString(fw.stateJson()));
        };
        QJsonDocument doc = parse();
        QVERIFY(doc.isObject());
        QJsonObject o = doc.object();
        QCOMPARE(o.value("encrypted").toBool(), true);
        QCOMPARE(o.value("report_rate").toInt(), 1);
        QVERIFY(o.value("button_table").toString().startsWith("01 00 f0 00 01 00 f1 00"));
        QCOMPARE(o.value("macros").toArray().size(), 12);
        QVERIFY(o.value("colors").toObject().isEmpty());

        host.send("0108");
        host.send("140002ff0000");
        host.send("030002400a");
        o = parse().object();
        QCOMPARE(o.value("report_rate").toInt(), 8);
        QCOMPARE(o.value("colors").toObject().value("2").toArray(), (QJsonArray{255, 0, 0}));
        QCOMPARE(o.value("function_option").toObject().value("option1").toInt(), 0x40);
    }
};

QTEST_APPLESS_MAIN(FirmwareModelTest)
#include "firmware_model_test.moc"
