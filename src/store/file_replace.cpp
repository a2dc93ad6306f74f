#include "file_replace.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool readWholeFile(const QString& path, QByteArray* content) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    *content = std::move(data);
    return true;
}

bool replaceFileContent(const QString& target, const QByteArray& content) {
    const QFileInfo before(target);
    const QDateTime oldTime = before.exists() ? before.lastModified() : QDateTime();

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;

    if (oldTime.isValid()) {
        const QDateTime newTime = QFileInfo(target).lastModified();
        if (newTime <= oldTime) {
            QFile replaced(target);
            // Failing here only weakens the cache guarantee; the content is in place.
            if (replaced.open(QIODevice::ReadOnly))
                replaced.setFileTime(oldTime.addMSecs(1), QFileDevice::FileModificationTime);
        }
    }
    return true;
}

bool copyFileOver(const QString& source, const QString& target) {
    QByteArray content;
    if (!readWholeFile(source, &content))
        return false;
    return replaceFileContent(target, content);
}
