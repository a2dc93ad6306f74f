// The button table as the pages reach it (ButtonTable in MouseSuite.Model): entries are
// lists of four numbers, the table a list of sixteen of them.
#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantList>

namespace model {

class ButtonTableQml : public QObject {
    Q_OBJECT
    // The factory entries as "kkbbbbbb" codes, entry 0 to 15.
    Q_PROPERTY(QStringList factoryCodes READ factoryCodes CONSTANT)
  public:
    using QObject::QObject;

    QStringList factoryCodes() const;
    Q_INVOKABLE bool isLeft(const QVariantList& entry) const;
    Q_INVOKABLE int leftButtons(const QVariantList& entries) const;
    // What the profile holds for `button` (getKeydefine's answer), as the page's entry.
    Q_INVOKABLE QVariantList entryFromStored(const QVariant& stored, int button) const;
    // The table with shown entry `index` replaced; an empty list when that is refused.
    Q_INVOKABLE QVariantList replaced(const QVariantList& entries, int index,
                                      const QVariantList& entry) const;
    // The 64 values for the mouse and the profile.
    Q_INVOKABLE QVariantList wireValues(const QVariantList& entries) const;
    // The code of a key-menu function named in English (see key_functions.h); "" for none.
    Q_INVOKABLE QString functionCode(const QString& name) const;
};

} // namespace model
