#include "device/transport/thread_handoff.h"

#include <utility>

namespace transport {

void ThreadHandoff::post(std::function<void()> call) {
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(std::move(call));
    }
    // By name: no functor object of Qt's is built on this thread.
    QMetaObject::invokeMethod(this, "runPending", Qt::QueuedConnection);
}

void ThreadHandoff::runPending() {
    std::deque<std::function<void()>> now;
    {
        std::lock_guard lock(mutex_);
        now.swap(pending_);
    }
    for (const auto& call : now)
        call();
}

} // namespace transport
