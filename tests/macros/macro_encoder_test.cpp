// The text-entry encoder: pause rules, key names, skipped entries, the device index.
#include "macros/key_names.h"
#include "macros/macro_encoder.h"

#include <QTest>

namespace {

// "+A" presses A, "-A" releases it, "=text" is an entry as it stands, anything else a pause.
QStringList entries(const QString& entryText) {
    QStringList out;
    for (const QString& e : entryText.split(u'|', Qt::SkipEmptyParts)) {
        const QString rest = e.mid(1);
        out << (e[0] == u'+'   ? rest + "    [Down]"
                : e[0] == u'-' ? rest + "      [Up]"
                : e[0] == u'=' ? rest
                               : e + "   [Delay]");
    }
    return out;
}

QByteArray bytes(const QList<uchar>& image) {
    return QByteArray(reinterpret_cast<const char*>(image.constData()), image.size());
}

} // namespace

class MacroEncoderTest : public QObject {
    Q_OBJECT

  private slots:
    void vectors_data() {
        QTest::addColumn<QString>("entryText");
        QTest::addColumn<int>("device");
        QTest::addColumn<QByteArray>("expected");
        auto row = [](const char* tag, const QString& entryText, const char* hex, int device = 0) {
            QTest::newRow(tag) << entryText << device << QByteArray::fromHex(hex);
        };
        row("empty", "", "00 01 00 00");
        row("press and release", "+A|-A", "00 01 01 04 81 04 00 00");
        row("pause folds into the press", "+A|100|-A", "00 01 0A 04 81 04 00 00");
        row("fold into a release keeps bit 7", "-A|100", "00 01 8A 04 00 00");
        row("fold rounds to 10 ms", "+A|14|+A|15", "00 01 01 04 02 04 00 00");
        row("1 ms folds as one unit", "+A|1", "00 01 01 04 00 00");
        row("1270 ms is the longest fold", "+A|1270", "00 01 7F 04 00 00");
        row("1271 ms is a short record", "+A|1271", "00 01 01 04 40 01 00 00");
        row("5100 ms is the longest short record", "+A|5100", "00 01 01 04 FF 01 00 00");
        row("5101 ms is a long record", "+A|5101", "00 01 01 04 00 01 00 FF 00 00");
        row("pause first is a long record", "50", "00 01 00 01 00 03 00 00");
        row("5 ms record is one 20 ms unit", "5", "00 01 00 01 00 01 00 00");
        row("second of two pauses is a record", "+A|50|50", "00 01 05 04 00 01 00 03 00 00");
        // Beyond 65535 units a pause continues in a second record instead of wrapping.
        row("beyond one record", "+A|2000000", "00 01 01 04 00 01 FF FF 00 01 86 A1 00 00");
        row("device 1 keeps pauses", "+A|100|-A", "00 01 0A 04 81 04 00 00", 1);
        row("device 2 drops pauses", "50|+A|100|3000|-A", "00 01 01 04 81 04 00 00", 2);
        row("International 2 both ways", "+Intl'2|+Int'l 2|+►|-►",
            "00 01 01 88 01 89 01 4F 81 4F 00 00");
        row("ends of the name runs", "+Z|+0|+F12|+F24|+KP 0|+R Win|+MS-B5|+; :",
            "00 01 01 1D 01 27 01 45 01 73 01 62 01 E7 01 F4 01 33 00 00");
        row("unknown name", "+Nope|+A", "00 01 01 04 00 00");
        row("no name, unknown tag, no tag, short tag", "=    [Down]|=A   [Press]|=A|=|=A   [Down]",
            "00 01 00 00");
        row("zero pause then pause is a record", "+A|0|100", "00 01 01 04 00 01 00 05 00 00");
        // After an entry that wrote nothing a pause folds into the action before, or is a record.
        row("fold past an unknown name", "+A|+Nope|100", "00 01 0A 04 00 00");
        row("unknown first entry", "+Nope|100", "00 01 00 01 00 05 00 00");
        row("after a long record", "50|+Nope|100", "00 01 00 01 00 03 00 01 00 05 00 00");
        row("after a short record", "+A|3000|=x|300", "00 01 01 04 96 01 00 01 00 0F 00 00");
    }
    void vectors() {
        QFETCH(QString, entryText);
        QFETCH(int, device);
        QFETCH(QByteArray, expected);
        QCOMPARE(bytes(MacroEncoder::encode(entries(entryText), device)).toHex(' '),
                 expected.toHex(' '));
    }

    // The slot takes the device index from the device link at each call.
    void slotReadsTheDeviceIndex() {
        const QStringList in = entries("+B|100");
        int device = 0;
        const MacroEncoder encoder([&device] { return device; });
        QCOMPARE(bytes(MacroEncoder().macroIncode(in)).toHex(), "00010a050000");
        QCOMPARE(bytes(encoder.macroIncode(in)).toHex(), "00010a050000");
        device = 2;
        QCOMPARE(bytes(encoder.macroIncode(in)).toHex(), "000101050000");
    }

    // Every name and every code once: a name given twice would hide one of its keys.
    void keyNamesAreDistinct() {
        int named = 0;
        for (int code = 0; code < 256; ++code)
            named += KeyNames::nameOf(uchar(code)).isEmpty() ? 0 : 1;
        QCOMPARE(KeyNames::table().size(), KeyNames::rows().size());
        QCOMPARE(named, KeyNames::rows().size());
    }
};

QTEST_APPLESS_MAIN(MacroEncoderTest)
#include "macro_encoder_test.moc"
