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

int run(const QStringList& args, QString* errors = nullptr) {
    QProcess p;
    p.start(QStringLiteral(MAKE_FIRMWARE_BIN), args);
    if (!p.waitForFinished(30000))
        return -1;
    if (errors)
        *errors = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
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
        QCOMPARE(run({"--generate", "3000", "--seed", "4", "--version", "1.2C", "--title",
                      QString::fromUtf8("固件"), "--ids", "1234:5678", "--keys", "12:34",
                      "--output", out}),
                 0);
        const FirmwareFile f = read(out);
        QCOMPARE(f.title, QString::fromUtf8("固件"));
        QVERIFY(f.hasPayload && f.imageComplete && !f.oversize);
        QCOMPARE(f.vendorId, quint16(0x1234));
        QCOMPARE(f.productId, quint16(0x5678));
        QCOMPARE(f.imageLength, 3000u);
        QCOMPARE(f.k0, quint8(0x12));
        QCOMPARE(f.k1, quint8(0x34));
        const auto info = ispimage::readInfo(data(f.image), f.image.size());
        QVERIFY(info);
        QCOMPARE(info->linkAddress, quint16(0x2000));
        QCOMPARE(info->versionMajor, quint8(0x01));
        QCOMPARE(info->versionMinor, quint8(0x2C));

        // The checksum the file carries is the one ISPDLL computes.
        QCOMPARE(LoadProgdata(data(f.image), uint32_t(f.image.size()), nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr),
                 ISP_OK);
        QCOMPARE(GetChksum(1), f.checksum);
    }

    void givenImage() {
        QTemporaryDir dir;
        QByteArray image(1000, '\x42');
        const QString in = updatetest::writeFile(dir, image, "image.raw");
        const QString out = dir.filePath("data.bin");
        QCOMPARE(run({"--image", in, "--version", "3.04", "--output", out}), 0);
        const FirmwareFile f = read(out);
        QCOMPARE(f.image.size(), 1000);
        const auto info = ispimage::readInfo(data(f.image), f.image.size());
        QVERIFY(info);
        QCOMPARE(info->linkAddress, quint16(0x2000));
        QCOMPARE(info->versionMajor, quint8(3));
        QCOMPARE(info->versionMinor, quint8(4));
        QCOMPARE(f.image.left(0xC0), image.left(0xC0));
        QCOMPARE(f.image.mid(0xC8), image.mid(0xC8));
        QCOMPARE(f.checksum, ispimage::sum16(data(f.image), f.image.size()));

        // An info block already there keeps its link address.
        auto linked = updatetest::imageOfPages(1, 1, 1, 3, 0, 0x3000);
        const QString in2 = updatetest::writeFile(
            dir, QByteArray(reinterpret_cast<const char*>(linked.data()), qsizetype(linked.size())),
            "linked.raw");
        QCOMPARE(run({"--image", in2, "--version", "1.1", "--output", out}), 0);
        const auto info2 = ispimage::readInfo(data(read(out).image), 512);
        QCOMPARE(info2->linkAddress, quint16(0x3000));
    }

    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no output") << QStringList{"--generate", "512", "--version", "1.0"};
        QTest::newRow("no version") << QStringList{"--generate", "512"};
        QTest::newRow("no image") << QStringList{"--version", "1.0"};
        QTest::newRow("both images")
            << QStringList{"--generate", "512", "--image", "x", "--version", "1.0"};
        QTest::newRow("bad version") << QStringList{"--generate", "512", "--version", "1.0.0"};
        QTest::newRow("version out of range")
            << QStringList{"--generate", "512", "--version", "100.0"};
        QTest::newRow("bad ids") << QStringList{"--generate", "512",   "--version",
                                                "1.0",        "--ids", "04d9"};
        QTest::newRow("bad keys") << QStringList{"--generate", "512",    "--version",
                                                 "1.0",        "--keys", "1ff:0"};
        QTest::newRow("larger than the user area")
            << QStringList{"--generate", "65537", "--version", "1.0"};
        QTest::newRow("too short for the info block")
            << QStringList{"--generate", "199", "--version", "1.0"};
        QTest::newRow("title too long")
            << QStringList{"--generate", "512", "--version", "1.0", "--title", QString(120, 'x')};
        QTest::newRow("missing image")
            << QStringList{"--image", "/nonexistent/image.raw", "--version", "1.0"};
    }

    void refusals() {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        const QString out = dir.filePath("data.bin");
        if (QTest::currentDataTag() != QByteArray("no output"))
            args << "--output" << out;
        QString errors;
        QCOMPARE(run(args, &errors), 2);
        QVERIFY(!errors.isEmpty());
        QVERIFY(!QFile::exists(out));
    }

    void stagedDataFile() {
        const QString path = QStringLiteral(DIST_DATA_BIN);
        const FirmwareFile f = read(path);
        QVERIFY2(f.hasPayload, qPrintable(path));
        QCOMPARE(f.vendorId, quint16(0x04d9));
        QCOMPARE(f.productId, quint16(0xa26b));
        const auto info = ispimage::readInfo(data(f.image), f.image.size());
        QVERIFY(info);
        QCOMPARE(info->versionMajor, quint8(0x01));
        QCOMPARE(info->versionMinor, quint8(0x0B));

        // The updater takes it: it gets ready and waits for a mouse.
        updatetest::FakeClock clock;
        updater::UpdateFlow flow(clock);
        flow.setHotplugFactory([](QObject* p) { return new hidseam::HotplugSource(p); });
        flow.load(path);
        QCOMPARE(flow.updateState(), updater::UpdateFlow::kWaiting);
        QCOMPARE(flow.title(), QString("Update"));
    }
};

QTEST_GUILESS_MAIN(MakeFirmwareTest)
#include "make_firmware_test.moc"
