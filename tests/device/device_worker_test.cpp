// The device worker's queue: jobs run in the order they were queued, and a setter asked
// for again before it started sends only its newest value, without passing any other job.
#include "device/transport/device_worker.h"

#include <QTest>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Holds the worker in its first job until released, so that what follows stays queued.
class Gate {
  public:
    void hold() {
        std::unique_lock lock(mutex_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    void waitEntered() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return entered_; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool open_ = false;
};

} // namespace

class DeviceWorkerTest : public QObject {
    Q_OBJECT

  private slots:
    void newestOfARunReplacesTheQueuedOne() {
        transport::DeviceWorker worker;
        Gate gate;
        std::mutex mutex;
        std::vector<std::string> ran;
        auto job = [&](std::string name) {
            return [&, name] {
                std::lock_guard lock(mutex);
                ran.push_back(name);
            };
        };
        constexpr std::uint32_t dpi = 7, rate = 9;
        worker.post([&] { gate.hold(); }, dpi); // running: never replaced
        gate.waitEntered();
        worker.post(job("dpi 1"), dpi);
        worker.post(job("dpi 2"), dpi);
        worker.post(job("dpi 3"), dpi);
        worker.post(job("rate"), rate);
        worker.post(job("dpi 4"), dpi); // behind another setter: kept apart, in order
        worker.post(job("plain a"));
        worker.post(job("plain b")); // unkeyed jobs are never merged
        worker.post(job("dpi 5"), dpi);
        gate.open();
        QVERIFY(worker.waitIdle(5000));
        QCOMPARE(ran, (std::vector<std::string>{"dpi 3", "rate", "dpi 4", "plain a", "plain b",
                                                "dpi 5"}));
    }

    void aGetterBetweenSettersKeepsBoth() {
        transport::DeviceWorker worker;
        Gate gate;
        std::vector<std::string> ran; // written on the worker only
        worker.post([&] { gate.hold(); });
        gate.waitEntered();
        worker.post([&] { ran.push_back("set 1"); }, 3);
        std::thread getter([&] { worker.call([&] { ran.push_back("get"); }, 5000); });
        // The getter is queued behind the setter.
        QVERIFY(QTest::qWaitFor([&] { return worker.pending() == 2; }, 5000));
        worker.post([&] { ran.push_back("set 2"); }, 3);
        gate.open();
        getter.join();
        QVERIFY(worker.waitIdle(5000));
        QCOMPARE(ran, (std::vector<std::string>{"set 1", "get", "set 2"}));
    }

    // Quitting waits a bounded time for what is queued: past it the jobs not started are
    // dropped (a getter among them is told so), the running one still ends.
    void boundedShutdownDropsWhatDidNotStart() {
        transport::DeviceWorker worker;
        Gate gate;
        std::vector<std::string> ran; // written on the worker only
        worker.post([&] {
            gate.hold();
            ran.push_back("running");
        });
        gate.waitEntered();
        worker.post([&] { ran.push_back("queued"); }, 5);
        bool answered = true;
        std::thread getter([&] { answered = worker.call([&] { ran.push_back("get"); }, 60000); });
        QVERIFY(QTest::qWaitFor([&] { return worker.pending() == 2; }, 5000));
        std::thread quit([&] { worker.shutdown(20); });
        // Dropped while the first job still runs.
        const bool dropped = QTest::qWaitFor([&] { return worker.pending() == 0; }, 5000);
        gate.open();
        quit.join();
        getter.join();
        QVERIFY(dropped);
        QVERIFY(!answered);
        QCOMPARE(ran, std::vector<std::string>{"running"});
        QVERIFY(!worker.post([] {})); // shut down: nothing more is taken
    }
};

QTEST_APPLESS_MAIN(DeviceWorkerTest)
#include "device_worker_test.moc"
