// The configurator's main page against the virtual mouse: time from the start of main to
// the panels revealed (the protection period included), resident memory with the whole
// page loaded, and the CPU the program uses over a quiet minute with the window shown.
// Prints figures; asserts nothing.
//
//   build/tests/page_bench [idle-seconds]
#include "bench_shell.h"
#include "my_quick_view.h"
#include "widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QQuickItem>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int idleSeconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    bench::ShellFolder folder;
    if (!folder.ready())
        return 1;

    QElapsedTimer sinceWindow;
    sinceWindow.start();
    Widget window;
    window.showNormal();
    window.checkDevice();
    QQuickItem* dpi = window.view()->rootObject()->findChild<QQuickItem*>("DpiSetting");
    while (!(dpi && dpi->isVisible()) && sinceWindow.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 revealMs = sinceWindow.elapsed();
    window.hid().waitIdle(10000);

    QEventLoop settle;
    QTimer::singleShot(1000, &settle, &QEventLoop::quit);
    settle.exec();
    const long rss = residentKiB();

    const double cpuBefore = cpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(idleSeconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double cpu = cpuSeconds() - cpuBefore;

    std::printf("start (window built, mouse found) to panels revealed: %lld ms, the 1000 ms "
                "protection period included\n",
                static_cast<long long>(revealMs));
    std::printf("resident memory with the page loaded: %.1f MB\n", double(rss) / 1024.0);
    std::printf("idle with the window shown: %.3f s of CPU over %d s (%.2f %% of one core)\n", cpu,
                idleSeconds, 100.0 * cpu / idleSeconds);
    return 0;
}
