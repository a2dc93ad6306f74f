// The profiles as the macro library and the desktop's mouse settings use them: the
// settings object of a profile position and of the current profile, borrowed for one call
// (the store swaps them on import, reset and copy) and never kept. The profile store
// offers both; tests stand in with their own files.
#pragma once

#include <QSettings>

class CurrentProfile {
  public:
    virtual ~CurrentProfile() = default;
    // Null when no profile is open: setters then only apply, getters answer defaults.
    virtual QSettings* currentProfile() const = 0;
};

class ProfileAccess {
  public:
    virtual ~ProfileAccess() = default;

    // Settings object of profile position 0..9, or nullptr when that position is not open.
    virtual QSettings* profileSettings(int position) = 0;
    virtual int currentProfileIndex() const = 0;
    // Called after a profile was changed, so the file on disk follows at once.
    virtual void syncProfile(int position) {
        if (QSettings* settings = profileSettings(position))
            settings->sync();
    }
};
