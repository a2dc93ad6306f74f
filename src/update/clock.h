// Every wait of the updater goes through a Clock: the blocking pauses of the transport and
// the procedure, and the delayed calls of updateProc(). Tests hand in a clock of their own
// so that the 5 s between attempts and the 3 s before an automatic update cost nothing.
#pragma once

#include <QObject>

#include <functional>

namespace updater {

class Clock {
  public:
    virtual ~Clock() = default;
    // Blocks the calling (GUI) thread for `ms` milliseconds.
    virtual void sleep(int ms) = 0;
    // Runs `call` once, `ms` milliseconds from now, on `context`'s thread; dropped when
    // `context` is destroyed first.
    virtual void singleShot(int ms, QObject* context, std::function<void()> call) = 0;
};

// Real time: QThread::msleep and QTimer::singleShot.
class SystemClock final : public Clock {
  public:
    void sleep(int ms) override;
    void singleShot(int ms, QObject* context, std::function<void()> call) override;
};

} // namespace updater
