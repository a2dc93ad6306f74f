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
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }
    void start() {
        worst_ = last_ = over_ = 0;
        clock_.start();
        timer_.start(0);
    }
    // The worst gap in milliseconds.
    double stop() {
        tick();
        timer_.stop();
        return worst_;
    }
    int stallsOverThreshold() const { return over_; }

  private:
    void tick() {
        const double now = clock_.nsecsElapsed() / 1e6;
        worst_ = std::max(worst_, now - last_);
        over_ += thresholdMs_ > 0 && now - last_ > thresholdMs_;
        last_ = now;
    }
    QTimer timer_;
    QElapsedTimer clock_;
    double last_ = 0, worst_ = 0, thresholdMs_;
    int over_ = 0;
};
