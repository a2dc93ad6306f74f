#include "store/picked_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pickedfile {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("PickedFile", text);
}

QString notRegular(const QString& path) {
    return tr("Not a regular file; nothing was read: %1").arg(path);
}

QString tooLarge(const QString& path, qint64 maxBytes) {
    return tr("Larger than %1 bytes; nothing was read: %2").arg(maxBytes).arg(path);
}

QString unreadable(const QString& path) {
    return tr("Cannot open the file: %1").arg(path);
}

} // namespace

#ifdef Q_OS_UNIX

namespace {

// Opened without blocking (a pipe would wait for a writer) and looked at through the
// open descriptor, so that what is read is what was checked.
int openRegular(const QString& path, QString* problem) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *problem = unreadable(path);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *problem = notRegular(path);
        return -1;
    }
    return fd;
}

} // namespace

Content read(const QString& path, qint64 maxBytes) {
    Content content;
    const int fd = openRegular(path, &content.problem);
    if (fd < 0)
        return content;
    // One byte past the bound tells a file that is too large, whatever its size said.
    content.data.resize(maxBytes + 1);
    qint64 total = 0;
    while (total <= maxBytes) {
        const ssize_t n = ::read(fd, content.data.data() + total, size_t(maxBytes + 1 - total));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            content.problem = unreadable(path);
            break;
        }
        if (n == 0)
            break;
        total += n;
    }
    ::close(fd);
    if (content.ok() && total > maxBytes)
        content.problem = tooLarge(path, maxBytes);
    content.data.resize(content.ok() ? total : 0);
    return content;
}

QString check(const QString& path) {
    QString problem;
    const int fd = openRegular(path, &problem);
    if (fd >= 0)
        ::close(fd);
    return problem;
}

#else

Content read(const QString& path, qint64 maxBytes) {
    Content content;
    content.problem = check(path);
    if (!content.ok())
        return content;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        content.problem = unreadable(path);
        return content;
    }
    content.data = file.read(maxBytes + 1);
    if (content.data.size() > maxBytes) {
        content.data.clear();
        content.problem = tooLarge(path, maxBytes);
    }
    return content;
}

QString check(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return unreadable(path);
    return info.isFile() ? QString() : notRegular(path);
}

#endif

QString defaultFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

QString withSuffix(const QString& path, const QString& suffix) {
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + suffix;
}

} // namespace pickedfile
