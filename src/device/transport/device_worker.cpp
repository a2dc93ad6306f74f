#include "device/transport/device_worker.h"

#include <chrono>
#include <utility>

namespace transport {

DeviceWorker::DeviceWorker() : thread_([this] { run(); }) {}

DeviceWorker::~DeviceWorker() {
    shutdown();
}

bool DeviceWorker::post(Job job, std::uint32_t replaces) {
    Job superseded; // destroyed off the lock
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return false;
        if (replaces != 0 && !queue_.empty() && queue_.back()->key == replaces &&
            queue_.back()->state == State::Queued) {
            superseded = std::exchange(queue_.back()->job, std::move(job));
            return true;
        }
        auto entry = std::make_shared<Entry>();
        entry->job = std::move(job);
        entry->key = replaces;
        queue_.push_back(std::move(entry));
    }
    wake_.notify_one();
    return true;
}

bool DeviceWorker::call(Job job, int startWithinMs) {
    if (onWorkerThread()) {
        job();
        return true;
    }
    auto entry = std::make_shared<Entry>();
    entry->job = std::move(job);
    std::unique_lock lock(mutex_);
    if (stopping_)
        return false;
    queue_.push_back(entry);
    wake_.notify_one();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(startWithinMs);
    if (!changed_.wait_until(lock, deadline, [&] { return entry->state != State::Queued; })) {
        // Never started: it must not run later, when nobody reads its answer.
        entry->state = State::Cancelled;
        return false;
    }
    if (entry->state == State::Cancelled) // dropped by a bounded shutdown
        return false;
    changed_.wait(lock, [&] { return entry->state == State::Done; });
    return true;
}

bool DeviceWorker::waitIdle(int ms) {
    if (onWorkerThread())
        return false;
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms),
                             [this] { return queue_.empty() && !running_; });
}

bool DeviceWorker::idle() const {
    std::lock_guard lock(mutex_);
    return queue_.empty() && !running_;
}

std::size_t DeviceWorker::pending() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

bool DeviceWorker::onWorkerThread() const {
    return std::this_thread::get_id() == thread_.get_id();
}

void DeviceWorker::shutdown(int drainMs) {
    {
        std::unique_lock lock(mutex_);
        if (stopping_ && !thread_.joinable())
            return;
        stopping_ = true;
        wake_.notify_one();
        if (drainMs >= 0 && !onWorkerThread() &&
            !changed_.wait_for(lock, std::chrono::milliseconds(drainMs),
                               [this] { return queue_.empty() && !running_; })) {
            for (const std::shared_ptr<Entry>& entry : queue_)
                entry->state = State::Cancelled;
            queue_.clear();
            changed_.notify_all();
        }
    }
    wake_.notify_one();
    if (thread_.joinable() && !onWorkerThread())
        thread_.join();
}

void DeviceWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            break; // stopping, and everything queued has run
        std::shared_ptr<Entry> entry = std::move(queue_.front());
        queue_.pop_front();
        if (entry->state == State::Cancelled)
            continue;
        entry->state = State::Running;
        running_ = true;
        changed_.notify_all();
        lock.unlock();
        entry->job();
        entry->job = nullptr; // what the job captured goes now, off the lock
        lock.lock();
        entry->state = State::Done;
        running_ = false;
        changed_.notify_all();
    }
}

} // namespace transport
