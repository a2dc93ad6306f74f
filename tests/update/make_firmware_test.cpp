// make-firmware: the data.bin it writes is what the updater and ISPDLL accept, with the
// version in the image's info block; and the build stages a valid one in dist/update.
#include "firmware_file.h"
#include "firmware_image.h"
#include "hid_seam.h"
#include "ispdll.h"
#include "local_text.h"
#include "update_flow.h"
#include "update_rig.h"

#include <QFile>
#include <QProcess>
#include <QTest>

using updater::FirmwareFile;

namespace {

int run(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(MAKE_FIRMWARE_BIN), args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    return p.readAllStandardError().isEmpty() == (p.exitCode() == 0) ? p.exitCode() : -1;
}

FirmwareFile read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? FirmwareFile::parse(f.readAll()) : FirmwareFile{};
}

const std::uint8_t* data(const QByteArray& b) {
    return reinterpret_cast<const std::uint8_t*>(b.constData());
}

} // namespace

class MakeFirmwareTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        updatetest::routeSeam();
        updater::setLocal8BitEncoding("GB18030-0");
    }

    void generatedImage() {
        QTemporaryDir dir;
        const QString out = dir.filePath("data.bin");
        QCOMPARE(
            run({"--generate", "3000", "--version", "1.2C", "--title", QString::fromUtf8("固件"),
                 "--ids", "1234:5678", "--keys", "12:34", "--output", out}),
            0);
        const FirmwareFile f = read(out);
        QCOMPARE(f.title, QString::fromUtf8("固件"));
        QCOMPARE(f.vendorId, quint16(0x1234));
        QCOMPARE(f.productId, quint16(0x5678));
        QCOMPARE(f.imageLength, 3000u);
        QCOMPARE(f.k0, quint8(0x12));
        QCOMPARE(f.k1, quint8(0x34));
        // The version sits in the info block, and the file's checksum is ISPDLL's.
        uint16_t version = 0;
        QCOMPARE(LoadProgdata(data(f.image), uint32_t(f.image.size()), nullptr, nullptr, nullptr,
                              nullptr, nullptr, &version),
                 ISP_OK);
        QCOMPARE(version, uint16_t(0x012C));
        QCOMPARE(GetChksum(1), f.checksum);
    }

    void givenImage() {
        QTemporaryDir dir;
        const QByteArray image(1000, '\x42');
        const QString out = dir.filePath("data.bin");
        QCOMPARE(run({"--image", updatetest::writeFile(dir, image, "image.raw"), "--version",
                      "3.04", "--output", out}),
                 0);
        const QByteArray written = read(out).image;
        QCOMPARE(written.size(), 1000);
        QCOMPARE(written.mid(0xC0, 8), QByteArray::fromHex("4d534657 0020 0304"));
        QCOMPARE(written.left(0xC0) + written.mid(0xC8), QByteArray(992, '\x42'));

        // An info block already there keeps its link address.
        const auto linked = updatetest::imageOfPages(1, 1, 1, 3, 0x3000);
        const QString in = updatetest::writeFile(
            dir, QByteArray(reinterpret_cast<const char*>(linked.data()), 512), "linked.raw");
        QCOMPARE(run({"--image", in, "--version", "1.1", "--output", out}), 0);
        QCOMPARE(read(out).image.mid(0xC4, 4), QByteArray::fromHex("00300101"));
    }

    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no version") << QStringList{"--generate", "512"};
        QTest::newRow("both images")
            << QStringList{"--generate", "512", "--image", "x", "--version", "1.0"};
        QTest::newRow("version out of range")
            << QStringList{"--generate", "512", "--version", "100.0"};
        QTest::newRow("larger than the user area")
            << QStringList{"--generate", "65537", "--version", "1.0"};
        QTest::newRow("too short for the info block")
            << QStringList{"--generate", "199", "--version", "1.0"};
        QTest::newRow("title too long")
            << QStringList{"--generate", "512", "--version", "1.0", "--title", QString(120, 'x')};
    }

    void refusals() {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        const QString out = dir.filePath("data.bin");
        QCOMPARE(run(args << "--output" << out), 2);
        QVERIFY(!QFile::exists(out));
    }

    void stagedDataFile() {
        const QString path = QStringLiteral(DIST_DATA_BIN);
        QCOMPARE(read(path).productId, quint16(0xa26b));
        // The updater takes it: it gets ready and waits for a mouse.
        updatetest::FakeClock clock;
        updater::UpdateFlow flow(clock);
        flow.setHotplugFactory([](QObject* p) { return new hidseam::HotplugSource(p); });
        flow.load(path);
        QCOMPARE(flow.updateState(), updater::UpdateFlow::kWaiting);
        QCOMPARE(flow.fileVersion(), QString("1.0B"));
    }
};

QTEST_GUILESS_MAIN(MakeFirmwareTest)
#include "make_firmware_test.moc"
