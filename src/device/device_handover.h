// Handing the mouse to the updater and taking it back. The configurator holds the device
// lock while it may talk to the mouse; before the updater starts, everything queued is
// sent, the link refuses new transfers and the lock is let go. The link comes back once
// the updater has let go of the mouse (or ended), and discovery then takes the mouse up
// again, as it comes back from its update.
#pragma once

#include "platform/runtime/device_lock.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class Hid_Thread;

class DeviceHandover : public QObject {
    Q_OBJECT
  public:
    // How long what is queued may take to reach the mouse before the hand-over gives up.
    static constexpr int kDrainMs = 10000;
    // How often the lock is looked at while the mouse is away.
    static constexpr int kPollMs = 500;
    // How often a hand-over looks whether the listener and the queue are done.
    static constexpr int kDrainPollMs = 20;
    // The mouse's pause between this program letting go and the updater starting.
    static constexpr int kLaunchPauseMs = 500;

    explicit DeviceHandover(Hid_Thread& hid, QObject* parent = nullptr);

    // At start: takes the lock, or, when another program holds it, keeps the link off
    // until that program lets go.
    void claim();
    // Stops the listener and lets every queued transfer run (at most `drainMs`); then
    // refuses new ones, lets go of the lock and, after the launch pause, reports
    // handedOver(true). When the queue did not drain in time nothing changes (the
    // listener runs again when it ran) and handedOver(false) follows. The caller never
    // waits: timers drive it.
    void handOver(int drainMs = kDrainMs);
    bool handingOver() const { return drainPoll_.isActive() || launchPause_.isActive(); }
    // The program the mouse went to (0: it did not start). The link comes back once that
    // program held the lock and let go, or ended.
    void watch(qint64 pid);
    bool away() const;
    // Looks whether the mouse came back; runs every kPollMs while it is away.
    void poll();

  signals:
    void handOverStarted();
    // The end of a hand-over: `ok`, the updater may take the mouse now.
    void handedOver(bool ok);
    // The link is ours again; a discovery is on its way.
    void returned();

  private:
    void takeBack();
    void drainStep();

    Hid_Thread& hid_;
    runtimedir::DeviceLock lock_;
    QTimer poll_;
    QTimer drainPoll_;
    QTimer launchPause_;
    QElapsedTimer drainClock_;
    int drainMs_ = kDrainMs;
    bool listened_ = false;
    qint64 pid_ = 0;
    bool seenTaken_ = false;
};
