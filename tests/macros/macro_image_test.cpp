// Fitting macro images to the transfer buffers, the loop count and the page's byte lists.
#include "macros/macro_image.h"

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
const Image kHead{0x00, 0x01}, kEnd{0x00, 0x00};
// The editor's action with a long delay: two more pairs the device reads with it.
const Image kDelayedAction{0x80, 0x04, 0x00, 0x02, 0x01, 0x00};
} // namespace

class MacroImageTest : public QObject {
    Q_OBJECT

  private slots:
    void fit() {
        const Image pauses{0x0A, 0x04, 0x96, 0x01, 0x00, 0x01, 0x01, 0x2C};
        const Image whole = kHead + pauses + kDelayedAction + kEnd;
        QCOMPARE(fitMacroImage(whole, 128), whole);
        QCOMPARE(fitMacroImage(kHead + pairs(63) + kEnd, 128), kHead + pairs(62) + kEnd);
        QCOMPARE(fitMacroImage(kHead + pairs(200), 192), kHead + pairs(94) + kEnd);
        QCOMPARE(fitMacroImage(kHead + pairs(3) + kEnd + pairs(9), 128), kHead + pairs(3) + kEnd);
        QCOMPARE(fitMacroImage(kHead, 128), kHead + kEnd);
        QCOMPARE(fitMacroImage(kHead + pairs(3) + Image{0, 1, 2}, 128), kHead + pairs(3) + kEnd);
    }

    // The fit is a prefix cut at a record boundary plus the end mark, within the buffer, and
    // the next record would not have fitted. MACRO_IMAGE_SEED repeats a run.
    void randomImagesCutAtRecordBoundaries() {
        const quint32 seed = qEnvironmentVariableIsSet("MACRO_IMAGE_SEED")
                                 ? qgetenv("MACRO_IMAGE_SEED").toUInt()
                                 : QRandomGenerator::global()->generate();
        qInfo("MACRO_IMAGE_SEED=%u", seed);
        QRandomGenerator random(seed);
        const QList<Image> kinds{
            {0x01, 0x04}, {0x8A, 0x2C}, {0x96, 0x01}, {0x00, 0x01, 0x01, 0x2C}, kDelayedAction};
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
            QVERIFY(fitted.size() <= bufferSize && fitted.last(2) == kEnd);
            QVERIFY(boundaries.contains(body) && fitted.first(body) == image.first(body));
            if (body != boundaries.last())
                QVERIFY(boundaries[boundaries.indexOf(body) + 1] + 2 > bufferSize);
        }
    }

    void blocksAndLoopCounts() {
        QCOMPARE(macroTransferBlock(kHead + pairs(1) + kEnd, kMouseMacroBufferSize),
                 QByteArray::fromHex("000101040000").leftJustified(128, '\0'));
        const QByteArray full = macroTransferBlock(kHead + pairs(150), kKeyboardMacroBufferSize);
        QVERIFY(full.size() == 192 && full.endsWith(QByteArray::fromHex("01040000")));
        QCOMPARE(withLoopCount(kHead + kEnd, 300), (Image{0x01, 0x2C, 0x00, 0x00}));
        QCOMPARE(withLoopCount({}, 0xFFFF), (Image{0xFF, 0xFF}));
        const QVariantList values{0, 255, 256 + 7, -1, 3.0, QStringLiteral("18"), QVariant()};
        QCOMPARE(imageFromVariantList(values), (Image{0x00, 0xFF, 0x07, 0xFF, 0x03, 0x12, 0x00}));
    }
};

QTEST_APPLESS_MAIN(MacroImageTest)
#include "macro_image_test.moc"
