// What the mouse's DPI notifications show: the DPI of each of the eight stages and the
// eight captions. The DPI settings fill the table, the language gives the captions, and
// the notification listener reads both on its own thread.
#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>

class DpiNotices {
  public:
    static constexpr int kStages = 8;

    DpiNotices();

    // DPI of stages 1..8 (index 0..7); other indices are ignored or read as 0.
    void setStageDpi(int index, quint32 dpi);
    quint32 stageDpi(int index) const;

    // The eight captions ("DPI Switch to" until a language sets them); only the first
    // eight texts count, missing ones keep their caption.
    void setTexts(const QStringList& texts);
    QString text(int index) const;

    // The balloon for a notification of `stage` (1..8): caption, a blank and the stage's
    // DPI; stages 7 and 8 share the seventh caption. Empty for a stage outside the table.
    QString balloonText(int stage) const;

  private:
    std::array<std::atomic<quint32>, kStages> stageDpi_{};
    mutable QMutex textsMutex_;
    QStringList texts_;
};
