// The longest time the GUI thread goes without processing events: a zero-interval timer
// ticks on every pass of the event loop, and the widest gap between two ticks is the stall.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

class StallProbe {
  public:
    // Gaps longer than `thresholdMs` are counted as well (0: none are).
    explicit StallProbe(double thresholdMs = 0) : thresholdMs_(thresholdMs) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }
    void start() {
        worst_ = 0;
        over_ = 0;
        clock_.start();
        last_ = 0;
        timer_.start();
    }
    double stop() {
        tick();
        timer_.stop();
        return worst_ / 1e6;
    }
    int stallsOverThreshold() const { return over_; }

  private:
    void tick() {
        const qint64 now = clock_.nsecsElapsed();
        worst_ = std::max(worst_, now - last_);
        if (thresholdMs_ > 0 && double(now - last_) / 1e6 > thresholdMs_)
            ++over_;
        last_ = now;
    }
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 worst_ = 0;
    double thresholdMs_;
    int over_ = 0;
};
