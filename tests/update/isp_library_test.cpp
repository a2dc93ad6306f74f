// ISPDLL through its C interface, against the virtual mouse's boot loader: image checks
// and outputs, the MCU information layout, checksums, the whole programming sequence and
// what the boot loader refuses.
#include "boot_protocol.h"
#include "firmware_image.h"
#include "ispdll.h"
#include "update_rig.h"

#include <QTest>

#include <cstring>

using updatetest::imageOfPages;
using updatetest::Mouse;

namespace {

struct Outputs {
    uint32_t length = 0xDEAD, padded = 0xDEAD, userSize = 0xDEAD;
    uint16_t linkAddress = 0xBEEF, pages = 0xBEEF, version = 0xBEEF;
};

int32_t load(const std::vector<std::uint8_t>& image, Outputs* o = nullptr) {
    Outputs scratch;
    Outputs& out = o ? *o : scratch;
    return LoadProgdata(image.data(), uint32_t(image.size()), &out.length, &out.linkAddress,
                        &out.padded, &out.pages, &out.userSize, &out.version);
}

int32_t device(bootproto::Status s) {
    return ISP_E_DEVICE + int32_t(s);
}

// The whole sequence the updater runs, for `pages` pages.
int32_t flashAll(std::uint16_t pages) {
    for (std::uint16_t p = 0; p < pages; ++p)
        if (const int32_t rc = EraseByPage(p, 1, 0))
            return rc;
    if (const int32_t rc = BlankCheck(0))
        return rc;
    for (std::uint16_t p = 0; p < pages; ++p)
        if (const int32_t rc = PartialProgram(std::uint16_t(p * 512), 512))
            return rc;
    for (std::uint16_t p = 0; p < pages; ++p)
        if (const int32_t rc = VerifyByPage(p, 1, 0))
            return rc;
    return ISP_OK;
}

std::uint16_t paddedCrc(const std::vector<std::uint8_t>& image) {
    std::vector<std::uint8_t> area(ispimage::kUserSize, 0xFF);
    std::copy(image.begin(), image.end(), area.begin());
    return ispimage::crc16(area.data(), area.size());
}

} // namespace

class IspLibraryTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { updatetest::routeSeam(); }
    void cleanup() { DisConnectBootloader(); }

    void loadChecksTheImage_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("withInfo");
        QTest::addColumn<int>("expected");
        QTest::newRow("nothing") << 0 << false << ISP_E_ARGUMENT;
        QTest::newRow("no info block") << 4096 << false << ISP_E_IMAGE;
        QTest::newRow("too short for the info block") << 0xC7 << false << ISP_E_IMAGE;
        QTest::newRow("just the info block") << 0xC8 << true << ISP_OK;
        QTest::newRow("the whole user area") << 0x10000 << true << ISP_OK;
        QTest::newRow("a byte more") << 0x10001 << true << ISP_E_TOO_LARGE;
    }

    void loadChecksTheImage() {
        QFETCH(int, length);
        QFETCH(bool, withInfo);
        QFETCH(int, expected);
        // Start from a good image so that a failed load is seen to unload it.
        QCOMPARE(load(imageOfPages(2, 1, 1)), ISP_OK);
        std::vector<std::uint8_t> image(std::size_t(length), 0x3C);
        if (withInfo)
            ispimage::writeInfo(image.data(), image.size(), {0x2000, 4, 2});
        QCOMPARE(LoadProgdata(length ? image.data() : nullptr, uint32_t(length), nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr),
                 expected);
        IspMcuInfo info{};
        info.size = sizeof info;
        QCOMPARE(GetMCUInfo(&info) != 0, expected == ISP_OK);
        QCOMPARE(GetChksum(1),
                 expected == ISP_OK ? ispimage::sum16(image.data(), image.size()) : 0);
    }

    void loadOutputs() {
        Outputs o;
        const auto image = imageOfPages(5, 0x1b, 0x05, 3, 100);
        QCOMPARE(load(image, &o), ISP_OK);
        QCOMPARE(o.length, uint32_t(5 * 512 - 100));
        QCOMPARE(o.linkAddress, uint16_t(0x2000));
        QCOMPARE(o.padded, uint32_t(5 * 512));
        QCOMPARE(o.pages, uint16_t(5));
        QCOMPARE(o.userSize, uint32_t(0x10000));
        QCOMPARE(o.version, uint16_t(0x1b05));
        // An image linked elsewhere loads; its address says it does not belong here.
        QCOMPARE(load(imageOfPages(1, 1, 0, 3, 0, 0x3000), &o), ISP_OK);
        QCOMPARE(o.linkAddress, uint16_t(0x3000));
    }

    void mcuInformationLayout() {
        QCOMPARE(int(sizeof(IspMcuInfo)), 36);
        QCOMPARE(load(imageOfPages(7, 1, 2, 9, 1)), ISP_OK);
        unsigned char raw[36];
        std::memset(raw, 0xEE, sizeof raw);
        const uint32_t small = 35;
        std::memcpy(raw, &small, 4);
        QCOMPARE(GetMCUInfo(reinterpret_cast<IspMcuInfo*>(raw)), 0);
        const uint32_t size = 36;
        std::memcpy(raw, &size, 4);
        QVERIFY(GetMCUInfo(reinterpret_cast<IspMcuInfo*>(raw)) != 0);
        const auto field = [&raw](int offset) {
            uint32_t v;
            std::memcpy(&v, raw + offset, 4);
            return v;
        };
        QCOMPARE(field(4), 512u);  // P
        QCOMPARE(field(8), 7u);    // N
        QCOMPARE(field(16), 512u); // page size
        QCOMPARE(field(12), 0x2000u);
        QCOMPARE(field(24), 7u * 512 - 1);
        QCOMPARE(field(28), 0x0102u);
        QCOMPARE(GetMCUInfo(nullptr), 0);
    }

    void checksums() {
        const auto image = imageOfPages(3, 1, 0, 21, 7);
        QCOMPARE(load(image), ISP_OK);
        QCOMPARE(GetChksum(1), ispimage::sum16(image.data(), image.size()));
        QCOMPARE(GetChksum(0),
                 std::uint16_t(ispimage::sum16(image.data(), image.size()) + 7 * 0xFF));
        QCOMPARE(GetChksum(2), ispimage::crc16(image.data(), image.size()));
        QCOMPARE(GetChksum(3), std::uint16_t(0));
    }

    void withoutBootLoader() {
        Mouse mouse; // normal mode
        QVERIFY(mouse.started());
        QCOMPARE(load(imageOfPages(2, 1, 0)), ISP_OK);
        QCOMPARE(ConnectToBootloader(), ISP_E_NO_DEVICE);
        QCOMPARE(EraseByPage(0, 1, 0), ISP_E_NOT_CONNECTED);
        QCOMPARE(BlankCheck(0), ISP_E_NOT_CONNECTED);
        QCOMPARE(PartialProgram(0, 512), ISP_E_NOT_CONNECTED);
        QCOMPARE(VerifyByPage(0, 1, 0), ISP_E_NOT_CONNECTED);
        QCOMPARE(ExecuteProgramFrom(2), ISP_E_NOT_CONNECTED);
        QCOMPARE(LockAll(), 0);
        QCOMPARE(SwitchToUserProgram(), ISP_E_NOT_CONNECTED);
        QCOMPARE(DisConnectBootloader(), ISP_OK);
    }

    void programsTheImage() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        const auto image = imageOfPages(6, 0x02, 0x31, 5, 200);
        QCOMPARE(ConnectToBootloader(), ISP_OK);
        QCOMPARE(load(image), ISP_OK);
        // The factory image reaches further: clear the whole user area first.
        QCOMPARE(EraseByPage(0, 128, 1), ISP_OK);
        QCOMPARE(BlankCheck(1), ISP_OK);
        QCOMPARE(flashAll(6), ISP_OK);
        QCOMPARE(VerifyByPage(0, 6, 1), ISP_OK);
        QCOMPARE(ExecuteProgramFrom(2), ISP_OK);
        QCOMPARE(LockAll(), 1);
        mouse.clearLog();
        QCOMPARE(SwitchToUserProgram(), ISP_OK);
        QCOMPARE(DisConnectBootloader(), ISP_OK);
        QVERIFY(mouse.waitForMode("normal"));
        const QJsonObject s = mouse.state();
        QCOMPARE(s.value("firmware_version").toObject().value("a1").toInt(), 0x02);
        QCOMPARE(s.value("firmware_version").toObject().value("a2").toInt(), 0x31);
        const QJsonObject flash = s.value("boot_loader").toObject();
        QCOMPARE(flash.value("user_area_crc").toInt(), int(paddedCrc(image)));
        QCOMPARE(flash.value("locked_pages").toInt(), 128);
        // Nothing was sent after the reset: the handle was closed with it.
        QCOMPARE(mouse.log("boot").size(), std::size_t(2));
    }

    void erasedRunsAreNotSent() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        auto image = imageOfPages(2, 1, 0);
        std::fill(image.begin() + 512, image.end(), 0xFF);
        QCOMPARE(ConnectToBootloader(), ISP_OK);
        QCOMPARE(load(image), ISP_OK);
        QCOMPARE(EraseByPage(0, 2, 1), ISP_OK);
        mouse.clearLog();
        QCOMPARE(PartialProgram(512, 512), ISP_OK);
        QCOMPARE(mouse.log("boot").size(), std::size_t(0));
        QCOMPARE(PartialProgram(0, 512), ISP_OK);
        // 512 bytes in chunks of 48: 11 requests and their replies.
        QCOMPARE(mouse.log("boot").size(), std::size_t(22));
        QCOMPARE(VerifyByPage(0, 2, 0), ISP_OK);
        QCOMPARE(VerifyByPage(0, 2, 1), ISP_OK);
    }

    void bootLoaderRefusals() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        const auto image = imageOfPages(2, 1, 0);
        QCOMPARE(ConnectToBootloader(), ISP_OK);
        QCOMPARE(load(image), ISP_OK);
        // The factory image is there and locked.
        QCOMPARE(BlankCheck(0), device(bootproto::Status::NotBlank));
        QCOMPARE(PartialProgram(0, 512), device(bootproto::Status::Locked));
        QCOMPARE(VerifyByPage(0, 1, 0), device(bootproto::Status::Locked));
        QCOMPARE(VerifyByPage(0, 1, 1), device(bootproto::Status::Locked));
        QCOMPARE(EraseByPage(0, 2, 1), ISP_OK);
        QCOMPARE(PartialProgram(0, 48), ISP_OK);
        // Bytes already programmed are refused; the erased ones right after them are not.
        QCOMPARE(PartialProgram(40, 16), device(bootproto::Status::NotErased));
        QCOMPARE(PartialProgram(48, 464), ISP_OK);

        // A different image of the same size does not verify against the flash.
        QCOMPARE(load(imageOfPages(2, 1, 0, 99)), ISP_OK);
        QCOMPARE(VerifyByPage(0, 1, 0), device(bootproto::Status::Mismatch));
        QCOMPARE(VerifyByPage(0, 1, 1), device(bootproto::Status::Mismatch));

        QCOMPARE(LockAll(), 1);
        QCOMPARE(PartialProgram(512, 512), device(bootproto::Status::Locked));

        // Page 0 holds the info block: without it there is nothing to start.
        QCOMPARE(EraseByPage(0, 1, 0), ISP_OK);
        QCOMPARE(ExecuteProgramFrom(2), device(bootproto::Status::NoProgram));
        QCOMPARE(ExecuteProgramFrom(1), ISP_OK);
    }

    void argumentsAreChecked() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        QCOMPARE(ConnectToBootloader(), ISP_OK);
        QCOMPARE(load(imageOfPages(2, 1, 0)), ISP_OK);
        QCOMPARE(EraseByPage(127, 2, 0), ISP_E_ARGUMENT);
        QCOMPARE(EraseByPage(0, 0, 0), ISP_E_ARGUMENT);
        QCOMPARE(BlankCheck(2), ISP_E_ARGUMENT);
        QCOMPARE(PartialProgram(0, 0), ISP_E_ARGUMENT);
        QCOMPARE(PartialProgram(0xFF00, 0x200), ISP_E_ARGUMENT);
        QCOMPARE(VerifyByPage(0, 1, 2), ISP_E_ARGUMENT);
        QCOMPARE(ExecuteProgramFrom(0), ISP_E_ARGUMENT);
        QCOMPARE(ExecuteProgramFrom(3), ISP_E_ARGUMENT);
        // An image linked for another address is not written into this flash.
        QCOMPARE(load(imageOfPages(1, 1, 0, 3, 0, 0x3000)), ISP_OK);
        QCOMPARE(PartialProgram(0, 512), ISP_E_MISMATCH);
        QCOMPARE(BlankCheck(0), ISP_E_MISMATCH);
        QCOMPARE(BlankCheck(1), device(bootproto::Status::NotBlank));
    }

    void faultsAndLostDevices() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        QCOMPARE(load(imageOfPages(2, 1, 0)), ISP_OK);
        QCOMPARE(ConnectToBootloader(), ISP_OK);
        QVERIFY(mouse.fault("boot-erase-fail"));
        QCOMPARE(EraseByPage(0, 1, 0), device(bootproto::Status::Failed));
        QCOMPARE(EraseByPage(0, 2, 0), ISP_OK);
        QCOMPARE(PartialProgram(0, 512), ISP_OK);
        QVERIFY(mouse.fault("boot-verify-fail"));
        QCOMPARE(VerifyByPage(0, 1, 0), device(bootproto::Status::Mismatch));
        QCOMPARE(VerifyByPage(0, 1, 0), ISP_OK);
        QVERIFY(mouse.fault("boot-lock-fail"));
        QCOMPARE(LockAll(), 0);
        QVERIFY(mouse.fault("garbage"));
        QCOMPARE(ExecuteProgramFrom(1), ISP_E_IO);
        QVERIFY(mouse.fault("write"));
        QCOMPARE(ExecuteProgramFrom(1), ISP_E_IO);
        QCOMPARE(ExecuteProgramFrom(1), ISP_OK);

        QVERIFY(mouse.fault("boot-vanish-program", 3));
        QCOMPARE(PartialProgram(512, 512), ISP_E_IO);
        QVERIFY(!mouse.plugged());
        QCOMPARE(ConnectToBootloader(), ISP_E_NO_DEVICE);
        QVERIFY(mouse.plug());
        QCOMPARE(ConnectToBootloader(), ISP_OK);
        QCOMPARE(EraseByPage(1, 1, 1), ISP_OK);
        QCOMPARE(PartialProgram(512, 512), ISP_OK);
    }
};

QTEST_GUILESS_MAIN(IspLibraryTest)
#include "isp_library_test.moc"
