#include "store/settings_backup.h"

#include "store/file_replace.h"

#include <QDebug>
#include <QFileInfo>
#include <QStringDecoder>

bool iniTextIsClean(const QByteArray& content) {
    // NUL bytes: UTF-16 text or binary data.
    if (content.contains('\0'))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(content);
    if (utf8.hasError())
        return false;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    for (QStringView line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#') ||
            (line.startsWith(u'[') && line.endsWith(u']')) || line.contains(u'='))
            continue;
        return false;
    }
    return true;
}

QString beforeWriting(const QString& path) {
    QByteArray content;
    if (!QFileInfo(path).isFile() || !readWholeFile(path, &content) || iniTextIsClean(content))
        return path;
    const QString backup = path + QStringLiteral(".bak");
    if (QFileInfo::exists(backup))
        return path;
    if (!replaceFileContent(backup, content))
        qWarning().noquote() << "could not keep a copy of the unreadable settings file" << path
                             << "before writing it";
    return path;
}
