// How long the GUI thread goes without processing events while the facade talks to the
// mouse: every setter a page initialisation sends, back to back, 20 DPI changes 30 ms
// apart, as a slider drag makes them, and the main page's factory reset. A zero-interval timer runs
// on every pass of the event loop; the longest gap between two of its ticks is the stall. Prints
// figures; asserts nothing.
//
//   build/tests/gui_stall_bench
#include "bench_shell.h"
#include "my_quick_view.h"
#include "stall_probe.h"
#include "widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QQuickItem>
#include <QTimer>

#include <cstdio>

namespace {

void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Until the link has sent everything it was given, with the event loop running.
void drain(Widget& window) {
    while (!window.hid().isLinkFree())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

QVariantList numbers(int n, int value) {
    return QVariantList(n, value);
}

void pageInit(myQQuickView& view) {
    const QVariantList codes{1, 2, 3, 4, 0x80, 0x80, 0x80, 0x80};
    const QVariantList values{250, 500, 750, 1000, 1250, 1500, 250, 250};
    view.ui_11H_SetDPISelect(QVariantList{1, 1, 1, 1, 0, 0, 0, 0});
    view.ui_11H_SetDPISet(7, codes, values);
    view.ui_10H_SetLED8StageColor(1, numbers(24, 0x40));
    view.ui_10H_SetLED8StageColor(1, numbers(24, 0x40));
    view.ui_0DH_SetRGBLedEffect(2, 3, 2, QVariantList{2, 2, 2});
    view.ui_01H_SetReportRate(1);
    view.ui_12H_SetKeyMatrix(numbers(64, 0));
    view.ui_0EH_SetXYSensitive(100, 100);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    bench::ShellFolder folder;
    if (!folder.ready())
        return 1;

    double initWorst = 0, dragWorst = 0, initTotal = 0, dragTotal = 0;
    double resetWorst = 0, resetTotal = 0;
    {
        Widget window;
        window.showNormal();
        window.checkDevice();
        spin(1500);
        if (!LinkState::instance().deviceAccepted) {
            std::fprintf(stderr, "mouse not accepted\n");
            return 1;
        }
        myQQuickView& view = *window.view();
        StallProbe probe;

        QElapsedTimer total;
        probe.start();
        total.start();
        QTimer::singleShot(0, [&] { pageInit(view); });
        spin(100);
        drain(window);
        initTotal = total.elapsed();
        initWorst = probe.stop();

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
        total.start();
        drag.start();
        while (sent < 20)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        spin(50);
        drain(window);
        dragTotal = total.elapsed();
        dragWorst = probe.stop();

        // The page's own factory reset: the profile file replaced, then every panel
        // initialised with sending.
        spin(1500);
        probe.start();
        total.start();
        QTimer::singleShot(0,
                           [&] { QMetaObject::invokeMethod(view.rootObject(), "resetToFactory"); });
        spin(100);
        drain(window);
        resetTotal = total.elapsed();
        resetWorst = probe.stop();
    }
    std::printf(
        "page initialisation (9 setters): longest GUI stall %.1f ms, all sent after %.0f ms\n",
        initWorst, initTotal);
    std::printf(
        "20 DPI changes 30 ms apart:      longest GUI stall %.1f ms, all sent after %.0f ms\n",
        dragWorst, dragTotal);
    std::printf(
        "factory reset from the page:     longest GUI stall %.1f ms, all sent after %.0f ms\n",
        resetWorst, resetTotal);
    return 0;
}
