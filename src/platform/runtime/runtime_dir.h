// The user's private folder for the instance lock and the message channel's socket.
//
// $XDG_RUNTIME_DIR when the session provides a sound one; otherwise a folder of our own in
// the temporary folder, named after the user id so every process of the user finds it.
// That name is predictable, so it is only used when it is a real directory (not a link),
// owned by the user and closed to everyone else; anything else is refused with a sentence
// saying what is wrong, rather than falling back to a name another user could hold.
#pragma once

#include <QString>

namespace runtimedir {

struct Folder {
    QString path;  // empty when refused
    QString error; // why, when refused
    bool ok() const { return !path.isEmpty(); }
};

// The folder for this process's user.
Folder privateFolder();

// `path` made sure of: created with mode 0700 when missing, otherwise accepted only as a
// directory owned by `uid` with no access for group or others. Does not change an existing
// folder. Windows: the folder as it is.
Folder ensurePrivate(const QString& path, unsigned uid);

} // namespace runtimedir
