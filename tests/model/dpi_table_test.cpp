// The DPI codes: a value takes the code of the first known value not below it, and only
// the four stepped stages are ever sent as on.
#include "model/dpi_table.h"
#include "model/dpi_table_qml.h"

#include <QTest>

class DpiTableTest : public QObject {
    Q_OBJECT

  private slots:
    void codes_data() {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("code");
        QTest::newRow("lowest") << 250 << 0x01;
        QTest::newRow("below the table") << 100 << 0x01;
        QTest::newRow("between: the next up") << 1850 << 0x08;
        QTest::newRow("2000") << 2000 << 0x08;
        QTest::newRow("2001") << 2001 << 0x45;
        QTest::newRow("top") << 4000 << 0x48;
        QTest::newRow("above the table") << 12000 << 0x48;
    }
    void codes() {
        QFETCH(int, dpi);
        QFETCH(int, code);
        QCOMPARE(model::dpiCode(dpi), code);
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
