// The one thread that talks to the device. Jobs run one after another in the order they
// were queued; the thread that queues never waits for the device unless it asks for an
// answer, and then only for the jobs queued before its own.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace transport {

class DeviceWorker {
  public:
    using Job = std::function<void()>;

    DeviceWorker();
    ~DeviceWorker(); // shutdown()
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    // Queues `job` behind everything queued so far and returns at once. False (and the
    // job dropped) once the worker is shut down.
    //
    // A job with a `replaces` key takes the place of the last queued job when that one has
    // the same key and has not started: a setter asked for again before the mouse got the
    // first value sends only the newest. Only the last job is replaced, so no command
    // moves past another (a profile switch between two DPI tables keeps both).
    bool post(Job job, std::uint32_t replaces = 0);

    // Queues `job` and waits for it to finish. When it has not started within
    // `startWithinMs` it is taken off the queue and the call returns false. Called on the
    // worker itself (a job asking for another), the job runs at once.
    bool call(Job job, int startWithinMs);

    // Waits until nothing is queued or running; false when `ms` passed first.
    bool waitIdle(int ms);
    bool idle() const;
    // Jobs queued and not started.
    std::size_t pending() const;
    bool onWorkerThread() const;

    // Refuses new jobs, runs every queued one to its end and joins the thread. With
    // `drainMs` >= 0, jobs that have not started by then are dropped (the running one
    // still ends). Safe to call more than once.
    void shutdown(int drainMs = -1);

  private:
    enum class State { Queued, Running, Done, Cancelled };
    struct Entry {
        Job job;
        State state = State::Queued;
        std::uint32_t key = 0;
    };

    void run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;    // the worker: a job or the end
    std::condition_variable changed_; // the callers: a job started or ended
    std::deque<std::shared_ptr<Entry>> queue_;
    bool running_ = false; // a job runs now
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace transport
