#include "model/button_table_qml.h"

#include "model/button_table.h"
#include "model/key_functions.h"

#include <climits>
#include <cmath>
#include <optional>

namespace model {
namespace {

// A value no entry byte can take: what is not a whole number stays out of every range.
constexpr int kNotAByte = INT_MIN / 2;

int intOf(const QVariant& v) {
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 1e6)
        return kNotAByte;
    return int(d);
}

ButtonEntry entryOf(const QVariant& v) {
    const QVariantList list = v.toList();
    ButtonEntry entry{kNotAByte, kNotAByte, kNotAByte, kNotAByte};
    for (int i = 0; i < 4 && i < list.size(); ++i)
        entry[std::size_t(i)] = intOf(list.at(i));
    return entry;
}

std::optional<ButtonEntries> entriesOf(const QVariantList& list) {
    if (list.size() != kButtonEntries)
        return std::nullopt;
    ButtonEntries entries{};
    for (int i = 0; i < kButtonEntries; ++i)
        entries[std::size_t(i)] = entryOf(list.at(i));
    return entries;
}

QVariantList listOf(const ButtonEntry& entry) {
    return {entry[0], entry[1], entry[2], entry[3]};
}

QVariantList listOf(const ButtonEntries& entries) {
    QVariantList out;
    for (const ButtonEntry& e : entries)
        out.append(QVariant(listOf(e)));
    return out;
}

} // namespace

QStringList ButtonTableQml::factoryCodes() const {
    QStringList codes;
    for (const ButtonEntry& e : factoryButtons())
        codes << entryCode(e);
    return codes;
}

bool ButtonTableQml::isLeft(const QVariantList& entry) const {
    return isLeftButton(entryOf(entry));
}

int ButtonTableQml::leftButtons(const QVariantList& entries) const {
    const auto table = entriesOf(entries);
    return table ? model::leftButtons(*table) : 0;
}

QVariantList ButtonTableQml::entryFromStored(const QVariant& stored, int button) const {
    return listOf(model::entryFromStored(stored.toList(), button));
}

QVariantList ButtonTableQml::replaced(const QVariantList& entries, int index,
                                      const QVariantList& entry) const {
    auto table = entriesOf(entries);
    if (!table || !replaceEntry(*table, index, entryOf(entry)))
        return {};
    return listOf(*table);
}

QVariantList ButtonTableQml::wireValues(const QVariantList& entries) const {
    QVariantList out;
    if (const auto table = entriesOf(entries))
        for (int v : model::wireValues(*table))
            out << v;
    return out;
}

QString ButtonTableQml::functionCode(const QString& name) const {
    return keyFunctionCode(name);
}

} // namespace model
