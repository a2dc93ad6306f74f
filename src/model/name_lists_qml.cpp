#include "model/name_lists_qml.h"

#include "store/name_list_store.h"

namespace model {

QStringList NameListsQml::names(const QVariant& list) const {
    QStringList out;
    for (const QVariant& v : list.toList())
        out << v.toString();
    return NameListStore::withoutPadding(out);
}

bool NameListsQml::isPadding(const QString& name) const {
    return NameListStore::isPadding(name);
}

} // namespace model
