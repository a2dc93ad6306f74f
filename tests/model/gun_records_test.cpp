// Gun records: stored and typed numbers kept to their fields, records read from the gun
// file, the name rules, the next free "GunN" and the bytes the mouse gets.
#include "model/gun_records.h"
#include "model/gun_records_qml.h"

#include "store/name_list_store.h"

#include <QTest>

using model::GunField;
using model::GunRecord;

Q_DECLARE_METATYPE(GunField)
Q_DECLARE_METATYPE(GunRecord)

namespace {

GunRecord record(const QString& key, int period, int x, int y, int times) {
    return {QStringLiteral("Rifle"), key, period, x, y, times};
}

QStringList gunNames(int count) {
    QStringList names;
    for (int n = 0; n < count; ++n)
        names << QStringLiteral("Gun%1").arg(n);
    return names;
}

} // namespace

class GunRecordsTest : public QObject {
    Q_OBJECT

  private slots:
    void fields_data() {
        QTest::addColumn<GunField>("field");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("kept");
        const GunField period = GunField::Period, x = GunField::X, times = GunField::Times;
        QTest::newRow("period text") << period << QVariant("25") << 25;
        QTest::newRow("period 0") << period << QVariant("0") << 0;
        QTest::newRow("period 255") << period << QVariant("255") << 255;
        QTest::newRow("period 256") << period << QVariant("256") << 255;
        QTest::newRow("period -1") << period << QVariant("-1") << 0;
        QTest::newRow("period empty") << period << QVariant("") << 10;
        QTest::newRow("period blanks") << period << QVariant("   ") << 10;
        QTest::newRow("period missing") << period << QVariant() << 10;
        QTest::newRow("period a word") << period << QVariant("fast") << 10;
        QTest::newRow("period digits then text") << period << QVariant("12ab") << 10;
        QTest::newRow("period with blanks") << period << QVariant(" 42 ") << 42;
        QTest::newRow("period a number") << period << QVariant(300) << 255;
        QTest::newRow("period a bool") << period << QVariant(true) << 10;
        QTest::newRow("period infinite") << period << QVariant(qInf()) << 10;
        QTest::newRow("period inf text") << period << QVariant("inf") << 10;
        QTest::newRow("period comma") << period << QVariant("1,5") << 10;
        QTest::newRow("period exponent") << period << QVariant("1e2") << 100;
        QTest::newRow("x -127") << x << QVariant("-127") << -127;
        QTest::newRow("x 127") << x << QVariant("127") << 127;
        QTest::newRow("x -128") << x << QVariant("-128") << -127;
        QTest::newRow("x 128") << x << QVariant("128") << 127;
        QTest::newRow("x minus alone") << x << QVariant("-") << 0;
        QTest::newRow("x a word") << x << QVariant("left") << 0;
        QTest::newRow("x 2.5 up") << x << QVariant("2.5") << 3;
        QTest::newRow("x -2.5 up") << x << QVariant("-2.5") << -2;
        QTest::newRow("x -2.6 down") << x << QVariant("-2.6") << -3;
        QTest::newRow("x 0.4") << x << QVariant(0.4) << 0;
        QTest::newRow("x 126.5 up") << x << QVariant("126.5") << 127;
        QTest::newRow("x -127.5 up") << x << QVariant("-127.5") << -127;
        QTest::newRow("x huge") << x << QVariant(1e300) << 127;
        QTest::newRow("y -300") << GunField::Y << QVariant("-300") << -127;
        QTest::newRow("times 0") << times << QVariant("0") << 0;
        QTest::newRow("times 256") << times << QVariant("256") << 255;
        QTest::newRow("times empty") << times << QVariant("") << 0;
    }
    void fields() {
        QFETCH(GunField, field);
        QFETCH(QVariant, value);
        QFETCH(int, kept);
        QCOMPARE(model::clampGunField(field, value), kept);
    }

    // The rule the overlay's inputs use with their own ranges.
    void numberIn() {
        QCOMPARE(model::numberIn("7", 1, 5, 3), 5);
        QCOMPARE(model::numberIn("x", 1, 5, 3), 3);
        QCOMPARE(model::numberIn(-4.5, -10, 10, 0), -4);
    }

    void stored_data() {
        QTest::addColumn<QVariantList>("stored");
        QTest::addColumn<GunRecord>("expected");
        QTest::newRow("as saved") << QVariantList{"R-Click", "20", "-5", "7", "3"}
                                  << record("R-Click", 20, -5, 7, 3);
        QTest::newRow("numbers") << QVariantList{"M-Click", 0, 127, -127, 255}
                                 << record("M-Click", 0, 127, -127, 255);
        QTest::newRow("out of range") << QVariantList{"L-Click", "999", "-200", "200", "-1"}
                                      << record("L-Click", 255, -127, 127, 0);
        QTest::newRow("nothing stored") << QVariantList{} << record("L-Click", 10, 0, 0, 0);
        QTest::newRow("empty key, short")
            << QVariantList{"", "30"} << record("L-Click", 30, 0, 0, 0);
        QTest::newRow("unreadable numbers")
            << QVariantList{"Key A", "", "-", "x", "1.5"} << record("Key A", 10, 0, 0, 2);
    }
    void stored() {
        QFETCH(QVariantList, stored);
        QFETCH(GunRecord, expected);
        const GunRecord got = model::gunRecordFromStored(QStringLiteral("Rifle"), stored);
        QCOMPARE(got.name, expected.name);
        QCOMPARE(got.key, expected.key);
        QCOMPARE(QList<int>({got.period, got.x, got.y, got.times}),
                 QList<int>({expected.period, expected.x, expected.y, expected.times}));
    }

