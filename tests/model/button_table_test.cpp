// The button table's rules: what a stored entry reads as, which replacements are refused
// (the last left button among the shown ones, wherever it sits), and the values that go
// to the mouse, with macro slots counted from 1 again.
#include "model/button_table.h"
#include "model/button_table_qml.h"

#include <QTest>

using model::ButtonEntries;
using model::ButtonEntry;

namespace {

ButtonEntries table(std::initializer_list<std::pair<int, ButtonEntry>> changes) {
    ButtonEntries entries = model::factoryButtons();
    for (const auto& [index, entry] : changes)
        entries[std::size_t(index)] = entry;
    return entries;
}

constexpr ButtonEntry kLeft{0x01, 0x00, 0xF0, 0x00};
constexpr ButtonEntry kRight{0x01, 0x00, 0xF1, 0x00};
constexpr ButtonEntry kKeyA{0x00, 0x00, 0x04, 0x00};

} // namespace

Q_DECLARE_METATYPE(ButtonEntry)

class ButtonTableTest : public QObject {
    Q_OBJECT

  private slots:
    void storedEntries_data() {
        QTest::addColumn<QVariantList>("stored");
        QTest::addColumn<int>("button");
        QTest::addColumn<ButtonEntry>("entry");
        QTest::newRow("a key") << QVariantList{"0", "0", "4", "0"} << 0 << kKeyA;
        QTest::newRow("texts with blanks") << QVariantList{" 0", "0 ", "4", "0"} << 0 << kKeyA;
        QTest::newRow("numbers kept to a byte")
            << QVariantList{0, 0, 300, 0} << 2 << ButtonEntry{0, 0, 44, 0};
        QTest::newRow("macro slot from 0")
            << QVariantList{9, 0, 5, 0} << 3 << ButtonEntry{9, 0, 4, 0};
        QTest::newRow("macro slot 0 stored")
            << QVariantList{9, 0, 0, 0} << 3 << ButtonEntry{9, 0, -1, 0};
        QTest::newRow("short: the factory's") << QVariantList{1, 0} << 1 << kRight;
        QTest::newRow("not decimal: the factory's")
            << QVariantList{"1", "x", "0", "0"} << 5 << ButtonEntry{7, 0, 1, 0};
        QTest::newRow("negative: the factory's")
            << QVariantList{"-1", "0", "0", "0"} << 15 << ButtonEntry{4, 0, 2, 0};
        QTest::newRow("nothing stored, unassigned") << QVariantList{} << 9 << ButtonEntry{};
    }
    void storedEntries() {
        QFETCH(QVariantList, stored);
        QFETCH(int, button);
        QFETCH(ButtonEntry, entry);
        QCOMPARE(model::entryFromStored(stored, button), entry);
    }

    // The last left button is refused wherever it sits; with a second one either may go.
    void lastLeftButtonStays() {
        for (int at : {0, 3, 5}) {
            ButtonEntries entries = table({{0, kRight}, {at, kLeft}});
            QVERIFY2(!model::replaceEntry(entries, at, kKeyA), qPrintable(QString::number(at)));
            QCOMPARE(entries[std::size_t(at)], kLeft);
        }
        ButtonEntries two = table({{4, kLeft}});
        QVERIFY(model::replaceEntry(two, 0, kKeyA));
        QVERIFY(!model::replaceEntry(two, 4, kKeyA));
        // A left button beyond the shown ones does not count.
        ButtonEntries hidden = table({{0, kLeft}, {10, kLeft}});
        QVERIFY(!model::replaceEntry(hidden, 0, kKeyA));
    }

    void replacementsInRange_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<ButtonEntry>("entry");
        QTest::addColumn<bool>("taken");
        QTest::newRow("first") << 1 << kKeyA << true;
        QTest::newRow("last shown") << 5 << kKeyA << true;
        QTest::newRow("not shown") << 6 << kKeyA << false;
        QTest::newRow("below") << -1 << kKeyA << false;
        QTest::newRow("bytes at their top") << 1 << ButtonEntry{255, 255, 255, 255} << true;
        QTest::newRow("kind past a byte") << 1 << ButtonEntry{256, 0, 0, 0} << false;
        QTest::newRow("b3 negative") << 1 << ButtonEntry{0, 0, 4, -1} << false;
        QTest::newRow("macro slot -1") << 1 << ButtonEntry{9, 0, -1, 0} << true;
        QTest::newRow("macro slot 254") << 1 << ButtonEntry{9, 0, 254, 0} << true;
        QTest::newRow("macro slot 255") << 1 << ButtonEntry{9, 0, 255, 0} << false;
        QTest::newRow("key b2 -1") << 1 << ButtonEntry{0, 0, -1, 0} << false;
    }
    void replacementsInRange() {
        QFETCH(int, index);
        QFETCH(ButtonEntry, entry);
        QFETCH(bool, taken);
        ButtonEntries entries = model::factoryButtons();
        QCOMPARE(model::replaceEntry(entries, index, entry), taken);
        if (index >= 0 && index < model::kButtonEntries)
            QCOMPARE(entries[std::size_t(index)],
                     taken ? entry : model::factoryButtons()[std::size_t(index)]);
    }

    void wireAndCodes() {
        const ButtonEntries entries = table({{2, {9, 2, 4, 0}}, {3, {9, 0, -1, 0}}});
        const QList<int> wire = model::wireValues(entries);
        QCOMPARE(wire.size(), 64);
        QCOMPARE(wire.mid(8, 8), (QList<int>{9, 2, 5, 0, 9, 0, 0, 0}));
        QCOMPARE(wire.mid(0, 4), (QList<int>{1, 0, 0xF0, 0}));
        QCOMPARE(wire.mid(56), (QList<int>{4, 0, 1, 0, 4, 0, 2, 0}));
        QCOMPARE(model::entryCode(kLeft), QString("0100f000"));
        QCOMPARE(model::entryOfCode("07000200"), (ButtonEntry{7, 0, 2, 0}));
    }

    // As the pages call it: numbers that are no whole byte are refused, a table that is
    // not sixteen entries is never changed.
    void fromThePages() {
        const model::ButtonTableQml qml;
        QCOMPARE(qml.factoryCodes().size(), 16);
        QCOMPARE(qml.factoryCodes().at(5), QString("07000100"));
        QVariantList entries;
        for (const QString& code : qml.factoryCodes()) {
            const ButtonEntry e = model::entryOfCode(code);
            entries << QVariant(QVariantList{e[0], e[1], e[2], e[3]});
        }
        const QVariantList key{0.0, 0.0, 4.0, 0.0};
        QCOMPARE(qml.replaced(entries, 1, key).at(1).toList(), key);
        QVERIFY(qml.replaced(entries, 1, {0.0, 0.0, 4.5, 0.0}).isEmpty());
        QVERIFY(qml.replaced(entries, 1, {0.0, 0.0, qQNaN(), 0.0}).isEmpty());
        QVERIFY(qml.replaced(entries, 0, key).isEmpty()); // the only left button
        QVERIFY(qml.replaced(entries.mid(0, 15), 1, key).isEmpty());
        QCOMPARE(qml.leftButtons(entries), 1);
        QVERIFY(qml.isLeft(entries.at(0).toList()) && !qml.isLeft(entries.at(1).toList()));
        QCOMPARE(qml.wireValues(entries).size(), 64);
        QCOMPARE(qml.entryFromStored(QVariant(), 0), (QVariantList{1, 0, 0xF0, 0}));
    }
};

QTEST_APPLESS_MAIN(ButtonTableTest)
#include "button_table_test.moc"
