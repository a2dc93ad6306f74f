// The name lists as the pages read them (NameLists in MouseSuite.Model): the padding a
// one-name list carries in its file is no name.
#pragma once

#include <QObject>
#include <QStringList>
#include <QVariant>

namespace model {

class NameListsQml : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // The names of a list as getNameList gives it.
    Q_INVOKABLE QStringList names(const QVariant& list) const;
    // Whether `name` is the padding word, which no macro, gun or profile may be called.
    Q_INVOKABLE bool isPadding(const QString& name) const;
};

} // namespace model
