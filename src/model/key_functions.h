// The functions the key menu gives a button at once (no overlay, no sub-choice), by the
// English name the menu shows and by a word a script can type. Both the command line and
// the page's own menu resolve names here, so a name means the same assignment everywhere.
#pragma once

#include <QList>
#include <QString>

namespace model {

struct KeyFunction {
    QString name; // as the English key menu shows it: "DPI +"
    QString word; // for scripts: "dpi-up"
    QString code; // the assignment, "kkbbbbbb" hex
};

// In the key menu's order: first level, then the DPI, multimedia, basic and additional
// commands.
const QList<KeyFunction>& keyFunctions();

// The code for `name`, given as the menu's name or as the word (case, blanks, dashes and
// underscores do not matter); empty when no function is called that.
QString keyFunctionCode(const QString& name);
// The function a code stands for; null when the code is none of them.
const KeyFunction* keyFunctionOfCode(const QString& code);

} // namespace model
