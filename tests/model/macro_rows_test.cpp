// The macro editor's image from its rows: pairs, pauses summed and rounded once, long
// pauses in their three scales, what counts as no action, and the key names it takes.
#include "model/macro_images.h"
#include "model/macro_rows.h"

#include <QTest>

using model::MacroRow;

namespace {

QByteArray hex(const QList<uchar>& image) {
    return QByteArray(reinterpret_cast<const char*>(image.constData()), image.size()).toHex(' ');
}

// "+B" key down, "-B" key up, "*MS-L" / "/MS-L" button down / up, "~14" a pause, "?x" a
// row of kind 9; separated by ";".
QList<MacroRow> rows(const QString& text) {
    QList<MacroRow> out;
    for (const QString& part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int type = QStringLiteral("~+-*/").indexOf(part.at(0));
        out.append({type < 0 ? 9 : type, part.mid(1)});
    }
    return out;
}

} // namespace

class MacroRowsTest : public QObject {
    Q_OBJECT

  private slots:
    void images_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("loops");
        QTest::addColumn<QByteArray>("image");
        const auto row = [](const char* name, const char* rows, int loops, const char* image) {
            QTest::newRow(name) << QString(rows) << loops << QByteArray(image);
        };
        row("press and release", "+A;~30;-A", 1, "00 01 03 04 81 04 00 00");
        row("loops high byte first", "+A", 300, "01 2c 01 04 00 00");
        row("no pause is one unit", "+A;-A", 1, "00 01 01 04 81 04 00 00");
        // Summed, then rounded once, halves up.
        row("25 ms", "+B;~14;~11;-B", 1, "00 01 03 05 81 05 00 00");
        row("24 ms", "+B;~14;~10;-B", 1, "00 01 02 05 81 05 00 00");
        row("4 ms", "+B;~4;~0;-B", 1, "00 01 01 05 81 05 00 00");
        row("1264 ms", "+B;~1254;~10;-B", 1, "00 01 7e 05 81 05 00 00");
        // From 127 units on, a count of 20, 50 or 100 ms follows.
        row("1265 ms", "+B;~1254;~11;-B", 1, "00 01 00 05 00 01 00 3f 81 05 00 00");
        row("1500 ms", "+D;~1500;-D", 1, "00 01 00 07 00 01 00 4b 81 07 00 00");
        row("1000 s in 50 ms", "+B;~1000000;-B", 1, "00 01 00 05 00 02 4e 20 81 05 00 00");
        row("held at the top", "+B;~100000000;-B", 1, "00 01 00 05 00 03 ff ff 81 05 00 00");
        row("release with a long pause", "+B;-B;~2000;+C", 1,
            "00 01 01 05 80 05 00 01 00 64 01 06 00 00");
        // What is no action adds nothing, and gives its pause to no one.
        row("pauses before the first action", "~500;+A", 1, "00 01 01 04 00 00");
        row("pauses alone", "~10;~10", 1, "00 01");
        row("nothing", "", 0, "00 00");
        row("bad pauses", "+A;~abc;~-5;~;~2.5;-A", 1, "00 01 01 04 81 04 00 00");
        row("unknown names and kinds", "+A;+Nope;*A;+MS-L;?B;-A", 1, "00 01 01 04 81 04 00 00");
        row("mouse buttons", "*MS-L;/MS-B5", 1, "00 01 01 f0 81 f4 00 00");
        row("backslash as the pages send it", "+\\ |;-\\ |", 1, "00 01 01 32 81 32 00 00");
    }

    void images() {
        QFETCH(QString, rows);
        QFETCH(int, loops);
        QFETCH(QByteArray, image);
        const QList<uchar> encoded = model::encodeRows(::rows(rows), quint16(loops));
        QCOMPARE(hex(encoded), image);
        // What the pages call: the same bytes, and the count the editor checks against
        // the slot's 128 bytes.
        QVariantList pageRows;
        for (const MacroRow& r : ::rows(rows))
            pageRows << QVariantMap{{"type", double(r.type)}, {"info", r.info}};
        const model::MacroImages images;
        const QVariantList fromPage = images.encode(pageRows, loops);
        QCOMPARE(fromPage.size(), encoded.size());
        for (qsizetype i = 0; i < encoded.size(); ++i)
            QCOMPARE(fromPage.at(i).toInt(), int(encoded.at(i)));
        QCOMPARE(images.byteCount(pageRows), int(encoded.size()));
    }

    void storedLines() {
        QCOMPARE(model::rowFromLine("1,A")->info, QString("A"));
        QCOMPARE(model::rowFromLine("0,1500")->type, 0);
        QCOMPARE(model::rowFromLine("2,, <")->info, QString(", <"));
        for (const char* bad : {"", "1", "x,A", "1A", "12,A"})
            QVERIFY2(!model::rowFromLine(bad), bad);
    }
};

QTEST_APPLESS_MAIN(MacroRowsTest)
#include "macro_rows_test.moc"
