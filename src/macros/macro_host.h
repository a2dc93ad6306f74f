#pragma once

#include <QByteArray>
#include <QString>

class QSettings;

// What the macro code needs from its surroundings, kept to a few calls so this library
// does not link the profile store. The view host implements these by forwarding to the
// objects it owns.

// The profile store as the macro library sees it. The store owns the settings objects;
// the library borrows them for the length of one call and never keeps the pointers.
class ProfileAccess {
  public:
    virtual ~ProfileAccess() = default;

    // Settings object of profile position 0..9, or nullptr when that position is not open.
    virtual QSettings* profileSettings(int position) = 0;
    virtual int currentProfileIndex() const = 0;
    // Called after the library changed a profile, so the file on disk follows at once.
    // The default flushes the settings object of that position.
    virtual void syncProfile(int position);
};
