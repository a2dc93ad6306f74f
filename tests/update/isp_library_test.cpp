// ISPDLL through its C interface, against the virtual mouse's boot loader: image checks,
// what it reports of an image (known answers), the programming sequence byte for byte,
// refusals and lost devices.
#include "boot_protocol.h"
#include "firmware_image.h"
#include "ispdll.h"
#include "update_rig.h"

#include <QTest>

#include <cstring>

using updatetest::Mouse;

namespace {

// 1000 bytes: a counting pattern, the info block (link 0x2000, version 2.31) and a run of
// erased bytes from 560 on.
std::vector<std::uint8_t> knownImage() {
    std::vector<std::uint8_t> image(1000, 0xFF);
    for (int i = 0; i < 560; ++i)
        image[i] = std::uint8_t(i * 7 + 3);
    const std::uint8_t info[] = {0x4D, 0x53, 0x46, 0x57, 0x00, 0x20, 0x02, 0x31};
    std::copy(std::begin(info), std::end(info), image.begin() + 0xC0);
    return image;
}

int32_t load(const std::vector<std::uint8_t>& image) {
    return LoadProgdata(image.data(), uint32_t(image.size()), nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr);
}

int32_t device(bootproto::Status s) {
    return ISP_E_DEVICE + int32_t(s);
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
        QTest::newRow("just the info block") << 0xC8 << true << ISP_OK;
        QTest::newRow("the whole user area") << 0x10000 << true << ISP_OK;
        QTest::newRow("a byte more") << 0x10001 << true << ISP_E_TOO_LARGE;
    }

    void loadChecksTheImage() {
        QFETCH(int, length);
        QFETCH(bool, withInfo);
        QFETCH(int, expected);
        // Start from a good image so that a failed load is seen to unload it.
        QCOMPARE(load(knownImage()), ISP_OK);
        std::vector<std::uint8_t> image(std::size_t(length), 0x3C);
        if (withInfo)
            ispimage::writeInfo(image.data(), image.size(), {0x2000, 4, 2});
        QCOMPARE(LoadProgdata(length ? image.data() : nullptr, uint32_t(length), nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr),
                 expected);
        QCOMPARE(GetChksum(1) != 0, expected == ISP_OK);
    }

