// The firmware model on its own, for what the link cannot show: frames it refuses or
// abandons, commands that share a code, slots out of range, recovery and the state dump.
// Set-and-read-back of every family, both ways and enciphered, is tested through the
// client and through Hid_Thread.
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
    void unknownCommand() {
        MouseFirmware fw;
        Host host{fw, false};
        const auto out = host.send("55010203");
        QVERIFY(!out.executed);
        QCOMPARE(out.note, std::string("unknown command"));
        QCOMPARE(fw.answerPlain(), codec::Frame{});
    }

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
        QCOMPARE(host.answer(), answerFrom("810100000000007d"));
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
        QCOMPARE(host.answer(), answerFrom("13000000000000ec"));
        host.send("9201");
        bool full = false;
        const Bytes table = host.drain(n, full);
        QCOMPARE(table, factoryButtons());
        host.send("9301");
        const Bytes macro = host.drain(n, full);
        QCOMPARE(Bytes(macro.begin(), macro.begin() + 4), (Bytes{0x00, 0x01, 0x00, 0x00}));
        QVERIFY(std::all_of(macro.begin() + 4, macro.end(), [](auto b) { return b == 0; }));
        host.send("81");
        QCOMPARE(host.answer(), answerFrom("810100000000007d"));
        host.send("8b");
        QCOMPARE(host.answer(), answerFrom("8b01000000000073"));
    }

    void dpiButton() {
        MouseFirmware fw;
        Host host{fw, false};
        QCOMPARE(fw.dpiButton(3), (Bytes{0x06, 0x07, 0x00, 0x03}));
        host.send("8b");
        QCOMPARE(host.answer(), answerFrom("8b03000000000071"));
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
