// The configurator's window against a misbehaving mouse: every fault the virtual mouse can
// inject, each under a family of the commands the pages send (chosen by the seed), then
// random unplug/plug cycles. After each round the mouse must be accepted and listened to
// again, with the link free; the program must neither crash nor hang. The GUI thread's
// longest stall is reported as a figure.
//
//   build/tests/fault_soak   SOAK_SEED=n repeats a run, SOAK_CYCLES=n changes the 10
//                            cycles, SOAK_FAMILIES=n tries n families per fault (7: all),
//                            SOAK_VERBOSE=1 prints each round's longest stall
#include "bench_shell.h"
#include "my_quick_view.h"
#include "stall_probe.h"
#include "widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

bool waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

int envOr(const char* name, int fallback) {
    return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : fallback;
}

struct Family {
    const char* name;
    std::function<void(myQQuickView&, testsupport::VirtualMouse&)> send;
};

std::vector<Family> families() {
    return {{"setter", [](myQQuickView& v, auto&) { v.ui_01H_SetReportRate(2); }},
            {"bulk setter",
             [](myQQuickView& v, auto&) { v.ui_10H_SetLED8StageColor(1, QVariantList(24, 0x40)); }},
            {"table setter",
             [](myQQuickView& v, auto&) { v.ui_12H_SetKeyMatrix(QVariantList(64, 0)); }},
            {"macro",
             [](myQQuickView& v, auto&) {
                 v.sendMacroData(QVariantList{0x04, 0x01, 0x84, 0x01}, 1);
             }},
            {"getter", [](myQQuickView& v, auto&) { v.ui_80H_GetFWVersion(); }},
            {"bulk getter", [](myQQuickView& v, auto&) { v.ui_91H_GetDPISet(); }},
            {"notification", [](myQQuickView&, testsupport::VirtualMouse& m) {
                 m.ctl({"dpi-button", "3"});
             }}};
}

QStringList faultKinds(testsupport::VirtualMouse& mouse) {
    QString json;
    mouse.ctl({"state"}, &json);
    return QJsonDocument::fromJson(json.toUtf8()).object().value("faults").toObject().keys();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    bench::ShellFolder folder;
    if (!folder.ready())
        return 1;
    testsupport::VirtualMouse& mouse = *folder.mouse;

    const quint32 seed = qEnvironmentVariableIsSet("SOAK_SEED")
                             ? quint32(qEnvironmentVariableIntValue("SOAK_SEED"))
                             : QRandomGenerator::global()->generate();
    const int cycles = envOr("SOAK_CYCLES", 10);
    const std::vector<Family> all = families();
    const int familiesPerFault = std::clamp(envOr("SOAK_FAMILIES", 1), 1, int(all.size()));
    std::printf("fault soak: seed %u (SOAK_SEED=%u repeats this run)\n", seed, seed);
    QRandomGenerator random(seed);

    Widget window;
    // Discovery follows a device change after this long; shortened so that the cycles
    // take seconds, the debounce itself is the same code.
    window.pollTimer().setInterval(200);
    QSignalSpy accepted(&window.hid(), &Hid_Thread::runRequested);
    window.showNormal();
    window.checkDevice();

    int failures = 0;
    const auto fail = [&failures](const QString& what) {
        ++failures;
        std::printf("FAIL %s\n", qPrintable(what));
        std::fflush(stdout);
    };
    // Accepted (again, when `acceptancesBefore` is given) and listening, the link free.
    const auto settled = [&](int acceptancesBefore = -1) {
        return waitUntil(
            [&] {
                return accepted.count() > acceptancesBefore && window.hid().isListening() &&
                       window.hid().isLinkFree();
            },
            20000);
    };
    if (!settled(0)) {
        std::printf("FAIL the mouse was never accepted\n");
        return 1;
    }

    StallProbe probe(100);
    StallProbe roundProbe;
    const bool verbose = qEnvironmentVariableIsSet("SOAK_VERBOSE");
    probe.start();
    int rounds = 0;
    const QStringList kinds = faultKinds(mouse);
    for (const QString& kind : kinds) {
        const int first = int(random.bounded(quint32(all.size())));
        for (int f = 0; f < familiesPerFault; ++f) {
            const Family& family = all.at((first + f) % all.size());
            const QString round = QString("%1 × %2").arg(kind, family.name);
            std::printf("round %d: %s\n", ++rounds, qPrintable(round));
            std::fflush(stdout);
            roundProbe.start();
            mouse.ctl({"fault", kind});
            family.send(*window.view(), mouse);
            // Waited for with the event loop running: the probe measures the program, not us.
            if (!waitUntil([&] { return window.hid().isLinkFree(); }, 10000))
                fail(round + ": the link stayed busy");
            mouse.ctl({"clear-faults"});
            // A fault that took the mouse away: it is plugged back (plugging a mouse that
            // is there changes nothing) and, whatever the fault did, must be listened to.
            mouse.ctl({"plug"});
            if (!settled())
                fail(round + ": not accepted again");
            if (const double ms = roundProbe.stop(); verbose)
                std::printf("%s: longest stall %.1f ms\n", qPrintable(round), ms);
        }
    }

    for (int i = 0; i < cycles; ++i) {
        const int before = accepted.count();
        roundProbe.start();
        mouse.ctl({"unplug"});
        waitUntil([] { return false; }, int(random.bounded(150))); // plugged back at random
        mouse.ctl({"plug"});
        if (!settled(before))
            fail(QString("cycle %1: not accepted again").arg(i + 1));
        if (const double ms = roundProbe.stop(); verbose)
            std::printf("cycle %d: longest stall %.1f ms\n", i + 1, ms);
    }
    const double worst = probe.stop();
    std::printf("fault soak: %d rounds over %d fault kinds, %d unplug/plug cycles, %lld "
                "acceptances\n",
                rounds, int(kinds.size()), cycles, static_cast<long long>(accepted.count()));
    std::printf("fault soak: longest GUI stall %.1f ms, %d stalls over 100 ms\n", worst,
                probe.stallsOverThreshold());
    std::printf("fault soak: %s\n", failures == 0 ? "no failures" : "FAILED");
    return failures == 0 ? 0 : 1;
}
