// data.bin: the header and its title, the payload fields and the scrambling, and what the
// window makes of a file at start-up (with no mouse around).
#include "firmware_file.h"
#include "firmware_image.h"
#include "hid_seam.h"
#include "local_text.h"
#include "update_flow.h"
#include "update_rig.h"

#include <QTest>

using updater::FirmwareFile;
using updater::UpdateFlow;
using updatetest::DebugLines;
using updatetest::FakeClock;

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray header(const QByteArray& text) {
    QByteArray h = text;
    h.resize(FirmwareFile::kHeaderSize, '\0');
    return h;
}

QByteArray asBytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

// A window's start-up on `content` as data.bin, without a mouse.
struct Startup {
    explicit Startup(const QByteArray& content, bool write = true) : flow(clock) {
        DebugLines::install();
        DebugLines::take();
        flow.setHotplugFactory([](QObject* p) { return new hidseam::HotplugSource(p); });
        path = write ? updatetest::writeFile(dir, content) : dir.filePath("data.bin");
        flow.load(path);
        lines = DebugLines::take();
    }
    FakeClock clock;
    QTemporaryDir dir;
    QString path;
    UpdateFlow flow;
    QStringList lines;
};

} // namespace

class FirmwareFileTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        updatetest::routeSeam();
        QVERIFY(updater::setLocal8BitEncoding("GB18030-0"));
    }

    void titles_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("title");
        QTest::newRow("marker") << header(bytes({0x55, 0xaa, 0x99, 0x88, 0x77, 0x41})) << "Update";
        QTest::newRow("short text, rubbish after its zero")
            << QByteArray("Q7\0zzz", 6) + QByteArray(114, 'x') << "Q7";
        QTest::newRow("GB18030") << header(bytes({0xca, 0xf3, 0xb1, 0xea, 0xb9, 0xcc, 0xbc, 0xfe}))
                                 << QString::fromUtf8("鼠标固件");
        QTest::newRow("no zero in 120 bytes")
            << QByteArray(120, 'A') + bytes({0, 0}) << QString(120, 'A');
        QTest::newRow("empty file") << QByteArray() << "Update";
    }

    void titles() {
        QFETCH(QByteArray, content);
        QFETCH(QString, title);
        QCOMPARE(FirmwareFile::parse(content).title, title);
    }

    void payloadPresence_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("present");
        QTest::newRow("none") << QByteArray() << false;
        QTest::newRow("the fill itself") << bytes({0xaa, 0x55, 0xcc, 0x33, 0xdd, 0x01}) << false;
        // Three bytes read over the fill still leave aa 55 cc 33 dd in place.
        QTest::newRow("three fill bytes") << bytes({0xaa, 0x55, 0xcc}) << false;
        QTest::newRow("fill but the fifth") << bytes({0xaa, 0x55, 0xcc, 0x33, 0xde}) << true;
    }

    void payloadPresence() {
        QFETCH(QByteArray, payload);
        QFETCH(bool, present);
        QCOMPARE(FirmwareFile::parse(header("t") + payload).hasPayload, present);
    }

    void fields() {
        const QByteArray payload =
            bytes({0x04, 0xd9, 0xa0, 0x9f, 0x00, 0x00, 0x05, 0xbe, 0xef, 0x12, 0x34}) +
            bytes({0x12 ^ 1, 0x34 ^ 2, 0x16 ^ 3, 0xe9 ^ 4, 0x12 ^ 5});
        const FirmwareFile f = FirmwareFile::parse(header("t") + payload);
        QVERIFY(f.hasPayload);
        QCOMPARE(f.vendorId, quint16(0x04D9));
        QCOMPARE(f.productId, quint16(0xA09F));
        QCOMPARE(f.imageLength, quint32(5));
        QCOMPARE(f.checksum, quint16(0xbeef));
        QCOMPARE(f.k0, quint8(0x12));
        QCOMPARE(f.k1, quint8(0x34));
        QVERIFY(f.imageComplete);
        QCOMPARE(f.image, bytes({1, 2, 3, 4, 5}));
    }

    void scramblePattern_data() {
        QTest::addColumn<int>("k0");
        QTest::addColumn<int>("k1");
        QTest::addColumn<QByteArray>("pattern");
        QTest::newRow("12 34") << 0x12 << 0x34 << bytes({0x12, 0x34, 0x16, 0xe9});
        QTest::newRow("00 ff") << 0x00 << 0xff << bytes({0x00, 0xff, 0x55, 0xaa});
    }

    void scramblePattern() {
        QFETCH(int, k0);
        QFETCH(int, k1);
        QFETCH(QByteArray, pattern);
        const auto p = FirmwareFile::scramblePattern(quint8(k0), quint8(k1));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(p.data()), 4), pattern);
        QByteArray zeros(9, '\0');
        FirmwareFile::scramble(zeros, quint8(k0), quint8(k1));
        QCOMPARE(zeros, pattern + pattern + pattern.left(1));
    }

    void composeAndParse() {
        const auto image = asBytes(updatetest::imageOfPages(3, 1, 2, 5, 11));
        const QByteArray file =
            FirmwareFile::compose("abc", 0x04d9, 0xa26b, image, 0x1234, 0x12, 0x34);
        QCOMPARE(file.size(), 120 + 11 + image.size());
        QCOMPARE(file.mid(120, 11),
                 bytes({0x04, 0xd9, 0xa2, 0x6b, 0x00, 0x05, 0xf5, 0x12, 0x34, 0x12, 0x34}));
        // The image goes out scrambled.
        QVERIFY(file.mid(131) != image);
        const FirmwareFile f = FirmwareFile::parse(file);
        QCOMPARE(f.title, QString("abc"));
        QCOMPARE(f.image, image);
        QCOMPARE(f.checksum, quint16(0x1234));
        QCOMPARE(FirmwareFile::parse(FirmwareFile::compose({}, 1, 2, image, 3, 4, 5)).title,
                 QString("Update"));
    }

    void payloadLimits() {
        QByteArray fields = bytes({0x04, 0xd9, 0xa2, 0x6b, 0x02, 0x3f, 0xf5, 0, 0, 0, 0});
        const int room = FirmwareFile::kPayloadArea - FirmwareFile::kImageOffset;
        // L = 0x023ff5 = 147445 bytes: exactly the room there is.
        const FirmwareFile full = FirmwareFile::parse(header("t") + fields + QByteArray(room, 1));
        QVERIFY(!full.oversize);
        QVERIFY(full.imageComplete);
        QCOMPARE(full.image.size(), room);
        const FirmwareFile over =
            FirmwareFile::parse(header("t") + fields + QByteArray(room + 1, 1));
        QVERIFY(over.oversize);
        // A length beyond what the file holds.
        const FirmwareFile cut =
            FirmwareFile::parse(header("t") + fields + QByteArray(room - 1, 1));
        QVERIFY(!cut.oversize);
        QVERIFY(!cut.imageComplete);
        QVERIFY(cut.image.isEmpty());
    }

    // ---- what the window does with the file ----

    void missingFile() {
        Startup s({}, false);
        QVERIFY(s.lines.contains("Open data File fail"));
        QCOMPARE(s.flow.updateState(), UpdateFlow::kNotReady);
        QCOMPARE(s.flow.status(), QString("Error:"));
        QVERIFY(s.flow.title().isEmpty());
        QVERIFY(!s.flow.updateEnabled());
    }

    void filesThatStayIdle_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("checksumShown");
        QTest::addColumn<QString>("line");
        const auto image = updatetest::imageOfPages(2, 1, 0);
        const quint16 sum = ispimage::sum16(image.data(), image.size());

        QTest::newRow("empty") << QByteArray() << "Update" << false << "";
        QTest::newRow("no payload") << header("Q7 update") << "Q7 update" << false << "";
        updatetest::DataFile wrongSum;
        wrongSum.checksum = quint16(sum + 1);
        QTest::newRow("checksum mismatch")
            << updatetest::dataBin(image, wrongSum) << "Update" << true << "";
        QTest::newRow("linked for 0x3000")
            << updatetest::dataBin(updatetest::imageOfPages(2, 1, 0, 7, 0, 0x3000)) << "Update"
            << true << "";
        std::vector<std::uint8_t> noInfo(1024, 0x11);
        QTest::newRow("image without info block")
            << updatetest::dataBin(noInfo) << "Update" << false << "";
        QByteArray tooLarge = updatetest::dataBin(image);
        tooLarge.append(QByteArray(FirmwareFile::kPayloadArea, '\x22'));
        QTest::newRow("more than the payload area")
            << tooLarge << "Update" << false << "data File too large";
        QTest::newRow("image cut short")
            << updatetest::dataBin(image).chopped(1) << "Update" << false << "data File too short";
    }

    void filesThatStayIdle() {
        QFETCH(QByteArray, content);
        QFETCH(QString, title);
        QFETCH(bool, checksumShown);
        QFETCH(QString, line);
        Startup s(content);
        QCOMPARE(s.flow.title(), title);
        QCOMPARE(s.flow.updateState(), UpdateFlow::kNotReady);
        QCOMPARE(s.flow.status(), QString("Error:"));
        QVERIFY(!s.flow.updateEnabled());
        QCOMPARE(s.flow.progressMaximum(), 100);
        QCOMPARE(!s.flow.checksumText().isEmpty(), checksumShown);
        if (checksumShown) {
            const QByteArray& img = s.flow.firmwareFile().image;
            QCOMPARE(s.flow.checksumText(),
                     QString::number(
                         ispimage::sum16(reinterpret_cast<const std::uint8_t*>(img.constData()),
                                         img.size()),
                         16));
        }
        if (!line.isEmpty())
            QVERIFY2(s.lines.contains(line), qPrintable(s.lines.join(" | ")));
        QVERIFY(!s.lines.contains("Open data File fail"));
    }

    void goodFile() {
        updatetest::DataFile options;
        options.title = updater::toLocal8Bit(QString::fromUtf8("鼠标固件"));
        options.productId = 0xa09f;
        const auto image = updatetest::imageOfPages(9, 1, 0x0B, 7, 300);
        Startup s(updatetest::dataBin(image, options));
        QCOMPARE(s.flow.title(), QString::fromUtf8("鼠标固件"));
        QCOMPARE(s.flow.updateState(), UpdateFlow::kWaiting);
        QCOMPARE(s.flow.deviceState(), -1);
        QCOMPARE(s.flow.status(), QString("Disconnect the Device!"));
        QCOMPARE(s.flow.mcuInfo().pageCount, 9u);
        QCOMPARE(s.flow.mcuInfo().chunkSize, 512u);
        QCOMPARE(s.flow.progressMaximum(), 29);
        QVERIFY(!s.flow.progressTextVisible());
        QCOMPARE(s.flow.checksumText(),
                 QString::number(ispimage::sum16(image.data(), image.size()), 16));
        QVERIFY(s.flow.checksumText() == s.flow.checksumText().toLower());
        const auto entry = s.flow.hid().deviceTable()[0];
        QCOMPARE(entry.vendorId, quint16(0x04D9));
        QCOMPARE(entry.productId, quint16(0xA09F));
        QCOMPARE(entry.usagePage, quint16(0xFF00));
        QCOMPARE(entry.reportLength, 32);
        QVERIFY(s.lines.contains("Device -1 0"));
    }
};

QTEST_GUILESS_MAIN(FirmwareFileTest)
#include "firmware_file_test.moc"