    void whatAnImageGives() {
        const auto image = knownImage();
        uint32_t length = 0, padded = 0, userSize = 0;
        uint16_t link = 0, pages = 0, version = 0;
        QCOMPARE(
            LoadProgdata(image.data(), 1000, &length, &link, &padded, &pages, &userSize, &version),
            ISP_OK);
        QCOMPARE(QList<uint32_t>({length, link, padded, pages, userSize, version}),
                 QList<uint32_t>({1000, 0x2000, 1024, 2, 0x10000, 0x0231}));
        QCOMPARE(GetChksum(1), uint16_t(0xc864));
        QCOMPARE(GetChksum(0), uint16_t(0xe04c)); // 24 bytes of padding at 0xFF
        QCOMPARE(GetChksum(2), uint16_t(0x3fe4));
        QCOMPARE(GetChksum(3), uint16_t(0));

        unsigned char raw[36];
        std::memset(raw, 0xEE, sizeof raw);
        raw[0] = 35;
        raw[1] = raw[2] = raw[3] = 0;
        QCOMPARE(GetMCUInfo(reinterpret_cast<IspMcuInfo*>(raw)), 0);
        raw[0] = 36;
        QVERIFY(GetMCUInfo(reinterpret_cast<IspMcuInfo*>(raw)) != 0);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(raw), 36).toHex(' '),
                 QByteArray("24 00 00 00 00 02 00 00 02 00 00 00 00 20 00 00 00 02 00 00 "
                            "00 00 01 00 e8 03 00 00 31 02 00 00 01 00 00 00"));
    }

    void withoutBootLoader() {
        Mouse mouse; // normal mode
        QVERIFY(mouse.started());
        QCOMPARE(load(knownImage()), ISP_OK);
        QCOMPARE(ConnectToBootloader(), ISP_E_NO_DEVICE);
        QCOMPARE(EraseByPage(0, 1, 0), ISP_E_NOT_CONNECTED);
        QCOMPARE(PartialProgram(0, 512), ISP_E_NOT_CONNECTED);
        QCOMPARE(VerifyByPage(0, 1, 0), ISP_E_NOT_CONNECTED);
        QCOMPARE(LockAll(), 0);
        QCOMPARE(mouse.sent("boot"), 0);
    }

    void programsTheImage() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        QCOMPARE(ConnectToBootloader(), ISP_OK);
        QCOMPARE(load(knownImage()), ISP_OK);
        // The factory image is there and locked.
        QCOMPARE(BlankCheck(0), device(bootproto::Status::NotBlank));
        QCOMPARE(PartialProgram(0, 512), device(bootproto::Status::Locked));
        // It reaches further than this image: clear the whole user area first.
        QCOMPARE(EraseByPage(0, 128, 1), ISP_OK);
        mouse.clearLog();
        QCOMPARE(PartialProgram(0, 512), ISP_OK);
        QCOMPARE(PartialProgram(512, 512), ISP_OK);
        // 48 bytes a request; runs of erased bytes are not sent.
        QCOMPARE(mouse.sent("boot", "00 20"), 11 + 1);
        QCOMPARE(VerifyByPage(0, 2, 0), ISP_OK);
        QCOMPARE(VerifyByPage(0, 2, 1), ISP_OK);
        QCOMPARE(ExecuteProgramFrom(2), ISP_OK);
        QCOMPARE(LockAll(), 1);
        mouse.clearLog();
        QCOMPARE(SwitchToUserProgram(), ISP_OK);
        QCOMPARE(DisConnectBootloader(), ISP_OK);
        // Nothing was sent after the reset: the handle was closed with it.
        QCOMPARE(mouse.sent("boot"), 1);
        QVERIFY(mouse.waitForMode("normal"));
        QCOMPARE(mouse.state()["firmware_version"][u"a2"].toInt(), 0x31);
        const QJsonObject flash = mouse.state().value("boot_loader").toObject();
        QCOMPARE(flash.value("user_area_crc").toInt(), 0xb48e);
        QCOMPARE(flash.value("locked_pages").toInt(), 128);
    }

    void refusalsFaultsAndLostDevices() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        QCOMPARE(ConnectToBootloader(), ISP_OK);
        QCOMPARE(load(updatetest::imageOfPages(2, 1, 0)), ISP_OK);
        QCOMPARE(EraseByPage(127, 2, 0), ISP_E_ARGUMENT);
        QCOMPARE(EraseByPage(0, 0, 0), ISP_E_ARGUMENT);
        QCOMPARE(PartialProgram(0xFF00, 0x200), ISP_E_ARGUMENT);
        QCOMPARE(VerifyByPage(0, 1, 2), ISP_E_ARGUMENT);
        QCOMPARE(ExecuteProgramFrom(0), ISP_E_ARGUMENT);
        QCOMPARE(EraseByPage(0, 2, 1), ISP_OK);
        QCOMPARE(PartialProgram(0, 1024), ISP_OK);
        // A different image of the same size does not verify against the flash.
        QCOMPARE(load(updatetest::imageOfPages(2, 1, 0, 99)), ISP_OK);
        QCOMPARE(VerifyByPage(0, 1, 0), device(bootproto::Status::Mismatch));
        QCOMPARE(VerifyByPage(1, 1, 1), device(bootproto::Status::Mismatch));
        // An image linked for another address is not written into this flash.
        QCOMPARE(load(updatetest::imageOfPages(1, 1, 0, 3, 0x3000)), ISP_OK);
        QCOMPARE(PartialProgram(0, 512), ISP_E_MISMATCH);
        QCOMPARE(BlankCheck(0), ISP_E_MISMATCH);
        // Failures and a device that goes away.
        QCOMPARE(load(updatetest::imageOfPages(2, 1, 0)), ISP_OK);
        QVERIFY(mouse.fault("boot-lock-fail"));
        QCOMPARE(LockAll(), 0);
        QVERIFY(mouse.fault("garbage"));
        QCOMPARE(ExecuteProgramFrom(1), ISP_E_IO);
        QVERIFY(mouse.fault("write"));
        QCOMPARE(ExecuteProgramFrom(1), ISP_E_IO);
        QCOMPARE(ExecuteProgramFrom(1), ISP_OK);
        QCOMPARE(EraseByPage(0, 2, 0), ISP_OK);
        QVERIFY(mouse.fault("boot-vanish-program", 3));
        QCOMPARE(PartialProgram(0, 512), ISP_E_IO);
        QCOMPARE(ConnectToBootloader(), ISP_E_NO_DEVICE);
        QVERIFY(mouse.plug());
        QCOMPARE(ConnectToBootloader(), ISP_OK);
        QCOMPARE(EraseByPage(0, 1, 1), ISP_OK);
        QCOMPARE(PartialProgram(0, 512), ISP_OK);
    }
};

QTEST_GUILESS_MAIN(IspLibraryTest)
#include "isp_library_test.moc"
