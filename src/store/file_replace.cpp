#include "store/file_replace.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QThread>

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

void removeWriteLeftovers(const QString& folder) {
    const QDir dir(folder);
    // A replacement is written as "name.XXXXXX" (six random letters) and renamed over the
    // file; killed before the rename, the copy stays and the file keeps its old content.
    static const QRegularExpression temporary(QStringLiteral(R"(^.+\.bin\.[A-Za-z0-9]{6}$)"));
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
        const QString path = dir.filePath(name);
        if (temporary.match(name).hasMatch()) {
            QFile::remove(path);
            continue;
        }
        if (!name.endsWith(QLatin1String(".lock")))
            continue;
        QLockFile lock(path);
        // Taking a lock removes it when its owner is dead; unlocking removes ours.
        if (lock.tryLock(0)) {
            lock.unlock();
            continue;
        }
        // A lock without its owner's details is taken over only after 30 s, and the next
        // write of the file waits that long. Its owner writes them right after creating
        // it; still empty a moment later, it was killed in between.
        qint64 pid = 0;
        QString host, app;
        if (!lock.getLockInfo(&pid, &host, &app)) {
            QThread::msleep(20);
            if (QFileInfo(path).size() == 0)
                QFile::remove(path);
        }
    }
}
