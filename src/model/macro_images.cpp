#include "model/macro_images.h"

#include "model/button_table_qml.h"
#include "model/dpi_table_qml.h"
#include "model/gun_records_qml.h"
#include "model/led_steps_qml.h"
#include "model/macro_rows.h"
#include "model/name_lists_qml.h"

#include <QQmlEngine>

#include <algorithm>
#include <mutex>

namespace model {

QVariantList MacroImages::encode(const QVariantList& rows, int loops) const {
    QVariantList out;
    for (uchar b : encodeRows(rowsFromVariant(rows), quint16(std::clamp(loops, 0, 0xFFFF))))
        out << int(b);
    return out;
}

int MacroImages::byteCount(const QVariantList& rows) const {
    return int(encodeRows(rowsFromVariant(rows), 0).size());
}

void registerQmlTypes() {
    static std::once_flag once;
    std::call_once(once, [] {
        qmlRegisterSingletonType<MacroImages>(
            "MouseSuite.Model", 1, 0, "MacroImages",
            [](QQmlEngine*, QJSEngine*) -> QObject* { return new MacroImages; });
        qmlRegisterSingletonType<ButtonTableQml>(
            "MouseSuite.Model", 1, 0, "ButtonTable",
            [](QQmlEngine*, QJSEngine*) -> QObject* { return new ButtonTableQml; });
        qmlRegisterSingletonType<NameListsQml>(
            "MouseSuite.Model", 1, 0, "NameLists",
            [](QQmlEngine*, QJSEngine*) -> QObject* { return new NameListsQml; });
        qmlRegisterSingletonType<DpiTableQml>(
            "MouseSuite.Model", 1, 0, "DpiTable",
            [](QQmlEngine*, QJSEngine*) -> QObject* { return new DpiTableQml; });
        qmlRegisterSingletonType<LedStepsQml>(
            "MouseSuite.Model", 1, 0, "LedSteps",
            [](QQmlEngine*, QJSEngine*) -> QObject* { return new LedStepsQml; });
        qmlRegisterSingletonType<GunRecordsQml>(
            "MouseSuite.Model", 1, 0, "GunRecords",
            [](QQmlEngine*, QJSEngine*) -> QObject* { return new GunRecordsQml; });
    });
}

} // namespace model
