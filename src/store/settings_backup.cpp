#include "store/settings_backup.h"

#include "store/file_replace.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Copies of damaged versions kept per file; the oldest go first.
constexpr int kKeptCopies = 5;

} // namespace

bool iniTextIsClean(const QByteArray& content) {
    // NUL bytes: UTF-16 text or binary data.
    if (content.contains('\0'))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(content);
    if (utf8.hasError())
        return false;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    for (QStringView line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#') ||
            (line.startsWith(u'[') && line.endsWith(u']')) || line.contains(u'='))
            continue;
        return false;
    }
    return true;
}

namespace {

// A settings file must be a regular file: reading a pipe blocks for ever, and writing
// renames a new file over whatever is there. One that is a symbolic link is used only when
// both the link and its target, a regular file, are the user's own: a link planted in a
// shared portable folder, or one to a device or a folder, is not followed.
bool usableSettingsPath(const QString& path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return true;
#else
    const QByteArray name = QFile::encodeName(path);
    struct stat link {};
    if (::lstat(name.constData(), &link) != 0 || S_ISREG(link.st_mode))
        return true;
    if (!S_ISLNK(link.st_mode))
        return false;
    struct stat target {};
    const uid_t user = ::geteuid();
    return ::stat(name.constData(), &target) == 0 && S_ISREG(target.st_mode) &&
           target.st_uid == user && link.st_uid == user;
#endif
}

} // namespace

QString beforeWriting(const QString& path) {
    if (!usableSettingsPath(path)) {
        const QFileInfo info(path);
        qWarning().noquote()
            << (info.isSymLink()
                    ? QStringLiteral("Not using the settings file %1: it is a link to %2, which "
                                     "is not a regular file of this user.")
                          .arg(path, info.symLinkTarget())
                    : QStringLiteral("Not using the settings file %1: it is not a regular file.")
                          .arg(path))
            << "Nothing is read from it or written to it.";
        return QString();
    }
    QByteArray content;
    if (!QFileInfo(path).isFile() || !readWholeFile(path, &content) || iniTextIsClean(content))
        return path;
    const QFileInfo info(path);
    const QDir dir = info.dir();
    // Time stamps of fixed width: the names sort oldest first.
    QStringList kept = dir.entryList({info.fileName() + QStringLiteral(".*.bak")},
                                     QDir::Files | QDir::Hidden, QDir::Name);
    QByteArray newest;
    if (!kept.isEmpty() && readWholeFile(dir.filePath(kept.last()), &newest) && newest == content)
        return path; // these very bytes are kept already
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    // A sequence number of fixed width keeps copies of the same millisecond in order.
    QString name;
    for (int n = 0; name.isEmpty() || dir.exists(name); ++n)
        name = QStringLiteral("%1.%2-%3.bak")
                   .arg(info.fileName(), stamp)
                   .arg(n, 2, 10, QLatin1Char('0'));
    if (!replaceFileContent(dir.filePath(name), content)) {
        qWarning().noquote() << "could not keep a copy of the unreadable settings file" << path
                             << "before writing it";
        return path;
    }
    kept.append(name);
    while (kept.size() > kKeptCopies)
        QFile::remove(dir.filePath(kept.takeFirst()));
    return path;
}
