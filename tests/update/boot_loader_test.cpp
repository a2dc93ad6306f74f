// The virtual mouse's boot loader driven directly: its reports byte for byte, damaged
// frames, requests outside a session or the user area, what programming, locking and the
// start choice allow, and power lost while programming.
#include "boot_loader.h"

#include <QTest>

using namespace bootproto;
using vmouse::BootLoader;

namespace {

constexpr std::uint32_t kStart = ispimage::kUserStart;
using Bytes = std::vector<std::uint8_t>;

QByteArray hex(const Report& r) {
    return QByteArray(reinterpret_cast<const char*>(r.data()), qsizetype(r.size())).toHex(' ');
}

QByteArray zeros(int n) {
    return QByteArray(n, '\0').toHex(' ');
}

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

class BootLoaderTest : public QObject {
    Q_OBJECT
  private slots:
    void reportsByteForByte() {
        const std::uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
        QCOMPARE(ispimage::crc16(check, sizeof check), std::uint16_t(0x29B1));
        const Report program = encoded(Command::Program, 0x2030, 3, {0xAA, 0xBB, 0xCC});
        QCOMPARE(hex(program),
                 "20 5a 00 00 30 20 00 00 03 00 00 00 aa bb cc " + zeros(47) + " 9e ec");
        Request r;
        QVERIFY(decode(program, r));
        QCOMPARE(r.address, 0x2030u);
        QCOMPARE(r.count, std::uint16_t(3));
        // Connect answers what the flash is: protocol 1, loader 0x11, pages of 512 from
        // 0x2000, 64 KiB in 128 pages, the boot loader chosen, no valid program.
        QCOMPARE(hex(Loader(false).send(Command::Connect, 0, kProtocolVersion).reply),
                 "01 5a 00 00 00 00 00 00 00 00 00 00 01 11 00 02 00 20 00 00 00 00 01 00 80 00 "
                 "01 00 00 " +
                     zeros(33) + " 80 99");
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

QTEST_GUILESS_MAIN(BootLoaderTest)
#include "boot_loader_test.moc"
