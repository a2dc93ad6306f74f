// The virtual mouse's boot loader on its own: the protocol frame, sessions, flash rules
// (erase before program, locks, the boot loader's own area), start-up choice and faults.
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
    bool crcOk = false;
};

Exchange send(BootLoader& loader, Command command, std::uint32_t address = 0,
              std::uint16_t count = 0, const std::vector<std::uint8_t>& data = {},
              std::uint8_t tag = 0x5A) {
    Request r;
    r.command = command;
    r.tag = tag;
    r.address = address;
    r.count = count;
    std::copy(data.begin(), data.end(), r.data.begin());
    const Report report = encode(r);
    Exchange e;
    e.outcome = loader.request(report.data(), report.size());
    e.crcOk = decode(e.outcome.reply, e.reply);
    return e;
}

Status status(BootLoader& loader, Command command, std::uint32_t address = 0,
              std::uint16_t count = 0, const std::vector<std::uint8_t>& data = {}) {
    return send(loader, command, address, count, data).reply.status;
}

std::vector<std::uint8_t> bytes(std::size_t n, std::uint8_t first) {
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<std::uint8_t>(first + i);
    return out;
}

std::vector<std::uint8_t> crcData(const std::vector<std::uint8_t>& content) {
    std::vector<std::uint8_t> d(2);
    put16(d.data(), ispimage::crc16(content.data(), content.size()));
    return d;
}

BootLoader connected() {
    BootLoader loader;
    send(loader, Command::Connect, 0, kProtocolVersion);
    return loader;
}

// A boot loader holding the factory image (locked, started), in a session.
BootLoader factory() {
    BootLoader loader;
    loader.installFactoryImage(ispimage::makeImage(4096, 3, 1, 0x0A));
    send(loader, Command::Connect, 0, kProtocolVersion);
    return loader;
}

} // namespace

Q_DECLARE_METATYPE(bootproto::Command)
Q_DECLARE_METATYPE(bootproto::Status)

class BootLoaderTest : public QObject {
    Q_OBJECT
  private slots:
    void framesCarryCrcAndTag() {
        BootLoader loader;
        const Exchange e = send(loader, Command::Connect, 0, kProtocolVersion, {}, 0xC3);
        QVERIFY(e.crcOk);
        QCOMPARE(e.reply.command, std::uint8_t(Command::Connect));
        QCOMPARE(e.reply.tag, std::uint8_t(0xC3));
        QCOMPARE(e.reply.status, Status::Ok);

        // A request damaged on the way is refused and does nothing.
        Request erase;
        erase.command = Command::Erase;
        erase.tag = 9;
        erase.address = kStart;
        erase.count = 1;
        Report report = encode(erase);
        report[20] ^= 0x01;
        loader.installFactoryImage(ispimage::makeImage(1024, 1, 1, 1));
        const auto outcome = loader.request(report.data(), report.size());
        Reply reply;
        QVERIFY(decode(outcome.reply, reply));
        QCOMPARE(reply.status, Status::BadCrc);
        QCOMPARE(reply.tag, std::uint8_t(9));
        QCOMPARE(outcome.note, std::string("refused: bad crc"));
        QVERIFY(loader.pageLocked(0));
        QCOMPARE(int(loader.userArea()[0]), int(ispimage::makeImage(1024, 1, 1, 1)[0]));
    }

    void connectDescribesTheFlash() {
        BootLoader loader;
        loader.installFactoryImage(ispimage::makeImage(2048, 5, 1, 0x0A));
        QCOMPARE(status(loader, Command::Connect, 0, 2), Status::Unsupported);
        QVERIFY(!loader.sessionOpen());
        const Exchange e = send(loader, Command::Connect, 0, kProtocolVersion);
        QCOMPARE(e.reply.status, Status::Ok);
        QVERIFY(loader.sessionOpen());
        const DeviceInfo info = takeInfo(e.reply.data);
        QCOMPARE(info.protocolVersion, kProtocolVersion);
        QCOMPARE(info.pageSize, std::uint16_t(512));
        QCOMPARE(info.userStart, std::uint32_t(0x2000));
        QCOMPARE(info.userSize, std::uint32_t(0x10000));
        QCOMPARE(info.pageCount, std::uint16_t(128));
        QCOMPARE(info.startChoice, kStartUserProgram);
        QVERIFY(info.programValid);
    }

    void sessionRules() {
        BootLoader loader;
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
        QCOMPARE(status(loader, command, address, std::uint16_t(count), bytes(48, 1)), expected);
        QVERIFY(loader.userArea() == before);
    }

