// Runs callables on the thread this object lives on, queued, in the order they were
// handed over from any thread. The callables pass through a mutex of ours, not only
// through Qt's event queue: Qt's libraries are not built for ThreadSanitizer, so a functor
// handed over inside them alone looks like a race between the thread that built it and
// the one that runs it.
#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

namespace transport {

class ThreadHandoff : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // Runs `call` on this object's thread after what is queued there; dropped when this
    // object goes first.
    void post(std::function<void()> call);

  private:
    Q_INVOKABLE void runPending();

    std::mutex mutex_;
    std::deque<std::function<void()>> pending_;
};

} // namespace transport
