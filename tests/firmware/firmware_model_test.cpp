// The firmware model on its own, for what the link cannot show: frames it refuses or
// abandons, commands that share a code, slots out of range, the hand-over to the boot
// loader, recovery and the state dump. Set-and-read-back of every family, both ways and
// enciphered, is tested through the client and through Hid_Thread.
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

// Code and parameters as hex; the checksum is appended.
codec::Frame frame(const QByteArray& hex) {
    const QByteArray b = QByteArray::fromHex(hex);
    std::array<std::uint8_t, 7> p{};
    std::copy_n(b.begin(), std::min<qsizetype>(7, b.size()), p.begin());
    return codec::makeFrame(p[0], p[1], p[2], p[3], p[4], p[5], p[6]);
}

QByteArray hex(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).toHex();
}

Bytes pattern(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<std::uint8_t>(i * 37 + size + 1);
    return b;
}

template <typename C> Bytes bytes(const C& c) {
    return Bytes(std::begin(c), std::end(c));
}

// The default assignments, entry by entry.
const Bytes kFactoryButtons = bytes(
    QByteArray::fromHex("0100f000 0100f100 0100f200 0100f400 0100f300 07000100 07000200 00000000 "
                        "00000000 00000000 00000000 00000000 00000000 00000000 04000100 04000200"));

// The host end of the link, enciphering with 735190 when the mouse does.
struct Host {
    MouseFirmware& fw;
    codec::SecrecyCode code{};

    explicit Host(MouseFirmware& f) : fw(f) { codec::secrecyFromText("735190", 6, code); }
    vmouse::FeatureOutcome send(const QByteArray& hexFrame) {
        codec::Frame f = frame(hexFrame);
        if (fw.encrypted())
            codec::encrypt(f.data(), code.data());
        return fw.featureReport(f.data());
    }
    // The answer of a command without bulk data, deciphered as the host does.
    QByteArray answer() const {
        auto a = fw.answerWire();
        if (fw.encrypted())
            codec::decipher(a.data(), code.data());
        return hex(a.data(), a.size());
    }
    // Sends a block as full 32-byte reports; returns the notes of all of them.
    std::string write(const Bytes& block) {
        std::string notes;
        for (std::size_t at = 0; at < block.size(); at += vmouse::kBulkReportData)
            notes += fw.outputReport(block.data() + at, vmouse::kBulkReportData);
        return notes;
    }
    // Every queued input report, concatenated.
    Bytes drain() {
        Bytes all;
        for (; !fw.commandInput().empty(); fw.commandInput().pop_front())
            all.insert(all.end(), fw.commandInput().front().begin(),
                       fw.commandInput().front().end());
        return all;
    }
};

} // namespace

class FirmwareModelTest : public QObject {
    Q_OBJECT

  private slots:
    // Commands that share a code must land in their own register or block.
    void sharedCodesStaySeparate() {
        MouseFirmware fw;
        Host host(fw);
        host.send("12034008");
        host.write(pattern(64));
        host.send("130380");
        host.write(pattern(128));
        host.send("11000403");
        host.write(pattern(192));
        host.send("1200020801");
        host.write(pattern(512));
        const auto& s = fw.state();
        QVERIFY(bytes(s.buttonTable) == kFactoryButtons);
        QVERIFY(bytes(s.macros[2]) == pattern(128));
        QCOMPARE(s.macros[0][1], 1);
        QCOMPARE(s.dpiMaxStage, 6);
        QCOMPARE(hex(s.dpiCodes.data(), 8), QByteArray("0204060845468080"));
        QVERIFY(bytes(s.gunTable) == pattern(64));
        QVERIFY(bytes(s.keyboardMacros.at(4)) == pattern(192));
        QVERIFY(bytes(s.userPictures.at(2)) == pattern(512));
    }

