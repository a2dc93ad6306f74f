// Flashing a 64 KiB image on the virtual mouse with the updater's own procedure, in real
// time: wall time per phase next to the pauses the procedure itself makes and the reports
// that crossed the link. Prints figures; asserts nothing.
//
//   build/tests/update_bench [rounds] [restart-delay-ms]
#include "update_flow.h"
#include "update_rig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>

using updater::UpdateFlow;

// Real time, with the pauses the procedure asks for added up (on the device worker).
struct CountingClock : updater::Clock {
    void sleep(int ms) override {
        waited += ms;
        real.sleep(ms);
    }
    void singleShot(int ms, QObject* context, std::function<void()> call) override {
        real.singleShot(ms, context, std::move(call));
    }
    updater::SystemClock real;
    std::atomic<qint64> waited{0};
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const QString restartDelay = argc > 2 ? argv[2] : "500";
    if (qEnvironmentVariableIsEmpty("VMOUSE_BIN"))
        qputenv("VMOUSE_BIN", (app.applicationDirPath() + "/../bin/virtual-mouse").toUtf8());
    updatetest::routeSeam();
    QLoggingCategory::setFilterRules("update*=false"); // the figures only
    const char* const phases[] = {"enter boot loader", "erase + blank check", "program",
                                  "verify, start, lock, restart"};
    const int ends[] = {UpdateFlow::kErasing, UpdateFlow::kProgramming, UpdateFlow::kVerifying};
    std::vector<std::vector<double>> wall(5);           // per phase, then the total
    std::vector<std::pair<qint64, std::size_t>> own(4); // pauses and reports, last round

    for (int round = 0; round < rounds; ++round) {
        updatetest::Mouse mouse({"--restart-delay", restartDelay});
        QTemporaryDir dir;
        CountingClock clock;
        UpdateFlow flow(clock);
        flow.load(updatetest::writeFile(
            dir, updatetest::dataBin(updatetest::imageOfPages(128, 0x01, 0x0B))));
        if (!mouse.started() || flow.updateState() != UpdateFlow::kNormalSeen)
            return std::fprintf(stderr, "the updater does not see the virtual mouse\n"), 1;
        QElapsedTimer timer;
        std::vector<std::tuple<double, qint64, std::size_t>> marks;
        const auto mark = [&] {
            marks.emplace_back(timer.nsecsElapsed() / 1e6, clock.waited, mouse.log().size());
        };
        QEventLoop done;
        QObject::connect(&flow, &UpdateFlow::statusChanged, [&](const QString& s) {
            if (std::any_of(std::begin(ends), std::end(ends),
                            [&](int i) { return s == UpdateFlow::statusText(i); }))
                mark();
        });
        // The last phase ends when the mouse is back in normal mode.
        QObject::connect(&flow, &UpdateFlow::deviceChange, [&](int d) {
            if (d == 0 && marks.size() == 4)
                mark(), done.exit(0);
        });
        QTimer::singleShot(60000, &done, [&] { done.exit(1); });
        timer.start();
        mark();
        flow.updateProc();
        if (done.exec() != 0)
            return std::fprintf(stderr, "the update did not finish: %s\n",
                                qPrintable(flow.status())),
                   1;
        for (int p = 0; p < 4; ++p) {
            wall[p].push_back(std::get<0>(marks[p + 1]) - std::get<0>(marks[p]));
            own[p] = {std::get<1>(marks[p + 1]) - std::get<1>(marks[p]),
                      std::get<2>(marks[p + 1]) - std::get<2>(marks[p])};
        }
        wall[4].push_back(std::get<0>(marks.back()));
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("Flashing 64 KiB (128 pages) on the virtual mouse; device away %s ms per "
                "restart; median of %d rounds\n\n%-30s %10s %14s %10s\n",
                qPrintable(restartDelay), rounds, "phase", "wall ms", "own pauses ms", "reports");
    for (int p = 0; p < 4; ++p)
        std::printf("%-30s %10.1f %14lld %10zu\n", phases[p], median(wall[p]),
                    static_cast<long long>(own[p].first), own[p].second);
    std::printf("%-30s %10.1f\n", "total", median(wall[4]));
    return 0;
}
