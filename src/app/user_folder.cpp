#include "app/user_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace userfolder {
namespace {

// The effective user's right to write, as open() would decide it (root may write anywhere).
bool mayWrite(const QString& path) {
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
}

// A copy the user owns and may change: the installed files are read-only, and a copy
// keeps their permissions.
bool copyTree(const QString& from, const QString& to) {
    if (!QDir().mkpath(to))
        return false;
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir source(from);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString target = to + '/' + source.relativeFilePath(entry.filePath());
        if (entry.isDir()) {
            if (!QDir().mkpath(target))
                return false;
        } else if (!QFile::copy(entry.filePath(), target) ||
                   !QFile::setPermissions(target, QFile::permissions(target) | QFile::ReadOwner |
                                                      QFile::WriteOwner)) {
            return false;
        }
    }
    return true;
}

} // namespace

QString configHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(xdg))
        return QDir::cleanPath(xdg);
    return QDir::cleanPath(qEnvironmentVariable("HOME", QDir::homePath()) + "/.config");
}

bool programFolderWritable(const QString& programFolder) {
    const QString modules = programFolder + "/modules";
    if (!QFileInfo(modules).isDir())
        return true;
    return mayWrite(modules) && mayWrite(modules + "/setting") && mayWrite(modules + "/macro");
}

Choice choose(const QString& programFolder) {
    Choice choice;
    choice.folder = programFolder;
    if (programFolderWritable(programFolder))
        return choice;
    choice.perUser = true;

    const QString folder = configHome() + '/' + kProjectFolder;
    const QString modules = folder + "/modules";
    if (QFileInfo(modules).isDir()) {
        choice.folder = folder;
        return choice;
    }
    // Copied beside and renamed at the end: an interrupted copy is never taken for the
    // user's folder, and the next start tries again.
    const QString partial =
        folder + QStringLiteral("/modules.partial-%1").arg(QCoreApplication::applicationPid());
    QDir(partial).removeRecursively();
    if (copyTree(programFolder + "/modules", partial) && QDir().rename(partial, modules)) {
        choice.folder = folder;
        choice.seeded = true;
        return choice;
    }
    QDir(partial).removeRecursively();
    choice.perUser = false;
    choice.problem = QStringLiteral("cannot create %1 for your settings; they are read from %2 "
                                    "and changes will not be kept.")
                         .arg(QDir::toNativeSeparators(modules),
                              QDir::toNativeSeparators(programFolder + "/modules"));
    return choice;
}

} // namespace userfolder
