#include "app/single_application.h"

#include "platform/runtime/lock_takeover.h"
#include "platform/runtime/runtime_dir.h"

#include <QCryptographicHash>
#include <QDir>

SingleApplication::SingleApplication(int& argc, char** argv) : QApplication(argc, argv) {
    const runtimedir::Folder folder = runtimedir::privateFolder();
    if (!folder.ok()) {
        refusal_ = folder.error;
        return;
    }
    const QString path = lockPath(folder.path, QCoreApplication::applicationFilePath());
    auto lock = std::make_unique<QLockFile>(path);
    // A lock is stale only when its process is gone, however old it is.
    lock->setStaleLockTime(0);
    if (runtimedir::tryLockOrTakeOver(*lock, path)) {
        lock_ = std::move(lock);
        return;
    }
    qint64 pid = 0;
    QString host, app;
    if (lock->getLockInfo(&pid, &host, &app))
        holder_ = pid;
    else if (lock->error() != QLockFile::LockFailedError)
        refusal_ = QStringLiteral("cannot make its lock file %1 (%2).")
                       .arg(path, lock->error() == QLockFile::PermissionError
                                      ? QStringLiteral("permission denied")
                                      : QStringLiteral("unknown error"));
}

SingleApplication::~SingleApplication() = default;

QString SingleApplication::lockPath(const QString& dir, const QString& programPath) {
    const QByteArray id =
        QCryptographicHash::hash(QDir::cleanPath(programPath).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return dir + "/configurator-" + QString::fromLatin1(id) + ".lock";
}
