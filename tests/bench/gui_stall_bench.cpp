// The configurator's page against the virtual mouse: the longest time the GUI thread goes
// without processing events while a DPI slider drag (20 changes 30 ms apart) and the page's
// factory reset go to the mouse, and the CPU the program uses while idle with the window
// shown. Prints figures; asserts nothing.
//
//   build/tests/gui_stall_bench [idle-seconds]
#include "bench_shell.h"
#include "my_quick_view.h"
#include "stall_probe.h"
#include "widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QQuickItem>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

// Runs the event loop until `done` or for `ms`, and then until the link has sent all.
template <typename Done> double run(Widget& window, int ms, Done done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    while (!window.hid().isLinkFree())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return double(t.elapsed());
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int idleSeconds = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    bench::ShellFolder folder;
    if (!folder.ready())
        return 1;
    Widget window;
    window.showNormal();
    window.checkDevice();
    const auto never = [] { return false; };
    run(window, 2500,
        [&] { return window.view()->isEnabled() && LinkState::instance().deviceAccepted; });
    if (!LinkState::instance().deviceAccepted) {
        std::fprintf(stderr, "mouse not accepted\n");
        return 1;
    }
    myQQuickView& view = *window.view();
    StallProbe probe;

    int sent = 0;
    QTimer drag;
    drag.setInterval(30);
    QObject::connect(&drag, &QTimer::timeout, [&] {
        const int dpi = 250 + 50 * sent;
        view.ui_11H_SetDPISet(7, QVariantList{1, 2, 3, 4, 0x80, 0x80, 0x80, 0x80},
                              QVariantList{dpi, 500, 750, 1000, 1250, 1500, 250, 250});
        if (++sent == 20)
            drag.stop();
    });
    probe.start();
    drag.start();
    const double dragTotal = run(window, 10000, [&] { return sent == 20; });
    const double dragWorst = probe.stop();

    // The page's own factory reset: the profile file replaced, every panel sent again.
    probe.start();
    QTimer::singleShot(0, [&] { QMetaObject::invokeMethod(view.rootObject(), "resetToFactory"); });
    const double resetTotal = run(window, 100, never);
    const double resetWorst = probe.stop();

    run(window, 1500, never);
    const double cpuBefore = cpuSeconds();
    QEventLoop idle; // waits for events, as the program does
    QTimer::singleShot(idleSeconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double cpu = cpuSeconds() - cpuBefore;

    std::printf("20 DPI changes 30 ms apart: longest GUI stall %.1f ms, all sent after %.0f ms\n",
                dragWorst, dragTotal);
    std::printf("factory reset from the page: longest GUI stall %.1f ms, all sent after %.0f ms\n",
                resetWorst, resetTotal);
    std::printf("idle with the window shown: %.3f s of CPU over %d s (%.2f %% of one core)\n", cpu,
                idleSeconds, 100.0 * cpu / idleSeconds);
    return 0;
}