    void programNeedsErasedUnlockedFlash() {
        BootLoader loader = factory();
        const std::uint32_t at = kStart + 3 * kPage;
        // The factory image's pages are locked against programming and reading.
        QCOMPARE(status(loader, Command::Program, at, 16, bytes(16, 0)), Status::Locked);
        QCOMPARE(status(loader, Command::Read, kStart, 8), Status::Locked);
        QCOMPARE(status(loader, Command::Verify, kStart, 512, {0, 0}), Status::Locked);

        // Erasing unlocks and blanks the page.
        QCOMPARE(status(loader, Command::Erase, at, 1), Status::Ok);
        QVERIFY(!loader.pageLocked(3));
        QVERIFY(loader.pageLocked(2));
        QCOMPARE(status(loader, Command::BlankCheck, at, 1), Status::Ok);

        const auto data = bytes(48, 0x10);
        QCOMPARE(status(loader, Command::Program, at, 48, data), Status::Ok);
        // Bytes already programmed are refused; the next erased bytes are not.
        QCOMPARE(status(loader, Command::Program, at + 40, 16, bytes(16, 0)), Status::NotErased);
        QCOMPARE(status(loader, Command::Program, at + 48, 16, bytes(16, 0x80)), Status::Ok);

        const Exchange read = send(loader, Command::Read, at, 48);
        QCOMPARE(read.reply.status, Status::Ok);
        QVERIFY(std::equal(data.begin(), data.end(), read.reply.data.begin()));

        std::vector<std::uint8_t> page(kPage, 0xFF);
        std::copy(data.begin(), data.end(), page.begin());
        const auto next = bytes(16, 0x80);
        std::copy(next.begin(), next.end(), page.begin() + 48);
        const Exchange good = send(loader, Command::Verify, at, kPage, crcData(page));
        QCOMPARE(good.reply.status, Status::Ok);
        QCOMPARE(good.reply.value, std::uint32_t(ispimage::crc16(page.data(), page.size())));
        page[100] = 0;
        const Exchange bad = send(loader, Command::Verify, at, kPage, crcData(page));
        QCOMPARE(bad.reply.status, Status::Mismatch);
        QCOMPARE(bad.reply.value, good.reply.value);
    }

    void blankCheckNamesTheFirstUsedByte() {
        BootLoader loader = connected();
        QCOMPARE(status(loader, Command::BlankCheck, kStart, 128), Status::Ok);
        send(loader, Command::Program, kStart + 5 * kPage + 7, 1, {0xFE});
        const Exchange e = send(loader, Command::BlankCheck, kStart, 8);
        QCOMPARE(e.reply.status, Status::NotBlank);
        QCOMPARE(e.reply.value, kStart + 5 * kPage + 7);
        QCOMPARE(status(loader, Command::BlankCheck, kStart, 5), Status::Ok);
    }

    void lockHoldsUntilErased() {
        BootLoader loader = connected();
        send(loader, Command::Program, kStart, 4, {1, 2, 3, 4});
        const Exchange some = send(loader, Command::Lock, kStart + kPage, 2);
        QCOMPARE(some.reply.status, Status::Ok);
        QCOMPARE(some.reply.value, 2u);
        QVERIFY(!loader.pageLocked(0));
        QVERIFY(loader.pageLocked(1) && loader.pageLocked(2));
        const Exchange all = send(loader, Command::Lock, 0, 0);
        QCOMPARE(all.reply.value, 128u);
        QCOMPARE(status(loader, Command::Program, kStart + 100, 4, {1, 2, 3, 4}), Status::Locked);
        QCOMPARE(status(loader, Command::Read, kStart, 4), Status::Locked);
        // A locked page can still be erased, which opens it again.
        QCOMPARE(status(loader, Command::Erase, kStart, 1), Status::Ok);
        QCOMPARE(status(loader, Command::Program, kStart, 4, {1, 2, 3, 4}), Status::Ok);
        QCOMPARE(status(loader, Command::Program, kStart + kPage, 4, {1, 2, 3, 4}), Status::Locked);
    }

