#include "macros/key_names.h"

#include <array>

namespace {

QList<KeyNames::Row> buildRows() {
    QList<KeyNames::Row> rows;
    auto add = [&rows](int code, const QString& name) { rows.append({uchar(code), name}); };
    auto addRun = [&add](int firstCode, std::initializer_list<const char16_t*> names) {
        int code = firstCode;
        for (const char16_t* name : names)
            add(code++, QString::fromUtf16(name));
    };

    for (int i = 0; i < 26; ++i)
        add(0x04 + i, QString(QChar(u'A' + i)));
    for (int i = 0; i < 9; ++i)
        add(0x1E + i, QString::number(i + 1));
    add(0x27, QStringLiteral("0"));
    addRun(0x28,
           {u"Enter", u"Esc", u"Back", u"Tab", u"Space", u"- _", u"= +", u"[ {", u"] }", u"\\ |"});
    // 0x32 (the non-US hash key) has no name here; the pages' copy names it like 0x31.
    addRun(0x33, {u"; :", u"' \"", u"` ~", u", <", u". >", u"/ ?"});
    add(0x39, QStringLiteral("Caps"));
    for (int i = 0; i < 12; ++i)
        add(0x3A + i, QStringLiteral("F%1").arg(i + 1));
    addRun(0x46, {u"Prt", u"Scr", u"Pau", u"Ins", u"Hom", u"PgU", u"Del", u"End", u"PgD"});
    // Right, left, down and up arrow.
    addRun(0x4F, {u"\u25BA", u"\u25C4", u"\u25BC", u"\u25B2"});
    add(0x53, QStringLiteral("Num"));
    addRun(0x54, {u"KP /", u"KP *", u"KP -", u"KP +", u"KP Enter"});
    for (int i = 0; i < 9; ++i)
        add(0x59 + i, QStringLiteral("KP %1").arg(i + 1));
    addRun(0x62, {u"KP 0", u"KP ."});
    addRun(0x64, {u"Eur 2", u"App", u"Power", u"KP ="});
    for (int i = 0; i < 12; ++i)
        add(0x68 + i, QStringLiteral("F%1").arg(i + 13));
    add(0x85, QStringLiteral("Keypad"));
    // The pages know International 2 under both spellings, so the table keeps both: the
    // slipped "Intl'2" on 0x88 and "Int'l 2" on 0x89 (where International 3 would be).
    addRun(0x87, {u"Int'l 1", u"Intl'2", u"Int'l 2", u"Int'l 4", u"Int'l 5"});
    addRun(0x90, {u"Lang 1", u"Lang 2"});
    addRun(0xE0,
           {u"L Ctrl", u"L Shift", u"L Alt", u"L Win", u"R Ctrl", u"R Shift", u"R Alt", u"R Win"});
    addRun(0xF0, {u"MS-L", u"MS-R", u"MS-M", u"MS-B4", u"MS-B5"});
    return rows;
}

struct Tables {
    QList<KeyNames::Row> rows = buildRows();
    QMap<QString, uchar> byName;
    std::array<QString, 256> byCode;

    Tables() {
        for (const KeyNames::Row& row : rows) {
            byName.insert(row.name, row.code);
            byCode[row.code] = row.name;
        }
    }
};

const Tables& tables() {
    static const Tables instance;
    return instance;
}

} // namespace

uchar KeyNames::codeOf(const QString& name) {
    return tables().byName.value(name, 0);
}

QString KeyNames::nameOf(uchar code) {
    return tables().byCode[code];
}

const QMap<QString, uchar>& KeyNames::table() {
    return tables().byName;
}

const QList<KeyNames::Row>& KeyNames::rows() {
    return tables().rows;
}
