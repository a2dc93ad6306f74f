// Files the user picks in a dialog (a profile to load, a macro to import, a picture) may be
// anything the file system holds: a device that never ends (/dev/zero), a pipe that blocks
// whoever opens it, a folder, a file far too large. They are read only when they are
// regular files, opened without blocking, and never beyond a bound.
#pragma once

#include <QByteArray>
#include <QString>

namespace pickedfile {

struct Content {
    QByteArray data;
    // Empty when the file was read; otherwise one sentence for the user.
    QString problem;
    bool ok() const { return problem.isEmpty(); }
};

// The whole file, when it is a regular file (after links) of at most `maxBytes`.
Content read(const QString& path, qint64 maxBytes);

// Whether the file could be read as above, without reading it: "" or the sentence.
QString check(const QString& path);

// Where the file dialogs open: the user's documents folder where it exists, else home.
QString defaultFolder();

// `path` with `suffix` (".pf") added when its name has none: an export named without it
// would not be listed by the import's filter. A name with another suffix is the user's
// choice and stays.
QString withSuffix(const QString& path, const QString& suffix);

} // namespace pickedfile
