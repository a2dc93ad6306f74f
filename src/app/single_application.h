// The application object that lets only one configurator run. A lock file decides: the
// first process holds it for its lifetime; a lock left by a process that died is taken
// over. Copies of the program in different folders are different programs. The lock lives
// in the user's private runtime folder; when that folder is unsafe the program does not
// start (refusal() says why) rather than take a lock another user could hold.
#pragma once

#include <QApplication>
#include <QLockFile>

#include <memory>

class SingleApplication : public QApplication {
    Q_OBJECT
  public:
    SingleApplication(int& argc, char** argv);
    ~SingleApplication() override;

    // True when another instance of this program already runs.
    bool isRunning() const { return !lock_ && refusal_.isEmpty(); }
    // The process holding the lock when another instance runs; 0 when not known.
    qint64 holder() const { return holder_; }
    // Why the program cannot run at all; empty when it can.
    QString refusal() const { return refusal_; }

    // Where the lock of the program at `programPath` lives in `folder`.
    static QString lockPath(const QString& folder, const QString& programPath);

  private:
    std::unique_ptr<QLockFile> lock_;
    QString refusal_;
    qint64 holder_ = 0;
};
