// A settings file the program could not read cleanly (not UTF-8, UTF-16, lines that are
// neither a group, a key nor a comment) would lose what it cannot parse on the next write:
// the settings class writes back only what it understood. Before such a file is written,
// its bytes are kept beside it as "<file>.<UTC time>.bak" — every damaged version, the
// last five of them.
#pragma once

#include <QByteArray>
#include <QString>

// Whether `content` is INI text that reads back without loss.
bool iniTextIsClean(const QByteArray& content);

// Call before opening `path` for writing; returns `path`. When the file exists and is not
// clean, its bytes are copied to a new "<path>.<time>.bak" unless the newest copy holds
// them already; of the copies, the five newest stay. Anything but a regular file (a pipe,
// a device), and a symbolic link whose target is not a regular file of this user (or that
// is not the user's own), is refused with a warning:
// the result is then empty, and a settings object on it neither reads nor writes, and
// reports an access error when synced.
QString beforeWriting(const QString& path);
