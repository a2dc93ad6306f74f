// The virtual mouse's boot loader driven directly: its reports byte for byte, damaged
// frames, requests outside a session or the user area, what programming, locking and the
// start choice allow, and power lost while programming.
#include "boot_loader.h"

#include <QTest>

using namespace bootproto;
using vmouse::BootLoader;

namespace {

constexpr std::uint32_t kStart = ispimage::kUserStart;

QByteArray hex(const Report& r) {
    return QByteArray(reinterpret_cast<const char*>(r.data()), qsizetype(r.size())).toHex(' ');
}

Report request(Command command, std::uint32_t address, std::uint16_t count,
               const std::vector<std::uint8_t>& data = {}) {
    Request r;
    r.command = command;
    r.tag = 0x5A;
    r.address = address;
    r.count = count;
    std::copy(data.begin(), data.end(), r.data.begin());
    return encode(r);
}

BootLoader::Outcome send(BootLoader& loader, Command command, std::uint32_t address = 0,
                         std::uint16_t count = 0, const std::vector<std::uint8_t>& data = {}) {
    const Report report = request(command, address, count, data);
    return loader.request(report.data(), report.size());
}

Status status(BootLoader& loader, Command command, std::uint32_t address = 0,
              std::uint16_t count = 0, const std::vector<std::uint8_t>& data = {}) {
    Reply reply;
    decode(send(loader, command, address, count, data).reply, reply);
    return reply.status;
}

BootLoader connected() {
    BootLoader loader;
    send(loader, Command::Connect, 0, kProtocolVersion);
    return loader;
}

QByteArray zeros(int n) {
    return QByteArray(n, '\0').toHex(' ');
}

} // namespace

Q_DECLARE_METATYPE(bootproto::Command)
Q_DECLARE_METATYPE(bootproto::Status)

class BootLoaderTest : public QObject {
    Q_OBJECT
  private slots:
    void reportsByteForByte() {
        const std::uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
        QCOMPARE(ispimage::crc16(check, sizeof check), std::uint16_t(0x29B1));
        const Report program = request(Command::Program, 0x2030, 3, {0xAA, 0xBB, 0xCC});
        QCOMPARE(hex(program),
                 "20 5a 00 00 30 20 00 00 03 00 00 00 aa bb cc " + zeros(47) + " 9e ec");
        Request r;
        QVERIFY(decode(program, r));
        QCOMPARE(r.address, 0x2030u);
        QCOMPARE(r.count, std::uint16_t(3));
        // Connect answers what the flash is: protocol 1, loader 0x11, pages of 512 from
        // 0x2000, 64 KiB in 128 pages, the boot loader chosen, no valid program.
        BootLoader loader;
        QCOMPARE(hex(send(loader, Command::Connect, 0, kProtocolVersion).reply),
                 "01 5a 00 00 00 00 00 00 00 00 00 00 01 11 00 02 00 20 00 00 00 00 01 00 80 00 "
                 "01 00 00 " +
                     zeros(33) + " 80 99");
    }

    void damagedRequestIsRefusedAndDoesNothing() {
        BootLoader loader;
        loader.installFactoryImage(ispimage::makeImage(1024, 1, 1, 1));
        send(loader, Command::Connect, 0, kProtocolVersion);
        Report report = request(Command::Erase, kStart, 1);
        report[20] ^= 0x01;
        Reply reply;
        QVERIFY(decode(loader.request(report.data(), report.size()).reply, reply));
        QCOMPARE(reply.status, Status::BadCrc);
        QCOMPARE(reply.tag, std::uint8_t(0x5A));
        QVERIFY(loader.pageLocked(0));
    }

    void sessionRules() {
        BootLoader loader;
        QCOMPARE(status(loader, Command::Connect, 0, 2), Status::Unsupported);
        QCOMPARE(status(loader, Command::Erase, kStart, 1), Status::NotConnected);
        QCOMPARE(status(loader, Command(0x55)), Status::UnknownCommand);
        send(loader, Command::Connect, 0, kProtocolVersion);
        QCOMPARE(status(loader, Command::Erase, kStart, 1), Status::Ok);
        QCOMPARE(status(loader, Command::Disconnect), Status::Ok);
        QCOMPARE(status(loader, Command::Erase, kStart, 1), Status::NotConnected);
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
        QTest::newRow("blank-check past the end")
            << Command::BlankCheck << kStart << 129 << Status::OutOfRange;
        QTest::newRow("lock below") << Command::Lock << kStart - 512 << 1 << Status::OutOfRange;
    }

    void addressesOutsideTheUserArea() {
        QFETCH(Command, command);
        QFETCH(quint32, address);
        QFETCH(int, count);
        QFETCH(Status, expected);
        BootLoader loader = connected();
        const auto before = loader.userArea();
        QCOMPARE(status(loader, command, address, std::uint16_t(count),
                        std::vector<std::uint8_t>(48, 1)),
                 expected);
        QVERIFY(loader.userArea() == before);
        QVERIFY(!loader.pageLocked(0) && !loader.pageLocked(127));
    }

    void programLockAndStart() {
        BootLoader loader;
        loader.installFactoryImage(ispimage::makeImage(4096, 3, 1, 0x0A));
        send(loader, Command::Connect, 0, kProtocolVersion);
        QVERIFY(loader.startsUserProgram());
        QCOMPARE(status(loader, Command::Erase, kStart, 3), Status::Ok);
        // Page 0 held the info block: nothing valid to start, and the erase chose the loader.
        QVERIFY(!loader.startsUserProgram());
        QCOMPARE(status(loader, Command::SetStart, 0, kStartUserProgram), Status::NoProgram);
        QCOMPARE(status(loader, Command::SetStart, 0, 7), Status::Unsupported);
        // Bytes already programmed are refused; the erased ones right after them are not.
        QCOMPARE(status(loader, Command::Program, kStart + 40, 8, std::vector<std::uint8_t>(8, 1)),
                 Status::Ok);
        QCOMPARE(status(loader, Command::Program, kStart + 47, 2, {2, 2}), Status::NotErased);
        QCOMPARE(status(loader, Command::Program, kStart + 48, 2, {3, 3}), Status::Ok);
        QCOMPARE(status(loader, Command::Lock, kStart + 512, 1), Status::Ok);
        QVERIFY(!loader.pageLocked(0) && loader.pageLocked(1) && !loader.pageLocked(2));
        QCOMPARE(status(loader, Command::Read, kStart + 508, 8), Status::Locked);
        QCOMPARE(status(loader, Command::Verify, kStart + 1020, 8), Status::Locked);
        QCOMPARE(status(loader, Command::Read, kStart + 1024, 8), Status::Ok);
    }

    void powerLostWhileProgramming() {
        BootLoader loader = connected();
        QVERIFY(loader.fault("boot-vanish-program", 2));
        QVERIFY(send(loader, Command::Program, kStart, 2, {1, 2}).answered);
        QVERIFY(!send(loader, Command::Program, kStart + 2, 2, {5, 6}).answered);
        QCOMPARE(int(loader.userArea()[2]), 0xFF);
        QVERIFY(send(loader, Command::Program, kStart + 2, 2, {5, 6}).answered);
        QCOMPARE(int(loader.userArea()[2]), 5);
    }
};

QTEST_GUILESS_MAIN(BootLoaderTest)
#include "boot_loader_test.moc"