    void startChoiceFollowsTheProgram() {
        BootLoader loader = factory();
        QVERIFY(loader.startsUserProgram());
        QCOMPARE(int(loader.programInfo()->versionMinor), 0x0A);

        // Erasing anything leaves the boot loader in charge, also across power cycles.
        send(loader, Command::Erase, kStart + 7 * kPage, 1);
        loader.powerOn();
        QVERIFY(!loader.startsUserProgram());
        QVERIFY(loader.programValid());
        send(loader, Command::Connect, 0, kProtocolVersion);

        // Without the info block there is no program to start.
        send(loader, Command::Erase, kStart, 1);
        QVERIFY(!loader.programValid());
        QCOMPARE(status(loader, Command::SetStart, 0, kStartUserProgram), Status::NoProgram);
        QCOMPARE(status(loader, Command::SetStart, 0, 7), Status::Unsupported);

        auto image = ispimage::makeImage(kPage, 11, 2, 5);
        for (std::uint32_t at = 0; at < kPage; at += 48) {
            const auto n = std::min<std::uint32_t>(48, kPage - at);
            std::vector<std::uint8_t> chunk(image.begin() + at, image.begin() + at + n);
            QCOMPARE(status(loader, Command::Program, kStart + at, std::uint16_t(n), chunk),
                     Status::Ok);
        }
        QCOMPARE(status(loader, Command::SetStart, 0, kStartUserProgram), Status::Ok);
        QVERIFY(loader.startsUserProgram());
        QCOMPARE(int(loader.programInfo()->versionMajor), 2);
        QCOMPARE(int(loader.programInfo()->versionMinor), 5);
        QCOMPARE(status(loader, Command::SetStart, 0, kStartBootLoader), Status::Ok);
        QVERIFY(!loader.startsUserProgram());
    }

    void resetEndsTheSession() {
        BootLoader loader = connected();
        const Exchange e = send(loader, Command::Reset);
        QCOMPARE(e.reply.status, Status::Ok);
        QVERIFY(e.outcome.restart);
        QVERIFY(!loader.sessionOpen());
        QVERIFY(!send(loader, Command::Connect, 0, kProtocolVersion).outcome.restart);
    }

    void faults() {
        BootLoader loader = connected();
        QVERIFY(!loader.fault("boot-no-such-thing", 1));

        QVERIFY(loader.fault("boot-erase-fail", 2));
        QCOMPARE(status(loader, Command::Erase, kStart, 1), Status::Failed);
        QCOMPARE(status(loader, Command::Erase, kStart, 1), Status::Failed);
        QCOMPARE(status(loader, Command::Erase, kStart, 1), Status::Ok);

        const std::vector<std::uint8_t> blankPage(kPage, 0xFF);
        QVERIFY(loader.fault("boot-verify-fail", 1));
        QCOMPARE(status(loader, Command::Verify, kStart, kPage, crcData(blankPage)),
                 Status::Mismatch);
        QCOMPARE(status(loader, Command::Verify, kStart, kPage, crcData(blankPage)), Status::Ok);

        QVERIFY(loader.fault("boot-lock-fail", 1));
        QCOMPARE(status(loader, Command::Lock), Status::Failed);
        QVERIFY(!loader.pageLocked(0));

        // Power goes on the third program request: it gets no reply and writes nothing.
        QVERIFY(loader.fault("boot-vanish-program", 3));
        QVERIFY(send(loader, Command::Program, kStart, 2, {1, 2}).outcome.answered);
        QVERIFY(send(loader, Command::Program, kStart + 2, 2, {3, 4}).outcome.answered);
        const Exchange lost = send(loader, Command::Program, kStart + 4, 2, {5, 6});
        QVERIFY(!lost.outcome.answered);
        QCOMPARE(int(loader.userArea()[4]), 0xFF);
        QCOMPARE(loader.faultsJson().value("boot-vanish-program").toInt(), 0);

        QVERIFY(loader.fault("boot-lock-fail", 5));
        loader.clearFaults();
        QCOMPARE(status(loader, Command::Lock), Status::Ok);
    }

    void stateShowsTheFlash() {
        BootLoader loader = factory();
        QJsonObject s = loader.stateJson();
        QCOMPARE(s.value("start").toString(), QString("user-program"));
        QCOMPARE(s.value("locked_pages").toInt(), 128);
        QCOMPARE(s.value("blank_pages").toInt(), 128 - 8);
        QCOMPARE(s.value("program_version").toObject().value("a2").toInt(), 0x0A);
        send(loader, Command::Erase, kStart, 128);
        s = loader.stateJson();
        QCOMPARE(s.value("program_valid").toBool(), false);
        QCOMPARE(s.value("blank_pages").toInt(), 128);
        const std::vector<std::uint8_t> blank(ispimage::kUserSize, 0xFF);
        QCOMPARE(s.value("user_area_crc").toInt(),
                 int(ispimage::crc16(blank.data(), blank.size())));
    }
};

QTEST_GUILESS_MAIN(BootLoaderTest)
#include "boot_loader_test.moc"
