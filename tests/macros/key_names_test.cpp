// The key-name table: its size, its exact texts in both directions and the codes it leaves
// unnamed.
#include "key_names.h"

#include <QTest>

class KeyNamesTest : public QObject {
    Q_OBJECT

  private slots:
    void tableHas132UniqueRows() {
        QCOMPARE(KeyNames::rows().size(), 132);
        QCOMPARE(KeyNames::table().size(), 132); // every name distinct
        int named = 0;
        for (int code = 0; code < 256; ++code)
            named += KeyNames::nameOf(uchar(code)).isEmpty() ? 0 : 1;
        QCOMPARE(named, 132); // every code distinct
        for (int code : {0x00, 0x03, 0x32, 0x74, 0x84, 0x86, 0x8C, 0x8F, 0x92, 0xDF, 0xE8, 0xF5})
            QVERIFY2(KeyNames::nameOf(uchar(code)).isEmpty(), qPrintable(QString::number(code)));
    }

    void exactTexts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        // Both ends of every run and every row with an unusual text.
        const QList<std::pair<const char16_t*, int>> rows = {
            {u"A", 0x04},        {u"Z", 0x1D},       {u"1", 0x1E},      {u"0", 0x27},
            {u"Back", 0x2A},     {u"- _", 0x2D},     {u"\\ |", 0x31},   {u"; :", 0x33},
            {u"' \"", 0x34},     {u"/ ?", 0x38},     {u"Caps", 0x39},   {u"F1", 0x3A},
            {u"F12", 0x45},      {u"Prt", 0x46},     {u"PgD", 0x4E},    {u"►", 0x4F},
            {u"◄", 0x50},        {u"▼", 0x51},       {u"▲", 0x52},      {u"Num", 0x53},
            {u"KP Enter", 0x58}, {u"KP 1", 0x59},    {u"KP 0", 0x62},   {u"KP .", 0x63},
            {u"Eur 2", 0x64},    {u"KP =", 0x67},    {u"F13", 0x68},    {u"F24", 0x73},
            {u"Keypad", 0x85},   {u"Int'l 1", 0x87}, {u"Intl'2", 0x88}, {u"Int'l 2", 0x89},
            {u"Int'l 5", 0x8B},  {u"Lang 1", 0x90},  {u"Lang 2", 0x91}, {u"L Ctrl", 0xE0},
            {u"R Win", 0xE7},    {u"MS-L", 0xF0},    {u"MS-B4", 0xF3},  {u"MS-B5", 0xF4},
        };
        for (const auto& [name, code] : rows)
            QTest::addRow("%02x", code) << QString::fromUtf16(name) << code;
    }
    void exactTexts() {
        QFETCH(QString, name);
        QFETCH(int, code);
        QCOMPARE(int(KeyNames::codeOf(name)), code);
        QCOMPARE(KeyNames::nameOf(uchar(code)), name);
    }

    // Names are exact: case, spacing and the apostrophe's place all matter.
    void nearMissesAreUnknown() {
        for (const char* name : {"", "a", "enter", "Int'l 3", "Intl 2", "Int'l2", "Intl'2 ", " A",
                                 "\\|", "KP Enter ", "F25", "MS-B6"})
            QCOMPARE(int(KeyNames::codeOf(QString::fromLatin1(name))), 0);
    }
};

QTEST_APPLESS_MAIN(KeyNamesTest)
#include "key_names_test.moc"
