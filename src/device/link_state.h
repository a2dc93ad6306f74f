// State the whole link shares across threads: the secrecy code, whether reports are
// enciphered, whether the link is switched off, whether a device was accepted, and what
// the DPI notifications show.
#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>

class LinkState {
  public:
    static LinkState& instance();

    std::atomic<bool> encodeEnabled{false};
    std::atomic<bool> linkDisabled{false};
    std::atomic<bool> deviceAccepted{false};

    // Bytes 1..6 come from the handshake; 0 and 7 stay 0. Written on the GUI thread
    // only while no transfer runs (the handshake holds the token).
    std::array<std::uint8_t, 8> secrecyCode{};

    static constexpr int kStages = 8;

    // DPI of stages 1..8, filled by the DPI facade and read by the listener.
    void setStageDpi(int index, quint32 dpi);
    quint32 stageDpi(int index) const;

    // The eight captions of the DPI balloons ("DPI Switch to" until a language sets them).
    void setNotificationTexts(const QStringList& texts);
    QString notificationText(int index) const;

    // Back to the values of a fresh start (tests use this between cases).
    void reset();

  private:
    LinkState();
    std::array<std::atomic<quint32>, kStages> stageDpi_{};
    mutable QMutex textsMutex_;
    QStringList texts_;
};
