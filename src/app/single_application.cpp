#include "app/single_application.h"

#include "platform/runtime/runtime_dir.h"

#include <QCryptographicHash>
#include <QDir>

SingleApplication::SingleApplication(int& argc, char** argv) : QApplication(argc, argv) {
    const runtimedir::Folder folder = runtimedir::privateFolder();
    if (!folder.ok()) {
        refusal_ = folder.error;
        return;
    }
    auto lock =
        std::make_unique<QLockFile>(lockPath(folder.path, QCoreApplication::applicationFilePath()));
    // A lock is stale only when its process is gone, however old it is.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        lock_ = std::move(lock);
}

SingleApplication::~SingleApplication() = default;

QString SingleApplication::lockPath(const QString& dir, const QString& programPath) {
    const QByteArray id =
        QCryptographicHash::hash(QDir::cleanPath(programPath).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return dir + "/configurator-" + QString::fromLatin1(id) + ".lock";
}
