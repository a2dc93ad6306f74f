#include "update/clock.h"

#include <QThread>
#include <QTimer>

namespace updater {

void SystemClock::sleep(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}

void SystemClock::singleShot(int ms, QObject* context, std::function<void()> call) {
    QTimer::singleShot(ms, context, std::move(call));
}

} // namespace updater
