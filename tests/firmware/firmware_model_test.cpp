// The virtual mouse's firmware model and boot loader on their own, for what the link
// cannot show: frames refused or abandoned, shared codes, slots and addresses out of range,
// the hand-over to the boot loader, its session, reports byte for byte, what programming,
// locking and the start choice allow, recovery and power lost while programming.
#include "device/codec/report_codec.h"
#include "firmware/boot_loader.h"
#include "firmware/mouse_firmware.h"

#include <QTest>

using namespace bootproto;
using vmouse::BootLoader;
using vmouse::Bytes;
using vmouse::MouseFirmware;

namespace {

template <typename C> QByteArray hex(const C& c, char separator = '\0') {
    return QByteArray(reinterpret_cast<const char*>(c.data()), qsizetype(c.size()))
        .toHex(separator);
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
    explicit Host(bool framed = false)
        : fw(false, "735190", framed ? vmouse::Answers::Framed : vmouse::Answers::Design) {}
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

constexpr std::uint32_t kStart = ispimage::kUserStart;

Report encoded(Command command, std::uint32_t address, std::uint16_t count,
               const Bytes& data = {}) {
    Request r{command, 0x5A, address, count, {}};
    std::copy(data.begin(), data.end(), r.data.begin());
    return encode(r);
}

// A boot loader with its session open unless told otherwise.
struct Loader : BootLoader {
    explicit Loader(bool connect = true) {
        if (connect)
            send(Command::Connect, 0, kProtocolVersion);
    }
    Outcome send(Command command, std::uint32_t address = 0, std::uint16_t count = 0,
                 const Bytes& data = {}) {
        const Report report = encoded(command, address, count, data);
        return request(report.data(), report.size());
    }
    using BootLoader::request;
    Status status(Command command, std::uint32_t address = 0, std::uint16_t count = 0,
                  const Bytes& data = {}) {
        Reply reply;
        decode(send(command, address, count, data).reply, reply);
        return reply.status;
    }
};

} // namespace

Q_DECLARE_METATYPE(bootproto::Command)
Q_DECLARE_METATYPE(bootproto::Status)

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
        QCOMPARE(host.answer(), QByteArray("8f00000000000000"));
        QVERIFY(!host.fw.takeBootRequest());
        host.send("0f807f22ddd926");
        host.send("8f");
        QCOMPARE(host.answer(), QByteArray("8fff000000000000"));
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
        QCOMPARE(host.answer(), QByteArray("8b03000000000000"));
        QVERIFY(host.send("13ff").executed);
        QCOMPARE(host.answer(), QByteArray("1300000000000000"));
        host.send("9201");
        QCOMPARE(host.drain(), kFactoryButtons);
        host.send("9301");
        QCOMPARE(host.drain(), "0001" + QByteArray(126, 0).toHex());
        host.send("81");
        QCOMPARE(host.answer(), QByteArray("8101000000000000"));
        host.send("8b");
        QCOMPARE(host.answer(), QByteArray("8b01000000000000"));
    }

    // By default an answer is the code and the values, as little as a mouse may send;
    // framed answers add the checksum and the keyboard family's size marks.
    void answerFraming_data() {
        QTest::addColumn<bool>("framed");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("design, value")
            << false << QByteArray("81") << QByteArray("8101000000000000");
        QTest::newRow("design, block")
            << false << QByteArray("910003") << QByteArray("9100000000000000");
        QTest::newRow("design, unknown")
            << false << QByteArray("55") << QByteArray("0000000000000000");
        QTest::newRow("framed, value")
            << true << QByteArray("81") << QByteArray("810100000000007d");
        QTest::newRow("framed, block")
            << true << QByteArray("910003") << QByteArray("910000030000006b");
        QTest::newRow("framed, picture")
            << true << QByteArray("920002") << QByteArray("9200000800000065");
        QTest::newRow("framed, unknown")
            << true << QByteArray("55") << QByteArray("0000000000000000");
    }

    void answerFraming() {
        QFETCH(bool, framed);
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, answer);
        Host host(framed);
        host.send(command);
        QCOMPARE(host.answer(), answer);
    }

    void reportsByteForByte() {
        const std::uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
        QCOMPARE(ispimage::crc16(check, sizeof check), std::uint16_t(0x29B1));
        const Report program = encoded(Command::Program, 0x2030, 3, {0xAA, 0xBB, 0xCC});
        QCOMPARE(hex(program, ' '), "20 5a 00 00 30 20 00 00 03 00 00 00 aa bb cc " +
                                        QByteArray(47, 0).toHex(' ') + " 9e ec");
        Request r;
        QVERIFY(decode(program, r));
        QCOMPARE(r.address, 0x2030u);
        QCOMPARE(r.count, std::uint16_t(3));
        // Connect answers what the flash is: protocol 1, loader 0x11, pages of 512 from
        // 0x2000, 64 KiB in 128 pages, the boot loader chosen, no valid program.
        QCOMPARE(hex(Loader(false).send(Command::Connect, 0, kProtocolVersion).reply, ' '),
                 "01 5a 00 00 00 00 00 00 00 00 00 00 01 11 00 02 00 20 00 00 00 00 01 00 80 00 "
                 "01 00 00 " +
                     QByteArray(33, 0).toHex(' ') + " 80 99");
    }

    void sessionAndDamagedRequests() {
        Loader loader(false);
        QCOMPARE(loader.status(Command::Connect, 0, 2), Status::Unsupported);
        QCOMPARE(loader.status(Command::Erase, kStart, 1), Status::NotConnected);
        QCOMPARE(loader.status(Command(0x55)), Status::UnknownCommand);
        loader.send(Command::Connect, 0, kProtocolVersion);
        Report report = encoded(Command::Erase, kStart, 1);
        report[20] ^= 0x01;
        Reply reply;
        QVERIFY(decode(loader.request(report.data(), report.size()).reply, reply));
        QCOMPARE(reply.status, Status::BadCrc);
        QCOMPARE(loader.status(Command::Program, kStart, 1, {0}), Status::Ok);
        QCOMPARE(loader.status(Command::Disconnect), Status::Ok);
        QCOMPARE(loader.status(Command::Erase, kStart, 1), Status::NotConnected);
    }

    void addressesOutsideTheUserArea_data() {
        QTest::addColumn<Command>("command");
        QTest::addColumn<quint32>("address");
        QTest::addColumn<int>("count");
        QTest::addColumn<Status>("expected");
        const quint32 end = kStart + ispimage::kUserSize;
        QTest::newRow("program below")
            << Command::Program << kStart - 8 << 16 << Status::OutOfRange;
        QTest::newRow("program over the end")
            << Command::Program << end - 8 << 16 << Status::OutOfRange;
        QTest::newRow("program 49 bytes") << Command::Program << kStart << 49 << Status::BadLength;
        QTest::newRow("erase off a page")
            << Command::Erase << kStart + 16 << 1 << Status::OutOfRange;
        QTest::newRow("erase past the end")
            << Command::Erase << end - 512 << 2 << Status::OutOfRange;
        QTest::newRow("read below") << Command::Read << kStart - 1 << 8 << Status::OutOfRange;
        QTest::newRow("lock below") << Command::Lock << kStart - 512 << 1 << Status::OutOfRange;
    }

    void addressesOutsideTheUserArea() {
        QFETCH(Command, command);
        QFETCH(quint32, address);
        QFETCH(int, count);
        QFETCH(Status, expected);
        Loader loader;
        QCOMPARE(loader.status(command, address, std::uint16_t(count), Bytes(48, 1)), expected);
        QVERIFY(loader.userArea() == Bytes(ispimage::kUserSize, 0xFF));
        QVERIFY(!loader.pageLocked(0) && !loader.pageLocked(127));
    }

    void programLockAndStart() {
        Loader loader;
        loader.installFactoryImage(ispimage::makeImage(4096, 3, 1, 0x0A));
        QVERIFY(loader.startsUserProgram());
        // A half-written program is never started: an erase chooses the boot loader.
        QCOMPARE(loader.status(Command::Erase, kStart + 1536, 1), Status::Ok);
        QVERIFY(loader.programValid() && !loader.startsUserProgram());
        // Page 0 holds the info block: without it there is nothing to start.
        QCOMPARE(loader.status(Command::Erase, kStart, 3), Status::Ok);
        QCOMPARE(loader.status(Command::SetStart, 0, kStartUserProgram), Status::NoProgram);
        QCOMPARE(loader.status(Command::SetStart, 0, 7), Status::Unsupported);
        // Bytes already programmed are refused; the erased ones right after them are not.
        QCOMPARE(loader.status(Command::Program, kStart + 40, 8, Bytes(8, 1)), Status::Ok);
        QCOMPARE(loader.status(Command::Program, kStart + 47, 2, {2, 2}), Status::NotErased);
        QCOMPARE(loader.status(Command::Program, kStart + 48, 2, {3, 3}), Status::Ok);
        QCOMPARE(loader.status(Command::Lock, kStart + 512, 1), Status::Ok);
        QVERIFY(!loader.pageLocked(0) && loader.pageLocked(1) && !loader.pageLocked(2));
        QCOMPARE(loader.status(Command::Read, kStart + 508, 8), Status::Locked);
        QCOMPARE(loader.status(Command::Verify, kStart + 1020, 8), Status::Locked);
        QCOMPARE(loader.status(Command::Read, kStart + 1024, 8), Status::Ok);
    }

    void powerLostWhileProgramming() {
        Loader loader;
        QVERIFY(loader.fault("boot-vanish-program", 2));
        QVERIFY(loader.send(Command::Program, kStart, 2, {1, 2}).answered);
        QVERIFY(!loader.send(Command::Program, kStart + 2, 2, {5, 6}).answered);
        QCOMPARE(int(loader.userArea()[2]), 0xFF);
        QVERIFY(loader.send(Command::Program, kStart + 2, 2, {5, 6}).answered);
        QCOMPARE(int(loader.userArea()[2]), 5);
    }
};

QTEST_APPLESS_MAIN(FirmwareModelTest)
#include "firmware_model_test.moc"
