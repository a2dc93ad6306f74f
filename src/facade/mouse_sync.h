// Whether the mouse holds the current profile. Every setting goes to the mouse as the user
// makes it; a send that failed, or a mouse that left and came back, leaves the mouse
// holding something else. Then the whole profile is sent again: at the next acceptance,
// and meanwhile every few seconds while the mouse is there. Once a resend has reached
// the mouse without a failure, a record of what it holds (a digest of the profile) is
// kept on disk, so that an ordinary start does not send everything again.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class Hid_Thread;

class MouseSync : public QObject {
    Q_OBJECT
  public:
    // `digest`: what the mouse should hold now (the current profile and its macros).
    using Digest = std::function<QByteArray()>;

    // How long after a failure the profile is sent again while the mouse stays.
    static constexpr int kRetryMs = 3000;
    // How often a resend looks whether its transfers have all run.
    static constexpr int kConfirmPollMs = 100;

    MouseSync(Hid_Thread& hid, const QString& recordPath, Digest digest, QObject* parent = nullptr);

    // At an acceptance: true unless the record says the mouse holds the current profile.
    bool needsResend() const;
    bool outOfStep() const { return outOfStep_; }
    // The pages have just queued the whole profile; once it has all run without a
    // failure the mouse is in step and the record is written.
    void resendQueued();
    // Writes the record when nothing is known to have failed (the program ends cleanly),
    // including after a resend whose transfers have all run.
    void recordIfInStep();
    // The mouse may hold something else than the profile.
    void markOutOfStep();

  signals:
    // The mouse is there, not in step, and the link works: send the whole profile.
    void resendRequested();
    void inStep();

  private:
    void retry();
    void confirm();
    QByteArray recorded() const;
    void record();

    Hid_Thread& hid_;
    QString recordPath_;
    Digest digest_;
    QTimer retry_;
    QTimer confirm_;
    bool outOfStep_ = false;
    int failures_ = 0;
    int failuresAtResend_ = 0;
};
