// Taking a lock file that nobody holds any more. QLockFile counts a lock as stale only when
// it can read a dead process id from it; an empty or garbled file (a crash while writing,
// a full disk, a copied home folder) or a process id reused by another program would
// keep every later start out for good. On Linux the holder also keeps an flock() on the
// file for as long as it holds it, which the system drops when the holder dies: a file
// nobody has flocked is taken over.
#pragma once

#include <QString>

class QLockFile;

namespace runtimedir {

// A lock file younger than this may still be being written by its new holder.
constexpr int kLockSettleMs = 2000;

// lock.tryLock(0), and, when that fails on a file at `path` that no live process holds
// and that is at least kLockSettleMs old, the file removed and the lock taken.
bool tryLockOrTakeOver(QLockFile& lock, const QString& path);

// Whether the lock file at `path` is held by no live process (Linux; false elsewhere and
// when it cannot tell).
bool lockFileOwnerless(const QString& path);

} // namespace runtimedir
