// Which program talks to the mouse. The configurator and the updater are separate
// processes with separate device workers; commands of both interleaved on the mouse lose
// settings (a macro block cut by the updater's first query). Whoever holds this lock may
// talk to the mouse; the other waits for it to let go. It lives in the user's private
// runtime folder and is released by the system when its holder dies.
#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace runtimedir {

class DeviceLock {
  public:
    // `deviceKey` names the mouse (see hidseam::deviceKey()); the lock file is made from it.
    explicit DeviceLock(const QString& deviceKey);
    ~DeviceLock();
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

    // Takes the lock when nobody holds it; true when this object holds it afterwards.
    // Without a private runtime folder there is nobody to agree with: always true.
    bool tryTake();
    void release();
    bool held() const { return held_; }
    // Somebody else holds it right now.
    bool heldElsewhere();
    // The lock file; empty without a private runtime folder.
    QString path() const { return path_; }

  private:
    QString path_;
    std::unique_ptr<QLockFile> file_;
    bool held_ = false;
};

// Whether the process `pid` still runs.
bool processRunning(qint64 pid);

} // namespace runtimedir
