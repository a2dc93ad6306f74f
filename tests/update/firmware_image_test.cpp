// The firmware image on its way to the mouse. data.bin: the header and its title, the
// payload fields and the scrambling (known bytes), what the updater makes of a file at
// start-up (with no mouse around), and make-firmware, which writes it. ISPDLL through its C
// interface, against the virtual mouse's boot loader: image checks, what it reports of an
// image (known answers), the programming sequence byte for byte, refusals, lost devices.
#include "isp/common/boot_protocol.h"
#include "isp/common/firmware_image.h"
#include "isp/ispdll.h"
#include "update/firmware_file.h"
#include "update/local_text.h"
#include "update/update_rig.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstring>

using updater::FirmwareFile;
using updater::UpdateFlow;
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

const auto hex = &QByteArray::fromHex;

QByteArray header(const QByteArray& text) {
    return text.leftJustified(FirmwareFile::kHeaderSize, '\0', true);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// make-firmware's exit code; -1 when it crashed or its error message does not match it.
int makeFirmware(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(MAKE_FIRMWARE_BIN), args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    return p.readAllStandardError().isEmpty() == (p.exitCode() == 0) ? p.exitCode() : -1;
}

} // namespace

class FirmwareImageTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        updatetest::routeSeam();
        QVERIFY(updater::setLocal8BitEncoding("GB18030-0"));
    }
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

    void titleAndPayloadPresence_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("payload");
        QTest::newRow("marker") << header(hex("55aa99887741")) << "Update" << false;
        QTest::newRow("short text, rubbish after its zero")
            << QByteArray("Q7\0zzz", 6) + QByteArray(114, 'x') << "Q7" << false;
        QTest::newRow("GB18030") << header(hex("caf3b1eab9ccbcfe")) << QString::fromUtf8("鼠标固件")
                                 << false;
        QTest::newRow("no zero in 120 bytes")
            << QByteArray(120, 'A') + hex("0000") << QString(120, 'A') << true;
        QTest::newRow("empty file") << QByteArray() << "Update" << false;
        // Three bytes read over the fill still leave aa 55 cc 33 dd in place.
        QTest::newRow("three fill bytes") << header("t") + hex("aa55cc") << "t" << false;
        QTest::newRow("fill but the fifth") << header("t") + hex("aa55cc33de") << "t" << true;
    }

    void titleAndPayloadPresence() {
        QFETCH(QByteArray, content);
        QFETCH(QString, title);
        QFETCH(bool, payload);
        QCOMPARE(FirmwareFile::parse(content).title, title);
        QCOMPARE(FirmwareFile::parse(content).hasPayload, payload);
    }

    // Big-endian fields; the image XORed with k0, k1, c, ~c, c = (k0 & aa) | (k1 & 55).
    void fieldsAndScrambling() {
        const QByteArray fields = hex("04d9 a09f 000005 beef 1234 13 36 15 ed 17");
        const FirmwareFile f = FirmwareFile::parse(header("abc") + fields);
        QCOMPARE(f.vendorId, quint16(0x04D9));
        QCOMPARE(f.productId, quint16(0xA09F));
        QCOMPARE(f.imageLength, quint32(5));
        QCOMPARE(f.checksum, quint16(0xbeef));
        QCOMPARE(f.image, hex("0102030405"));
        QCOMPARE(FirmwareFile::compose("abc", 0x04d9, 0xa09f, f.image, 0xbeef, 0x12, 0x34),
                 header("abc") + fields);
        QCOMPARE(FirmwareFile::compose({}, 0, 0, {}, 0, 0, 0).left(5), hex("55aa998877"));
        const auto p = FirmwareFile::scramblePattern(0x00, 0xff);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(p.data()), 4), hex("00ff55aa"));
    }

    void payloadLimits() {
        // L = 0x023ff5 = 147445 bytes: exactly the room there is.
        const QByteArray fields = hex("04d9 a26b 023ff5 0000 0000");
        const int room = FirmwareFile::kPayloadArea - FirmwareFile::kImageOffset;
        const FirmwareFile full = FirmwareFile::parse(header("t") + fields + QByteArray(room, 1));
        QVERIFY(!full.oversize && full.imageComplete);
        QCOMPARE(full.image.size(), room);
        QVERIFY(FirmwareFile::parse(header("t") + fields + QByteArray(room + 1, 1)).oversize);
        const FirmwareFile cut =
            FirmwareFile::parse(header("t") + fields + QByteArray(room - 1, 1));
        QVERIFY(!cut.oversize && !cut.imageComplete && cut.image.isEmpty());
    }

    void filesThatStayIdle_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("line");
        const auto image = updatetest::imageOfPages(2, 1, 0);
        QByteArray tooLarge = updatetest::dataBin(image);
        tooLarge.append(QByteArray(FirmwareFile::kPayloadArea, '\x22'));
        QTest::newRow("missing") << QByteArray() << "Open data File fail";
        QTest::newRow("no payload") << header("Q7 update") << "";
        QTest::newRow("checksum mismatch") << updatetest::dataBin(image, {}, 0xa26b, 0x1234) << "";
        QTest::newRow("linked for 0x3000")
            << updatetest::dataBin(updatetest::imageOfPages(2, 1, 0, 7, 0x3000)) << "";
        QTest::newRow("no info block")
            << updatetest::dataBin(std::vector<std::uint8_t>(1024, 1)) << "";
        QTest::newRow("more than the payload area") << tooLarge << "data File too large";
        QTest::newRow("image cut short")
            << updatetest::dataBin(image).chopped(1) << "data File too short";
    }

    void filesThatStayIdle() {
        QFETCH(QByteArray, content);
        QFETCH(QString, line);
        updatetest::Flow s(
            QTest::currentDataTag() == QByteArray("missing") ? QByteArray() : content, false);
        QCOMPARE(s.flow.updateState(), UpdateFlow::kNotReady);
        QVERIFY(!s.flow.updateEnabled());
        QVERIFY2(line.isEmpty() || s.lines.contains(line), qPrintable(s.lines.join(" | ")));
    }

    void goodFiles() {
        const QByteArray title = updater::toLocal8Bit(QString::fromUtf8("鼠标固件"));
        updatetest::Flow s(updatetest::dataBin(updatetest::imageOfPages(9, 1, 0x0B), title, 0xa09f),
                           false);
        QCOMPARE(s.flow.title(), QString::fromUtf8("鼠标固件"));
        QCOMPARE(s.flow.updateState(), UpdateFlow::kWaiting);
        // The mouse is looked for with the IDs the file names.
        QCOMPARE(s.flow.hid().deviceTable()[0].productId, quint16(0xA09F));
        // The build stages one for dist/update.
        updatetest::Flow staged(readAll(QStringLiteral(DIST_DATA_BIN)), false);
        QCOMPARE(staged.flow.updateState(), UpdateFlow::kWaiting);
        QCOMPARE(staged.flow.fileVersion(), QString("1.0B"));
    }

    void makeFirmwareGenerates() {
        QTemporaryDir dir;
        const QString out = dir.filePath("data.bin");
        QCOMPARE(makeFirmware({"--generate", "3000", "--version", "1.2C", "--title",
                               QString::fromUtf8("固件"), "--ids", "1234:5678", "--keys", "12:34",
                               "--output", out}),
                 0);
        const QByteArray file = readAll(out);
        QCOMPARE(file.left(5), hex("b9ccbcfe00"));
        QCOMPARE(file.mid(120, 7), hex("1234 5678 000bb8"));
        QCOMPARE(file.mid(129, 2), hex("1234"));
        // The version sits in the info block, and the file's checksum is ISPDLL's.
        const FirmwareFile f = FirmwareFile::parse(file);
        uint16_t version = 0;
        QCOMPARE(LoadProgdata(reinterpret_cast<const uint8_t*>(f.image.constData()), 3000, nullptr,
                              nullptr, nullptr, nullptr, nullptr, &version),
                 ISP_OK);
        QCOMPARE(version, uint16_t(0x012C));
        QCOMPARE(GetChksum(1), f.checksum);
    }

    void makeFirmwareTakesAnImage() {
        QTemporaryDir dir;
        const QString out = dir.filePath("data.bin");
        QCOMPARE(makeFirmware({"--image", updatetest::writeFile(dir, QByteArray(1000, 'B'), "raw"),
                               "--version", "3.04", "--output", out}),
                 0);
        const QByteArray written = FirmwareFile::parse(readAll(out)).image;
        QCOMPARE(written.mid(0xC0, 8), QByteArray::fromHex("4d534657 0020 0304"));
        QCOMPARE(written.left(0xC0) + written.mid(0xC8), QByteArray(992, 'B'));
        // An info block already there keeps its link address.
        const auto linked = updatetest::imageOfPages(1, 1, 1, 3, 0x3000);
        const QString in = updatetest::writeFile(
            dir, QByteArray(reinterpret_cast<const char*>(linked.data()), 512), "linked");
        QCOMPARE(makeFirmware({"--image", in, "--version", "1.1", "--output", out}), 0);
        QCOMPARE(FirmwareFile::parse(readAll(out)).image.mid(0xC4, 4),
                 QByteArray::fromHex("00300101"));
        // Nothing is written for an image larger than the user area or too short for its
        // info block.
        for (const char* size : {"65537", "199"})
            QCOMPARE(makeFirmware({"--generate", size, "--version", "1.0", "--output", out + size}),
                     2);
        QVERIFY(!QFile::exists(out + "65537") && !QFile::exists(out + "199"));
    }
};

QTEST_GUILESS_MAIN(FirmwareImageTest)
#include "firmware_image_test.moc"
