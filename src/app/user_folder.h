// Where the configurator keeps what the user sets. A portable folder (the program's own
// folder is writable) keeps modules/ beside the program, as it always did. An installed
// program (under /usr, read-only to the user) gets a per-user folder under
// $XDG_CONFIG_HOME (~/.config by default) holding the user's modules/, seeded once from
// the installed copy; the working directory is then that folder, so every relative path
// of the program lands there.
#pragma once

#include <QString>

namespace userfolder {

// The folder name under the configuration home.
inline constexpr const char* kProjectFolder = "mouse-suite";

struct Choice {
    QString folder;       // the working directory to use
    bool perUser = false; // the program's folder is not writable
    bool seeded = false;  // modules/ was copied into the per-user folder just now
    QString problem;      // set when the per-user folder could not be made: a sentence
};

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config.
QString configHome();

// True when this user may write the program's modules/ and its settings (a folder without
// modules/ counts as writable: there is nothing to keep elsewhere).
bool programFolderWritable(const QString& programFolder);

// Decides, and seeds the per-user folder when it has no modules/ yet. When seeding fails
// the program's folder is used as it stands and `problem` says why.
Choice choose(const QString& programFolder);

} // namespace userfolder