    void names_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("exceptRow");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("new") << "Rifle" << 0 << true;
        QTest::newRow("new, for a new row") << "Rifle" << -1 << true;
        QTest::newRow("empty") << "" << 0 << false;
        QTest::newRow("padding word") << NameListStore::kSentinel << 0 << false;
        QTest::newRow("slash") << "a/b" << 0 << false;
        QTest::newRow("backslash") << "a\\b" << 0 << false;
        QTest::newRow("taken by another row") << "Pistol" << 0 << false;
        QTest::newRow("taken by the row itself") << "Pistol" << 1 << true;
        QTest::newRow("taken, for a new row") << "Gun0" << -1 << false;
        QTest::newRow("differs in case") << "pistol" << 0 << true;
    }
    void names() {
        QFETCH(QString, name);
        QFETCH(int, exceptRow);
        QFETCH(bool, allowed);
        const QStringList rows{"Gun0", "Pistol", "Gun2"};
        QCOMPARE(model::gunNameAllowed(name, rows, exceptRow), allowed);
    }

    void nextFreeName_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("next");
        QTest::newRow("none") << QStringList{} << "Gun0";
        QTest::newRow("Gun0..Gun4 taken") << gunNames(5) << "Gun5";
        QTest::newRow("a gap") << QStringList{"Gun0", "Gun2", "Rifle"} << "Gun1";
        QTest::newRow("other names only") << QStringList{"Rifle", "gun0"} << "Gun0";
        QTest::newRow("all but the last") << gunNames(99) << "Gun99";
        QTest::newRow("all 100 taken") << gunNames(100) << "";
        QTest::newRow("all 100 and more") << gunNames(100) + QStringList{"Gun100"} << "";
        QStringList others;
        for (int i = 0; i < 100; ++i)
            others << QStringLiteral("Rifle%1").arg(i);
        QTest::newRow("a full list of other names") << others << "";
        QTest::newRow("one short of full") << others.mid(1) << "Gun0";
    }
    void nextFreeName() {
        QFETCH(QStringList, rows);
        QFETCH(QString, next);
        QCOMPARE(model::nextFreeGunName(rows), next);
    }

    void deviceBytes_data() {
        QTest::addColumn<QList<int>>("timesXY");
        QTest::addColumn<QList<int>>("bytes");
        QTest::newRow("zero") << QList<int>{0, 0, 0} << QList<int>{0xF0, 0, 0, 0, 0};
        QTest::newRow("y -10") << QList<int>{0, 0, -10} << QList<int>{0xF0, 0, 0, 0xF6, 0};
        QTest::newRow("ends") << QList<int>{255, -127, 127} << QList<int>{0xF0, 255, 0x81, 0x7F, 0};
        QTest::newRow("-1") << QList<int>{1, -1, -1} << QList<int>{0xF0, 1, 0xFF, 0xFF, 0};
        QTest::newRow("beyond the fields")
            << QList<int>{300, -128, 128} << QList<int>{0xF0, 255, 0x81, 0x7F, 0};
        QTest::newRow("negative count") << QList<int>{-5, 3, 4} << QList<int>{0xF0, 0, 3, 4, 0};
    }
    void deviceBytes() {
        QFETCH(QList<int>, timesXY);
        QFETCH(QList<int>, bytes);
        const auto got = model::gunDeviceBytes(timesXY[0], timesXY[1], timesXY[2]);
        QCOMPARE(QList<int>(got.begin(), got.end()), bytes);
    }

    // As the overlay calls it: getGunData's list in, the row's roles out.
    void qmlObject() {
        const model::GunRecordsQml qml;
        QCOMPARE(qml.fromStored("Rifle", QVariant(QStringList{"R-Click", "20", "-5", "7", "3"})),
                 (QVariantMap{{"gunName", "Rifle"},
                              {"gunKey", "R-Click"},
                              {"gunPeriod", 20},
                              {"gunX", -5},
                              {"gunY", 7},
                              {"gunTimes", 3}}));
        QCOMPARE(qml.fromStored("Gun0", QVariant(QVariantList{})).value("gunPeriod"), QVariant(10));
        QCOMPARE(qml.deviceBytes(2, -1, 5), (QVariantList{0xF0, 2, 0xFF, 5, 0}));
        QCOMPARE(qml.nextFreeName({"Gun0"}), QStringLiteral("Gun1"));
        QVERIFY(!qml.nameAllowed("Gun0", {"Gun0"}, -1));
        QCOMPARE(qml.numberIn("300", 0, 255, 10), 255);
    }
};

QTEST_APPLESS_MAIN(GunRecordsTest)
#include "gun_records_test.moc"
