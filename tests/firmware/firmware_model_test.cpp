// The firmware model on its own, for what the link cannot show: frames it refuses or
// abandons, commands that share a code, slots out of range, the hand-over to the boot
// loader and recovery. Set-and-read-back of every family, both ways and enciphered, is
// tested through the client and through Hid_Thread.
#include "mouse_firmware.h"
#include "report_codec.h"

#include <QTest>

using vmouse::Bytes;
using vmouse::MouseFirmware;

namespace {

template <typename C> QByteArray hex(const C& c) {
    return QByteArray(reinterpret_cast<const char*>(c.data()), qsizetype(c.size())).toHex();
}

Bytes pattern(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<std::uint8_t>(i * 37 + size + 1);
    return b;
}

// The default assignments, entry by entry.
const QByteArray kFactoryButtons = "0100f0000100f1000100f2000100f4000100f3000700010007000200" +
                                   QByteArray(28, 0).toHex() + "0400010004000200";

// The host end of the link (plain: the cipher is tested through the client).
struct Host {
    MouseFirmware fw;

    // Code and parameters as hex; the checksum is appended.
    vmouse::FeatureOutcome send(const QByteArray& hexFrame) {
        std::array<std::uint8_t, 7> p{};
        const QByteArray b = QByteArray::fromHex(hexFrame);
        std::copy(b.begin(), b.end(), p.begin());
        return fw.featureReport(codec::makeFrame(p[0], p[1], p[2], p[3], p[4], p[5], p[6]).data());
    }
    // The answer of a command without bulk data.
    QByteArray answer() const { return hex(fw.answerWire()); }
    // A block as full 32-byte reports; the notes of all of them.
    std::string write(const Bytes& block) {
        std::string notes;
        for (std::size_t at = 0; at < block.size(); at += vmouse::kBulkReportData)
            notes += fw.outputReport(block.data() + at, vmouse::kBulkReportData);
        return notes;
    }
    // Every queued input report, concatenated.
    QByteArray drain() {
        Bytes all;
        for (; !fw.commandInput().empty(); fw.commandInput().pop_front())
            all.insert(all.end(), fw.commandInput().front().begin(),
                       fw.commandInput().front().end());
        return hex(all);
    }
};

} // namespace

class FirmwareModelTest : public QObject {
    Q_OBJECT

  private slots:
    // Commands that share a code must land in their own register or block.
    void sharedCodesStaySeparate() {
        Host host;
        host.send("12034008");
        host.write(pattern(64));
        host.send("130380");
        host.write(pattern(128));
        host.send("11000403");
        host.write(pattern(192));
        host.send("1200020801");
        host.write(pattern(512));
        const auto& s = host.fw.state();
        QCOMPARE(hex(s.buttonTable), kFactoryButtons);
        QCOMPARE(hex(s.gunTable), hex(pattern(64)));
        QCOMPARE(hex(s.macros[2]), hex(pattern(128)));
        QCOMPARE(s.macros[0][1], 1);
        QCOMPARE(hex(s.dpiCodes), QByteArray("0204060845468080"));
        QCOMPARE(hex(s.keyboardMacros.at(4)), hex(pattern(192)));
        QCOMPARE(hex(s.userPictures.at(2)), hex(pattern(512)));
    }

    void shortAndInterruptedTransfers() {
        Host host;
        // A short report still carries a full chunk: the rest is padding.
        host.send("12014008");
        const Bytes first(10, 0x11), second(32, 0x22);
        QCOMPARE(host.fw.outputReport(first.data(), first.size()), std::string());
        QCOMPARE(host.fw.outputReport(second.data(), second.size()), std::string());
        QCOMPARE(hex(host.fw.state().buttonTable),
                 hex(first) + QByteArray(22, 0).toHex() + hex(second));
        // A command in the middle of a block abandons it.
        host.send("12014008");
        QCOMPARE(host.fw.outputReport(second.data(), 32), std::string());
        QVERIFY(QString::fromStdString(host.send("81").note).contains("abandoned"));
        QCOMPARE(host.fw.outputReport(second.data(), 32), std::string("unexpected output"));
        QCOMPARE(host.fw.state().buttonTable[0], 0x11);
        // Input queued for a getter the host never read is dropped by the next command.
        host.send("9201");
        QCOMPARE(host.fw.commandInput().size(), 2u);
        host.send("8b");
        QVERIFY(host.fw.commandInput().empty());
        QVERIFY(!host.send("55010203").executed);
    }

    void macroSlotOutOfRange() {
        Host host;
        const auto before = host.fw.state().macros;
        QVERIFY(!host.send("130d80").note.empty());
        QCOMPARE(host.write(pattern(128)), std::string());
        QVERIFY(host.fw.state().macros == before);
        host.send("930d");
        QCOMPARE(host.drain(), QByteArray(128, 0).toHex());
    }

    // 0x0F takes only the boot loader's entry code; 0x8F confirms it, once.
    void bootLoaderHandOver() {
        Host host;
        host.send("0f807f22ddd927");
        host.send("8f");
        QCOMPARE(host.answer(), QByteArray("8f00000000000070"));
        QVERIFY(!host.fw.takeBootRequest());
        host.send("0f807f22ddd926");
        host.send("8f");
        QCOMPARE(host.answer(), QByteArray("8fff000000000071"));
        QVERIFY(host.fw.takeBootRequest());
        QVERIFY(!host.fw.takeBootRequest());
        host.send("0f807f22ddd926");
        host.fw.powerOn();
        host.send("8f");
        QVERIFY(!host.fw.takeBootRequest());
    }

    void recoveryRestoresFactory() {
        Host host;
        host.send("12014008");
        host.write(pattern(64));
        host.send("130180");
        host.write(pattern(128));
        host.send("0108");
        QCOMPARE(hex(host.fw.dpiButton(3)), QByteArray("06070003"));
        host.send("8b");
        QCOMPARE(host.answer(), QByteArray("8b03000000000071"));
        QVERIFY(host.send("13ff").executed);
        QCOMPARE(host.answer(), QByteArray("13000000000000ec"));
        host.send("9201");
        QCOMPARE(host.drain(), kFactoryButtons);
        host.send("9301");
        QCOMPARE(host.drain(), "0001" + QByteArray(126, 0).toHex());
        host.send("81");
        QCOMPARE(host.answer(), QByteArray("810100000000007d"));
        host.send("8b");
        QCOMPARE(host.answer(), QByteArray("8b01000000000073"));
    }
};

QTEST_APPLESS_MAIN(FirmwareModelTest)
#include "firmware_model_test.moc"
