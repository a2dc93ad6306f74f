// The macro images as the pages reach them: the editor's rows in, the image bytes out.
#pragma once

#include <QObject>
#include <QVariantList>

namespace model {

class MacroImages : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // The image of `rows` (objects with "type" and "info") with `loops` as its loop count.
    Q_INVOKABLE QVariantList encode(const QVariantList& rows, int loops) const;
    // How many bytes that image takes.
    Q_INVOKABLE int byteCount(const QVariantList& rows) const;
};

// Makes the model's types known to QML ("import MouseSuite.Model"): MacroImages,
// ButtonTable, NameLists, DpiTable, LedSteps and GunRecords as singletons. Safe to call
// more than once.
void registerQmlTypes();

} // namespace model
