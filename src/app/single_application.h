// The application object that lets only one configurator run. A lock file decides: the
// first process holds it for its lifetime; a lock left by a process that died is taken
// over. Copies of the program in different folders are different programs.
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
    bool isRunning() const { return !lock_; }

    // Where the lock of the program at `programPath` lives.
    static QString lockPath(const QString& programPath);

  private:
    std::unique_ptr<QLockFile> lock_;
};
