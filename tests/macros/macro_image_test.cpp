// Fitting macro images to the transfer buffers: cuts fall between records and the image
// always keeps its end mark; plus the loop count and the page's byte lists.
#include "macro_image.h"

#include <QRandomGenerator>
#include <QTest>

using Image = QList<uchar>;

namespace {
Image pairs(int count) {
    Image out;
    for (int i = 0; i < count; ++i)
        out << 0x01 << 0x04;
    return out;
}
const Image kHead{0x00, 0x01};
const Image kEnd{0x00, 0x00};
const Image kLongPause{0x00, 0x01, 0x01, 0x2C};
// The editor's action with a long delay: two more pairs the device reads with it.
const Image kDelayedAction{0x80, 0x04, 0x00, 0x02, 0x01, 0x00};
} // namespace

class MacroImageTest : public QObject {
    Q_OBJECT

  private slots:
    void fit_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<Image>("expected");
        const Image pauses{0x0A, 0x04, 0x96, 0x01, 0x00, 0x01, 0x01, 0x2C};
        QTest::newRow("fits as it is") << kHead + pauses + kDelayedAction + kEnd << 128
                                       << kHead + pauses + kDelayedAction + kEnd;
        QTest::newRow("one pair too many")
            << kHead + pairs(63) + kEnd << 128 << kHead + pairs(62) + kEnd;
        QTest::newRow("keyboard buffer") << kHead + pairs(200) << 192 << kHead + pairs(94) + kEnd;
        QTest::newRow("nothing after the end mark")
            << kHead + pairs(3) + kEnd + pairs(100) << 128 << kHead + pairs(3) + kEnd;
        QTest::newRow("loop count only") << kHead << 128 << kHead + kEnd;
        QTest::newRow("record cut short")
            << kHead + pairs(3) + Image{0x00, 0x01, 0x02} << 128 << kHead + pairs(3) + kEnd;
    }
    void fit() {
        QFETCH(Image, image);
        QFETCH(int, bufferSize);
        QFETCH(Image, expected);
        QCOMPARE(fitMacroImage(image, bufferSize), expected);
    }

    // Random images built from known records: the fit is a prefix ending at a record
    // boundary, then the end mark, within the buffer, and the next record would not fit.
    void randomImagesCutAtRecordBoundaries() {
        QRandomGenerator random(20240531);
        const QList<Image> kinds{
            {0x01, 0x04}, {0x8A, 0x2C}, {0x96, 0x01}, kLongPause, kDelayedAction};
        for (int round = 0; round < 500; ++round) {
            const int bufferSize = random.bounded(2) ? 128 : 192;
            Image image = kHead;
            QList<qsizetype> boundaries{image.size()};
            for (int r = random.bounded(120); r > 0; --r) {
                image += kinds[random.bounded(kinds.size())];
                boundaries << image.size();
            }
            const Image fitted = fitMacroImage(image + kEnd, bufferSize);
            const qsizetype body = fitted.size() - 2;
            QVERIFY(fitted.size() <= bufferSize);
            QCOMPARE(fitted.last(2), kEnd);
            QVERIFY(boundaries.contains(body));
            QCOMPARE(fitted.first(body), image.first(body));
            if (body != boundaries.last())
                QVERIFY(boundaries[boundaries.indexOf(body) + 1] + 2 > bufferSize);
        }
    }

    void blocksAndLoopCounts() {
        const QByteArray block = macroTransferBlock(kHead + pairs(1) + kEnd, kMouseMacroBufferSize);
        QCOMPARE(block, QByteArray::fromHex("000101040000").leftJustified(128, '\0'));
        const QByteArray full = macroTransferBlock(kHead + pairs(150), kKeyboardMacroBufferSize);
        QCOMPARE(full.size(), 192);
        QCOMPARE(full.last(4), QByteArray::fromHex("01040000"));

        QCOMPARE(withLoopCount(kHead + kEnd, 300), (Image{0x01, 0x2C, 0x00, 0x00}));
        QCOMPARE(withLoopCount({}, 0xFFFF), (Image{0xFF, 0xFF}));
        const QVariantList values{0, 255, 256 + 7, -1, 3.0, QStringLiteral("18"), QVariant()};
        QCOMPARE(imageFromVariantList(values), (Image{0x00, 0xFF, 0x07, 0xFF, 0x03, 0x12, 0x00}));
    }
};

QTEST_APPLESS_MAIN(MacroImageTest)
#include "macro_image_test.moc"
