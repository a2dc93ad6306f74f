#include "model/button_table.h"

#include <QRegularExpression>

namespace model {
namespace {

bool isByte(int v) {
    return v >= 0 && v <= 0xFF;
}

} // namespace

const ButtonEntries& factoryButtons() {
    static const ButtonEntries table{{{0x01, 0x00, 0xF0, 0x00},
                                      {0x01, 0x00, 0xF1, 0x00},
                                      {0x01, 0x00, 0xF2, 0x00},
                                      {0x01, 0x00, 0xF4, 0x00},
                                      {0x01, 0x00, 0xF3, 0x00},
                                      {0x07, 0x00, 0x01, 0x00},
                                      {0x07, 0x00, 0x02, 0x00},
                                      {},
                                      {},
                                      {},
                                      {},
                                      {},
                                      {},
                                      {},
                                      {0x04, 0x00, 0x01, 0x00},
                                      {0x04, 0x00, 0x02, 0x00}}};
    return table;
}

QString entryCode(const ButtonEntry& entry) {
    QString code;
    for (int b : entry)
        code += QStringLiteral("%1").arg(b & 0xFF, 2, 16, QLatin1Char('0'));
    return code;
}

ButtonEntry entryOfCode(const QString& code) {
    ButtonEntry entry{};
    for (int i = 0; i < 4; ++i)
        entry[std::size_t(i)] = code.mid(2 * i, 2).toInt(nullptr, 16);
    return entry;
}

bool isLeftButton(const ButtonEntry& entry) {
    return entry[0] == 0x01 && entry[2] == 0xF0;
}

int leftButtons(const ButtonEntries& entries) {
    int n = 0;
    for (int i = 0; i < kShownButtons; ++i)
        n += isLeftButton(entries[std::size_t(i)]) ? 1 : 0;
    return n;
}

ButtonEntry entryFromStored(const QVariantList& stored, int button) {
    static const QRegularExpression decimal(QStringLiteral("^[0-9]+$"));
    ButtonEntry entry{};
    int n = 0;
    for (; n < 4 && n < stored.size(); ++n) {
        const QString text = stored.at(n).toString().trimmed();
        if (!decimal.match(text).hasMatch())
            break;
        entry[std::size_t(n)] = text.toInt() & 0xFF;
    }
    if (n != 4)
        entry = button >= 0 && button < kButtonEntries ? factoryButtons()[std::size_t(button)]
                                                       : ButtonEntry{};
    if (entry[0] == kMacroKind)
        entry[2] -= 1;
    return entry;
}

bool replaceEntry(ButtonEntries& entries, int index, const ButtonEntry& entry) {
    if (index < 0 || index >= kShownButtons)
        return false;
    const bool slotOk =
        entry[0] == kMacroKind ? entry[2] >= -1 && entry[2] < 0xFF : isByte(entry[2]);
    if (!isByte(entry[0]) || !isByte(entry[1]) || !slotOk || !isByte(entry[3]))
        return false;
    if (isLeftButton(entries[std::size_t(index)]) && leftButtons(entries) < 2)
        return false;
    entries[std::size_t(index)] = entry;
    return true;
}

QList<int> wireValues(const ButtonEntries& entries) {
    QList<int> out;
    out.reserve(4 * kButtonEntries);
    for (const ButtonEntry& e : entries)
        out << e[0] << e[1] << (e[0] == kMacroKind ? e[2] + 1 : e[2]) << e[3];
    return out;
}

} // namespace model
