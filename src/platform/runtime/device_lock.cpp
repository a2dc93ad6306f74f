#include "platform/runtime/device_lock.h"

#include "platform/runtime/lock_takeover.h"
#include "platform/runtime/runtime_dir.h"

#include <QCryptographicHash>
#include <QLockFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#endif

namespace runtimedir {

DeviceLock::DeviceLock(const QString& deviceKey) {
    const Folder folder = privateFolder();
    if (!folder.ok())
        return;
    const QByteArray id =
        QCryptographicHash::hash(deviceKey.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    path_ =
        folder.path + QStringLiteral("/mouse-") + QString::fromLatin1(id) + QStringLiteral(".lock");
    file_ = std::make_unique<QLockFile>(path_);
    // Stale only when its holder is gone, however long it has been held.
    file_->setStaleLockTime(0);
}

DeviceLock::~DeviceLock() {
    release();
}

bool DeviceLock::tryTake() {
    if (!file_)
        return true;
    if (!held_)
        held_ = tryLockOrTakeOver(*file_, path_);
    return held_;
}

void DeviceLock::release() {
    if (file_ && held_)
        file_->unlock();
    held_ = false;
}

bool DeviceLock::heldElsewhere() {
    if (!file_ || held_)
        return false;
    // A probe: taking it proves nobody has it, and it goes straight back.
    if (tryLockOrTakeOver(*file_, path_)) {
        file_->unlock();
        return false;
    }
    return true;
}

bool processRunning(qint64 pid) {
    if (pid <= 0)
        return false;
#ifdef Q_OS_WIN
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return false;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
#else
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

} // namespace runtimedir
