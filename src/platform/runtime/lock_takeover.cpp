#include "platform/runtime/lock_takeover.h"

#include <QFile>
#include <QLockFile>
#include <QLoggingCategory>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#endif

namespace runtimedir {

bool lockFileOwnerless(const QString& path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return false;
#else
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ownerless = false;
    timespec now{};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
        ::clock_gettime(CLOCK_REALTIME, &now) == 0) {
        const qint64 ageMs = (qint64(now.tv_sec) - qint64(st.st_mtim.tv_sec)) * 1000 +
                             (qint64(now.tv_nsec) - qint64(st.st_mtim.tv_nsec)) / 1000000;
        if (ageMs >= kLockSettleMs && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ownerless = true;
            ::flock(fd, LOCK_UN);
        }
    }
    ::close(fd);
    return ownerless;
#endif
}

bool tryLockOrTakeOver(QLockFile& lock, const QString& path) {
    if (lock.tryLock(0))
        return true;
    if (lock.error() != QLockFile::LockFailedError || !lockFileOwnerless(path))
        return false;
    qInfo().noquote()
        << QStringLiteral("Took over the lock %1: no running program held it.").arg(path);
    return lock.removeStaleLockFile() && lock.tryLock(0);
}

} // namespace runtimedir
