// The configurator's page against the virtual mouse: the longest time the GUI thread goes
// without processing events while the page's factory reset sends every panel, and the CPU
// used while idle with the window shown.   build/tests/gui_stall_bench [idle-seconds]
#include "app/configurator_root.h"
#include "app/my_quick_view.h"
#include "app/widget.h"
#include "bench/bench_shell.h"
#include "support/stall_probe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QQuickItem>
#include <QTimer>

#include <cstdio>
#include <ctime>

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

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int idleSeconds = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    bench::ShellFolder folder;
    if (!folder.ready())
        return 1;
    ConfiguratorRoot root;
    Widget& window = root.window();
    window.showNormal();
    window.checkDevice();
    run(window, 2500, [&] { return window.view()->isEnabled() && window.hid().deviceAccepted(); });
    if (!window.hid().deviceAccepted()) {
        std::fprintf(stderr, "mouse not accepted\n");
        return 1;
    }
    myQQuickView& view = *window.view();
    StallProbe probe;

    // The page's own factory reset: the profile file replaced, every panel sent again.
    probe.start();
    QTimer::singleShot(0, [&] { QMetaObject::invokeMethod(view.rootObject(), "resetToFactory"); });
    const double resetTotal = run(window, 100, [] { return false; });
    const double resetWorst = probe.stop();

    run(window, 1500, [] { return false; });
    const std::clock_t cpuBefore = std::clock(); // all threads
    QEventLoop idle;                             // waits for events, as the program does
    QTimer::singleShot(idleSeconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double cpu = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;

    std::printf("factory reset from the page: longest GUI stall %.1f ms, all sent after %.0f ms\n",
                resetWorst, resetTotal);
    std::printf("idle with the window shown: %.3f s of CPU over %d s (%.2f %% of one core)\n", cpu,
                idleSeconds, 100.0 * cpu / idleSeconds);
    return 0;
}
