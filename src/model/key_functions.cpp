#include "model/key_functions.h"

namespace model {
namespace {

// Case, blanks, dashes and underscores dropped: "Left Button", "left-button" and
// "LEFT_BUTTON" are one name.
QString folded(const QString& name) {
    QString out;
    for (const QChar c : name)
        if (!c.isSpace() && c != QLatin1Char('-') && c != QLatin1Char('_'))
            out.append(c.toLower());
    return out;
}

} // namespace

const QList<KeyFunction>& keyFunctions() {
    static const QList<KeyFunction> table{
        {QStringLiteral("Left Button"), QStringLiteral("left-button"), QStringLiteral("0100f000")},
        {QStringLiteral("Right Button"), QStringLiteral("right-button"),
         QStringLiteral("0100f100")},
        {QStringLiteral("Middle Button"), QStringLiteral("middle-button"),
         QStringLiteral("0100f200")},
        {QStringLiteral("Forward"), QStringLiteral("forward"), QStringLiteral("0100f400")},
        {QStringLiteral("Back"), QStringLiteral("back"), QStringLiteral("0100f300")},
        {QStringLiteral("Double Click"), QStringLiteral("double-click"),
         QStringLiteral("0af02002")},
        {QStringLiteral("Deactivated"), QStringLiteral("deactivated"), QStringLiteral("00000000")},
        {QStringLiteral("DPI +"), QStringLiteral("dpi-up"), QStringLiteral("07000100")},
        {QStringLiteral("DPI -"), QStringLiteral("dpi-down"), QStringLiteral("07000200")},
        {QStringLiteral("DPI LOOP"), QStringLiteral("dpi-loop"), QStringLiteral("07000300")},
        {QStringLiteral("Media Player"), QStringLiteral("media-player"),
         QStringLiteral("03008301")},
        {QStringLiteral("Next Track"), QStringLiteral("next-track"), QStringLiteral("0300b500")},
        {QStringLiteral("Previous Track"), QStringLiteral("previous-track"),
         QStringLiteral("0300b600")},
        {QStringLiteral("Stop"), QStringLiteral("stop"), QStringLiteral("0300b700")},
        {QStringLiteral("Play/Pause"), QStringLiteral("play-pause"), QStringLiteral("0300cd00")},
        {QStringLiteral("Mute"), QStringLiteral("mute"), QStringLiteral("0300e200")},
        {QStringLiteral("Volume Up"), QStringLiteral("volume-up"), QStringLiteral("0300e900")},
        {QStringLiteral("Volume Down"), QStringLiteral("volume-down"), QStringLiteral("0300ea00")},
        {QStringLiteral("New"), QStringLiteral("new"), QStringLiteral("0000e011")},
        {QStringLiteral("Cut"), QStringLiteral("cut"), QStringLiteral("0000e01b")},
        {QStringLiteral("Copy"), QStringLiteral("copy"), QStringLiteral("0000e006")},
        {QStringLiteral("Paste"), QStringLiteral("paste"), QStringLiteral("0000e019")},
        {QStringLiteral("Save"), QStringLiteral("save"), QStringLiteral("0000e016")},
        {QStringLiteral("Print"), QStringLiteral("print"), QStringLiteral("0000e013")},
        {QStringLiteral("Find"), QStringLiteral("find"), QStringLiteral("0000e009")},
        {QStringLiteral("Redo"), QStringLiteral("redo"), QStringLiteral("0000e01c")},
        {QStringLiteral("Undo"), QStringLiteral("undo"), QStringLiteral("0000e01d")},
        {QStringLiteral("Select All"), QStringLiteral("select-all"), QStringLiteral("0000e004")},
        {QStringLiteral("My Computer"), QStringLiteral("my-computer"), QStringLiteral("03009401")},
        {QStringLiteral("Web Home"), QStringLiteral("web-home"), QStringLiteral("03002302")},
        {QStringLiteral("Search Computer"), QStringLiteral("search-computer"),
         QStringLiteral("03002102")},
        {QStringLiteral("Maximize"), QStringLiteral("maximize"), QStringLiteral("00042c1b")},
        {QStringLiteral("Minimize"), QStringLiteral("minimize"), QStringLiteral("00042c11")},
        {QStringLiteral("Show DeskTop"), QStringLiteral("show-desktop"),
         QStringLiteral("0000e307")},
        {QStringLiteral("RUN"), QStringLiteral("run"), QStringLiteral("0000e315")},
    };
    return table;
}

QString keyFunctionCode(const QString& name) {
    const QString wanted = folded(name);
    if (wanted.isEmpty())
        return {};
    for (const KeyFunction& f : keyFunctions())
        if (folded(f.name) == wanted || folded(f.word) == wanted)
            return f.code;
    return {};
}

const KeyFunction* keyFunctionOfCode(const QString& code) {
    for (const KeyFunction& f : keyFunctions())
        if (f.code.compare(code, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

} // namespace model
