// Replacing a stored file so that a crash or kill at any moment leaves either the old or
// the new content under its name, never a missing or half-written file.
#pragma once

#include <QByteArray>
#include <QString>

// Reads the whole file; false when it cannot be opened or read.
bool readWholeFile(const QString& path, QByteArray* content);

// Writes `content` beside `target` under a temporary name, flushes it to disk and renames
// it over `target`. On failure `target` keeps its old content.
//
// The new file is also given a modification time later than the old one's. QSettings
// keeps every parsed file in a per-process cache and re-reads it only when size or
// modification time changed; a same-sized replacement within the file system's clock
// granularity would otherwise be served from the stale cache.
bool replaceFileContent(const QString& target, const QByteArray& content);

// readWholeFile + replaceFileContent: a source that cannot be read leaves `target` alone.
bool copyFileOver(const QString& source, const QString& target);

// Removes what writers killed in the middle of replacing a file of `folder` left behind:
// the settings class's lock files ("name.lock", unless a live process holds them; a stale
// one is taken over only at the next write of that file, or after 30 s when it is empty)
// and the temporary copies of replacements ("name.bin.XXXXXX"). Call it on start-up,
// before the folder's files are written.
void removeWriteLeftovers(const QString& folder);
