// The text-entry encoder: the byte vectors of every pause rule, key names, skipped
// entries and the device index that switches pauses off.
#include "macro_encoder.h"
#include "macro_host.h"

#include <QTest>

namespace {

QString press(const QString& name) {
    return name + QStringLiteral("    [Down]");
}
QString release(const QString& name) {
    return name + QStringLiteral("      [Up]");
}
QString pause(const QString& ms) {
    return ms + QStringLiteral("   [Delay]");
}
QString pause(int ms) {
    return pause(QString::number(ms));
}

QList<uchar> bytes(const char* hex) {
    QList<uchar> out;
    for (const QByteArray& part : QByteArray(hex).split(' '))
        if (!part.isEmpty())
            out << uchar(part.toUInt(nullptr, 16));
    return out;
}

QString hex(const QList<uchar>& image) {
    QStringList parts;
    for (uchar b : image)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(u' ');
}

class FixedDevice : public MacroDevice {
  public:
    explicit FixedDevice(int index) : index_(index) {}
    int currentDeviceIndex() const override { return index_; }
    void sendMacroBlock(int, const QByteArray&) override {}

  private:
    int index_;
};

} // namespace

class MacroEncoderTest : public QObject {
    Q_OBJECT

  private slots:
    void vectors_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("deviceIndex");
        QTest::addColumn<QString>("expected");
        const QString a = QStringLiteral("A");
        auto row = [](const char* tag, const QStringList& entries, const char* image,
                      int device = 0) {
            QTest::newRow(tag) << entries << device << hex(bytes(image));
        };

        row("empty", {}, "00 01 00 00");
        row("press and release", {press(a), release(a)}, "00 01 01 04 81 04 00 00");
        row("pause folds into the press", {press(a), pause(100), release(a)},
            "00 01 0A 04 81 04 00 00");
        row("pause folds into a release keeping bit 7", {release(a), pause(100)},
            "00 01 8A 04 00 00");
        row("fold rounds to 10 ms", {press(a), pause(14), press(a), pause(15)},
            "00 01 01 04 02 04 00 00");
        row("5 ms folds as one unit", {release(a), pause(5), press(a), pause(5)},
            "00 01 81 04 01 04 00 00");
        row("1 ms folds as one unit, never zero", {press(a), pause(1)}, "00 01 01 04 00 00");
        row("1270 ms is the longest fold", {press(a), pause(1270)}, "00 01 7F 04 00 00");
        row("1271 ms is a short record", {press(a), pause(1271)}, "00 01 01 04 40 01 00 00");
        row("3000 ms short record", {press(a), pause(3000), release(a)},
            "00 01 01 04 96 01 81 04 00 00");
        row("5100 ms is the longest short record", {press(a), pause(5100)},
            "00 01 01 04 FF 01 00 00");
        row("5101 ms is a long record", {press(a), pause(5101)}, "00 01 01 04 00 01 00 FF 00 00");
        row("pause first is a long record", {pause(50)}, "00 01 00 01 00 03 00 00");
        row("5 ms as a record counts one 20 ms unit", {pause(5)}, "00 01 00 01 00 01 00 00");
        row("3000 ms first is a short record", {pause(3000)}, "00 01 96 01 00 00");
        row("second of two pauses is a long record", {press(a), pause(50), pause(50)},
            "00 01 05 04 00 01 00 03 00 00");
        // Beyond 65535 units a pause continues in a second record instead of wrapping.
        row("pause beyond one record", {press(a), pause(2000000)},
            "00 01 01 04 00 01 FF FF 00 01 86 A1 00 00");

        row("device 1 keeps pauses", {press(a), pause(100), release(a)}, "00 01 0A 04 81 04 00 00",
            1);
        row("device 2 drops pauses", {pause(50), press(a), pause(100), pause(3000), release(a)},
            "00 01 01 04 81 04 00 00", 2);

        row("Intl'2 is 0x88", {press(QStringLiteral("Intl'2"))}, "00 01 01 88 00 00");
        row("Int'l 2 is 0x89", {press(QStringLiteral("Int'l 2"))}, "00 01 01 89 00 00");
        row("right arrow", {press(QString::fromUtf16(u"►")), release(QString::fromUtf16(u"►"))},
            "00 01 01 4F 81 4F 00 00");

        row("unknown name", {press(QStringLiteral("Nope")), press(a)}, "00 01 01 04 00 00");
        row("no name, unknown tag, no tag, tag one space short",
            {QStringLiteral("    [Down]"), a + QStringLiteral("   [Press]"), a, QString(),
             a + QStringLiteral("   [Down]")},
            "00 01 00 00");
        row("pause not a number", {press(a), pause(QStringLiteral("abc"))}, "00 01 01 04 00 00");
        row("pause of 0 ms", {press(a), pause(0)}, "00 01 01 04 00 00");
        row("zero pause then pause is a record", {press(a), pause(0), pause(100)},
            "00 01 01 04 00 01 00 05 00 00");
        // After an entry that wrote nothing the pause folds into the action before it.
        row("pause after unknown name folds into the earlier action",
            {press(a), press(QStringLiteral("Nope")), pause(100)}, "00 01 0A 04 00 00");
        // Without an action to fold into, the pause becomes a record of its own instead of
        // overwriting the loop count or a pause record's count.
        row("pause after unknown first entry", {press(QStringLiteral("Nope")), pause(100)},
            "00 01 00 01 00 05 00 00");
        row("pause after pause record and unknown entry",
            {pause(50), press(QStringLiteral("Nope")), pause(100)},
            "00 01 00 01 00 03 00 01 00 05 00 00");
        row("pause after short record and unknown tag",
            {press(a), pause(3000), QStringLiteral("x"), pause(300)},
            "00 01 01 04 96 01 00 01 00 0F 00 00");
    }
    void vectors() {
        QFETCH(QStringList, entries);
        QFETCH(int, deviceIndex);
        QFETCH(QString, expected);
        QCOMPARE(hex(MacroEncoder::encode(entries, deviceIndex)), expected);
    }

    // The slot takes the device index from the device link at each call.
    void slotReadsTheDeviceIndex() {
        const QStringList entries{press(QStringLiteral("B")), pause(100)};
        QCOMPARE(hex(MacroEncoder().macroIncode(entries)), QStringLiteral("00 01 0A 05 00 00"));
        FixedDevice first(0), third(2);
        QCOMPARE(hex(MacroEncoder(&first).macroIncode(entries)),
                 QStringLiteral("00 01 0A 05 00 00"));
        QCOMPARE(hex(MacroEncoder(&third).macroIncode(entries)),
                 QStringLiteral("00 01 01 05 00 00"));
    }
};

QTEST_APPLESS_MAIN(MacroEncoderTest)
#include "macro_encoder_test.moc"
