// The DPI codes: a value takes the code of the first known value not below it, and only
// the four stepped stages are ever sent as on.
#include "model/dpi_table.h"
#include "model/dpi_table_qml.h"

#include <QTest>

class DpiTableTest : public QObject {
    Q_OBJECT

  private slots:
    // Rows: a value; its code, the DPI the mouse runs for it, where a slider lands on it.
    void codes_data() {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("running");
        QTest::addColumn<int>("nearest");
        QTest::newRow("lowest") << 250 << 0x01 << 250 << 250;
        QTest::newRow("below the table") << 100 << 0x01 << 250 << 250;
        QTest::newRow("between: the next up") << 1850 << 0x08 << 2000 << 1750;
        QTest::newRow("halfway: the lower") << 2250 << 0x45 << 2500 << 2000;
        QTest::newRow("past halfway") << 2251 << 0x45 << 2500 << 2500;
        QTest::newRow("2000") << 2000 << 0x08 << 2000 << 2000;
        QTest::newRow("2001") << 2001 << 0x45 << 2500 << 2000;
        QTest::newRow("top") << 4000 << 0x48 << 4000 << 4000;
        QTest::newRow("above the table") << 12000 << 0x48 << 4000 << 4000;
    }
    void codes() {
        QFETCH(int, dpi);
        QFETCH(int, code);
        QFETCH(int, running);
        QFETCH(int, nearest);
        QCOMPARE(model::dpiCode(dpi), code);
        QCOMPARE(model::runningDpi(dpi), running);
        QCOMPARE(model::nearestDpi(dpi), nearest);
        QCOMPARE(model::dpiCode(running), code);
    }

    void stageCodes() {
        const QList<int> values{500, 1000, 1500, 2000, 3000, 4000, 250, 250};
        QCOMPARE(model::dpiStageCodes(values, {true, false, true, true, true, true}),
                 (QList<int>{0x02, 0x80, 0x06, 0x08, 0x80, 0x80, 0x80, 0x80}));
        QCOMPARE(model::dpiStageCodes({}, {}), QList<int>(8, 0x80));
        // As the pages call it.
        const model::DpiTableQml qml;
        QCOMPARE(qml.values().size(), 12);
        QCOMPARE(qml.codes({500, 750}, {true, true}),
                 (QVariantList{0x02, 0x03, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}));
    }
};

QTEST_APPLESS_MAIN(DpiTableTest)
#include "dpi_table_test.moc"