    void shortAndInterruptedTransfers() {
        MouseFirmware fw;
        Host host(fw);
        // A short report still carries a full chunk: the rest is padding.
        host.send("12014008");
        const Bytes first(10, 0x11), second(32, 0x22);
        QCOMPARE(fw.outputReport(first.data(), first.size()), std::string());
        QCOMPARE(fw.outputReport(second.data(), second.size()), std::string());
        QCOMPARE(hex(fw.state().buttonTable.data(), 64), QByteArray(10, '\x11').toHex() +
                                                             QByteArray(22, 0).toHex() +
                                                             QByteArray(32, '\x22').toHex());
        // A command in the middle of a block abandons it.
        host.send("12014008");
        QCOMPARE(fw.outputReport(second.data(), 32), std::string());
        QVERIFY(QString::fromStdString(host.send("81").note).contains("abandoned"));
        QCOMPARE(fw.outputReport(second.data(), 32), std::string("unexpected output"));
        QCOMPARE(fw.state().buttonTable[0], 0x11);
        // Input queued for a getter the host never read is dropped by the next command.
        host.send("9201");
        QCOMPARE(fw.commandInput().size(), 2u);
        host.send("8b");
        QVERIFY(fw.commandInput().empty());
        QVERIFY(!host.send("55010203").executed);
    }

    void macroSlotOutOfRange() {
        MouseFirmware fw;
        Host host(fw);
        const auto before = fw.state().macros;
        QVERIFY(!host.send("130d80").note.empty());
        QCOMPARE(host.write(pattern(128)), std::string());
        QCOMPARE(fw.outputReport(pattern(32).data(), 32), std::string("unexpected output"));
        QVERIFY(fw.state().macros == before);
        host.send("930d");
        QCOMPARE(host.drain(), Bytes(128, 0));
    }

    // 0x0F takes only the boot loader's entry code; 0x8F confirms it, once.
    void bootLoaderHandOver() {
        MouseFirmware fw;
        Host host(fw);
        host.send("0f807f22ddd927");
        host.send("8f");
        QCOMPARE(host.answer(), QByteArray("8f00000000000070"));
        QVERIFY(!fw.takeBootRequest());
        host.send("0f807f22ddd926");
        host.send("8f");
        QCOMPARE(host.answer(), QByteArray("8fff000000000071"));
        QVERIFY(fw.takeBootRequest());
        QVERIFY(!fw.takeBootRequest());
        host.send("0f807f22ddd926");
        fw.powerOn();
        host.send("8f");
        QVERIFY(!fw.takeBootRequest());
    }

    void recoveryRestoresFactory() {
        MouseFirmware fw(true, "735190");
        Host host(fw);
        host.send("12014008");
        host.write(pattern(64));
        host.send("130180");
        host.write(pattern(128));
        host.send("0108");
        QCOMPARE(fw.dpiButton(3), (Bytes{0x06, 0x07, 0x00, 0x03}));
        host.send("8b");
        QCOMPARE(host.answer(), QByteArray("8b03000000000071"));

        QVERIFY(host.send("13ff").executed);
        QCOMPARE(host.answer(), QByteArray("13000000000000ec"));
        host.send("9201");
        QVERIFY(host.drain() == kFactoryButtons);
        host.send("9301");
        const Bytes macro = host.drain();
        QCOMPARE(hex(macro.data(), macro.size()), "0001" + QByteArray(126, 0).toHex());
        host.send("81");
        QCOMPARE(host.answer(), QByteArray("810100000000007d"));
        host.send("8b");
        QCOMPARE(host.answer(), QByteArray("8b01000000000073"));
    }

    void stateJson() {
        MouseFirmware fw;
        Host host(fw);
        host.send("0108");
        host.send("140002ff0000");
        const QJsonObject o =
            QJsonDocument::fromJson(QByteArray::fromStdString(fw.stateJson())).object();
        QCOMPARE(o.value("report_rate").toInt(), 8);
        QVERIFY(o.value("button_table").toString().startsWith("01 00 f0 00 01 00 f1 00"));
        QCOMPARE(o.value("colors").toObject().value("2").toArray(), (QJsonArray{255, 0, 0}));
        QCOMPARE(o.value("firmware_version").toObject().value("a2").toInt(), 0x0A);
    }
};

QTEST_APPLESS_MAIN(FirmwareModelTest)
#include "firmware_model_test.moc"
