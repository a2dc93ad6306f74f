#include "store/settings_values.h"

#include <QStringList>

#include <cmath>

QString modulePath(const QString& modulesRoot, const QString& relative) {
    return modulesRoot + QLatin1Char('/') + relative;
}

QVariantList listValue(const QVariant& stored) {
    if (!stored.isValid())
        return {};
    switch (stored.typeId()) {
    case QMetaType::QVariantList:
        return stored.toList();
    case QMetaType::QStringList: {
        QVariantList list;
        const QStringList texts = stored.toStringList();
        list.reserve(texts.size());
        for (const QString& text : texts)
            list.append(text);
        return list;
    }
    case QMetaType::QString:
        if (stored.toString().isEmpty())
            return {};
        return {stored};
    default:
        return {stored};
    }
}

bool decimalKey(const QString& group, const QVariant& id, QString* key) {
    qlonglong number = 0;
    if (id.typeId() == QMetaType::Double || id.typeId() == QMetaType::Float) {
        const double value = id.toDouble();
        // Numbers from the pages arrive as doubles; only whole ones name a key.
        if (!std::isfinite(value) || value != std::trunc(value) || std::fabs(value) > 1e15)
            return false;
        number = static_cast<qlonglong>(value);
    } else {
        bool ok = false;
        number = id.toString().trimmed().toLongLong(&ok);
        if (!ok)
            return false;
    }
    *key = group + QString::number(number);
    return true;
}

QString textValue(const QVariant& stored) {
    if (stored.typeId() == QMetaType::QStringList)
        return stored.toStringList().join(QStringLiteral(", "));
    return stored.toString();
}
