#include "single_application.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

SingleApplication::SingleApplication(int& argc, char** argv) : QApplication(argc, argv) {
    auto lock = std::make_unique<QLockFile>(lockPath(QCoreApplication::applicationFilePath()));
    // A lock is stale only when its process is gone, however old it is.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        lock_ = std::move(lock);
}

SingleApplication::~SingleApplication() = default;

QString SingleApplication::lockPath(const QString& programPath) {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    const QByteArray id =
        QCryptographicHash::hash(QDir::cleanPath(programPath).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return dir + "/configurator-" + QString::fromLatin1(id) + ".lock";
}
