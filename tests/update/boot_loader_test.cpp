// The virtual mouse's boot loader driven directly, for what ISPDLL never asks of it: damaged
// frames, requests outside a session or the user area, unknown commands and start choices,
// partial locks, and how its faults count down.
#include "boot_loader.h"

#include <QTest>

using namespace bootproto;
using vmouse::BootLoader;

namespace {

constexpr std::uint32_t kStart = ispimage::kUserStart;
constexpr std::uint32_t kPage = ispimage::kPageSize;

struct Exchange {
    Reply reply;
    BootLoader::Outcome outcome;
};

Exchange send(BootLoader& loader, Command command, std::uint32_t address = 0,
              std::uint16_t count = 0, const std::vector<std::uint8_t>& data = {}) {
    Request r;
    r.command = command;
    r.tag = 0x5A;
    r.address = address;
    r.count = count;
    std::copy(data.begin(), data.end(), r.data.begin());
    const Report report = encode(r);
    Exchange e;
    e.outcome = loader.request(report.data(), report.size());
    decode(e.outcome.reply, e.reply);
    return e;
}

Status status(BootLoader& loader, Command command, std::uint32_t address = 0,
              std::uint16_t count = 0, const std::vector<std::uint8_t>& data = {}) {
    return send(loader, command, address, count, data).reply.status;
}

BootLoader connected() {
    BootLoader loader;
    send(loader, Command::Connect, 0, kProtocolVersion);
    return loader;
}

} // namespace

Q_DECLARE_METATYPE(bootproto::Command)
Q_DECLARE_METATYPE(bootproto::Status)

class BootLoaderTest : public QObject {
    Q_OBJECT
  private slots:
    void damagedRequestIsRefusedAndDoesNothing() {
        BootLoader loader;
        const auto image = ispimage::makeImage(1024, 1, 1, 1);
        loader.installFactoryImage(image);
        send(loader, Command::Connect, 0, kProtocolVersion);
        Request erase;
        erase.command = Command::Erase;
        erase.tag = 9;
        erase.address = kStart;
        erase.count = 1;
        Report report = encode(erase);
        report[20] ^= 0x01;
        const auto outcome = loader.request(report.data(), report.size());
        Reply reply;
        QVERIFY(decode(outcome.reply, reply));
        QCOMPARE(reply.status, Status::BadCrc);
        QCOMPARE(reply.tag, std::uint8_t(9));
        QVERIFY(loader.pageLocked(0));
        QCOMPARE(int(loader.userArea()[0]), int(image[0]));
    }

    void sessionRules() {
        BootLoader loader;
        QCOMPARE(status(loader, Command::Connect, 0, 2), Status::Unsupported);
        QVERIFY(!loader.sessionOpen());
        QCOMPARE(status(loader, Command::Erase, kStart, 1), Status::NotConnected);
        QCOMPARE(status(loader, Command::Reset), Status::NotConnected);
        // An unknown command is named as such, session or not.
        QCOMPARE(status(loader, Command(0x55)), Status::UnknownCommand);
        send(loader, Command::Connect, 0, kProtocolVersion);
        QCOMPARE(status(loader, Command::Erase, kStart, 1), Status::Ok);
        QCOMPARE(status(loader, Command::Disconnect), Status::Ok);
        QCOMPARE(status(loader, Command::Erase, kStart, 1), Status::NotConnected);
        send(loader, Command::Connect, 0, kProtocolVersion);
        loader.powerOn();
        QVERIFY(!loader.sessionOpen());
    }

    void addressesOutsideTheUserArea_data() {
        QTest::addColumn<Command>("command");
        QTest::addColumn<quint32>("address");
        QTest::addColumn<int>("count");
        QTest::addColumn<Status>("expected");
        const quint32 end = kStart + ispimage::kUserSize;
        QTest::newRow("program the boot loader")
            << Command::Program << 0x1000u << 16 << Status::OutOfRange;
        QTest::newRow("program over the end")
            << Command::Program << end - 8 << 16 << Status::OutOfRange;
        QTest::newRow("program nothing") << Command::Program << kStart << 0 << Status::BadLength;
        QTest::newRow("program 49 bytes") << Command::Program << kStart << 49 << Status::BadLength;
        QTest::newRow("erase the boot loader")
            << Command::Erase << 0x1E00u << 1 << Status::OutOfRange;
        QTest::newRow("erase off a page")
            << Command::Erase << kStart + 16 << 1 << Status::OutOfRange;
        QTest::newRow("erase no pages") << Command::Erase << kStart << 0 << Status::OutOfRange;
        QTest::newRow("erase past the end")
            << Command::Erase << end - kPage << 2 << Status::OutOfRange;
        QTest::newRow("read the boot loader")
            << Command::Read << 0x0000u << 8 << Status::OutOfRange;
        QTest::newRow("verify the boot loader")
            << Command::Verify << 0x1F00u << 512 << Status::OutOfRange;
        QTest::newRow("blank-check past the end")
            << Command::BlankCheck << kStart << 129 << Status::OutOfRange;
        QTest::newRow("lock the boot loader")
            << Command::Lock << 0x0000u << 1 << Status::OutOfRange;
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
    }

    void lockingSomePages() {
        BootLoader loader = connected();
        const Exchange some = send(loader, Command::Lock, kStart + kPage, 2);
        QCOMPARE(some.reply.status, Status::Ok);
        QCOMPARE(some.reply.value, 2u);
        QVERIFY(!loader.pageLocked(0));
        QVERIFY(loader.pageLocked(1) && loader.pageLocked(2));
        QVERIFY(!loader.pageLocked(3));
        QCOMPARE(status(loader, Command::Program, kStart + kPage + 100, 4, {1, 2, 3, 4}),
                 Status::Locked);
    }

    void startChoices() {
        BootLoader loader;
        loader.installFactoryImage(ispimage::makeImage(4096, 3, 1, 0x0A));
        send(loader, Command::Connect, 0, kProtocolVersion);
        QCOMPARE(status(loader, Command::SetStart, 0, 7), Status::Unsupported);
        QVERIFY(loader.startsUserProgram());
        QCOMPARE(status(loader, Command::SetStart, 0, kStartBootLoader), Status::Ok);
        QVERIFY(!loader.startsUserProgram());
    }

    void faultsCountDown() {
        BootLoader loader = connected();
        QVERIFY(!loader.fault("boot-no-such-thing", 1));

        QVERIFY(loader.fault("boot-erase-fail", 2));
        QCOMPARE(status(loader, Command::Erase, kStart, 1), Status::Failed);
        QCOMPARE(status(loader, Command::Erase, kStart, 1), Status::Failed);
        QCOMPARE(status(loader, Command::Erase, kStart, 1), Status::Ok);

        // Power goes on the third program request: it gets no reply and writes nothing.
        QVERIFY(loader.fault("boot-vanish-program", 3));
        QVERIFY(send(loader, Command::Program, kStart, 2, {1, 2}).outcome.answered);
        QVERIFY(send(loader, Command::Program, kStart + 2, 2, {3, 4}).outcome.answered);
        QVERIFY(!send(loader, Command::Program, kStart + 4, 2, {5, 6}).outcome.answered);
        QCOMPARE(int(loader.userArea()[4]), 0xFF);
        QVERIFY(send(loader, Command::Program, kStart + 4, 2, {5, 6}).outcome.answered);

        QVERIFY(loader.fault("boot-lock-fail", 5));
        loader.clearFaults();
        QCOMPARE(status(loader, Command::Lock), Status::Ok);
    }
};

QTEST_GUILESS_MAIN(BootLoaderTest)
#include "boot_loader_test.moc"
