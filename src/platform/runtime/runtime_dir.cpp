#include "platform/runtime/runtime_dir.h"

#include <QDir>
#include <QFile>

#ifndef _WIN32
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace runtimedir {

#ifdef _WIN32

Folder ensurePrivate(const QString& path, unsigned) {
    QDir().mkpath(path);
    return {path, {}};
}

Folder privateFolder() {
    return ensurePrivate(QDir::tempPath(), 0);
}

#else

namespace {

Folder refused(const QString& path, const QString& why) {
    return {QString(),
            QStringLiteral("The folder %1 is not safe for the program's lock and messages: %2. "
                           "Remove it, or start the program in a session that sets "
                           "XDG_RUNTIME_DIR.")
                .arg(path, why)};
}

} // namespace

Folder ensurePrivate(const QString& path, unsigned uid) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return refused(path, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return refused(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISDIR(st.st_mode))
        return refused(path, QStringLiteral("it is not a directory"));
    if (st.st_uid != uid)
        return refused(path, QStringLiteral("it belongs to another user"));
    if ((st.st_mode & 077) != 0)
        return refused(path, QStringLiteral("other users can open it"));
    return {path, {}};
}

Folder privateFolder() {
    const unsigned uid = static_cast<unsigned>(::geteuid());
    const QString session = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!session.isEmpty() && QDir::isAbsolutePath(session)) {
        // The session's folder exists already; a broken one is passed over, not repaired.
        struct stat st {};
        const QByteArray native = QFile::encodeName(session);
        if (::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid &&
            (st.st_mode & 077) == 0)
            return {session, {}};
    }
    return ensurePrivate(QDir::tempPath() + QStringLiteral("/mouse-suite-") + QString::number(uid),
                         uid);
}

#endif

} // namespace runtimedir
