// Flashing a 64 KiB image on the virtual mouse with the updater's own procedure, in real
// time: wall time per phase (entering the boot loader, erase, program, verify, restart)
// next to the pauses the procedure itself makes and the reports that crossed the link.
// Prints figures; asserts nothing.
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

namespace {

using updater::UpdateFlow;

// Real time, with the pauses the procedure asks for added up.
class CountingClock : public updater::Clock {
  public:
    void sleep(int ms) override {
        waited += ms;
        real.sleep(ms);
    }
    void singleShot(int ms, QObject* context, std::function<void()> call) override {
        real.singleShot(ms, context, std::move(call));
    }
    std::atomic<qint64> waited{0}; // added to on the device worker

  private:
    updater::SystemClock real;
};

const char* const kPhases[] = {"enter boot loader", "erase + blank check", "program", "verify",
                               "start, lock, restart"};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const int restartDelay = argc > 2 ? std::max(0, atoi(argv[2])) : 500;
    if (qEnvironmentVariableIsEmpty("VMOUSE_BIN"))
        qputenv("VMOUSE_BIN",
                (QCoreApplication::applicationDirPath() + "/../bin/virtual-mouse").toUtf8());
    updatetest::routeSeam();
    // The procedure's own lines would drown the figures.
    QLoggingCategory::setFilterRules("update*=false");

    const auto image = updatetest::imageOfPages(128, 0x01, 0x0B);
    const int pages = 128;
    std::vector<std::vector<double>> wall(6); // per phase, then the total
    qint64 waited[5] = {};
    std::size_t reports[5] = {};

    for (int round = 0; round < rounds; ++round) {
        updatetest::Mouse mouse({"--restart-delay", QString::number(restartDelay)});
        QTemporaryDir dir;
        CountingClock clock;
        UpdateFlow flow(clock);
        flow.load(updatetest::writeFile(dir, updatetest::dataBin(image)));
        if (!mouse.started() || flow.updateState() != UpdateFlow::kNormalSeen) {
            std::fprintf(stderr, "the updater does not see the virtual mouse\n");
            return 1;
        }
        // Marks: start, erasing, programming, verifying, last page verified, mouse back.
        QElapsedTimer timer;
        std::vector<std::tuple<double, qint64, std::size_t>> marks;
        const auto mark = [&] {
            marks.emplace_back(timer.nsecsElapsed() / 1e6, clock.waited, mouse.log().size());
        };
        QEventLoop done;
        QObject::connect(&flow, &UpdateFlow::statusChanged, [&](const QString& s) {
            for (int i : {UpdateFlow::kErasing, UpdateFlow::kProgramming, UpdateFlow::kVerifying})
                if (s == UpdateFlow::statusText(i))
                    mark();
            if (s == UpdateFlow::statusText(UpdateFlow::kFail))
                done.exit(1);
        });
        QObject::connect(&flow, &UpdateFlow::progressChanged, [&](int v) {
            if (v == 3 * pages && marks.size() == 4)
                mark();
        });
        QObject::connect(&flow, &UpdateFlow::deviceChange, [&](int d) {
            if (d == 0 && marks.size() == 5) {
                mark();
                done.exit(0);
            }
        });
        QTimer::singleShot(60000, &done, [&] { done.exit(2); });
        mouse.clearLog();
        timer.start();
        mark();
        flow.updateProc();
        if (done.exec() != 0 || marks.size() != 6) {
            std::fprintf(stderr, "round %d: the update did not finish (%s)\n", round + 1,
                         qPrintable(flow.status()));
            return 1;
        }
        for (int p = 0; p < 5; ++p) {
            wall[p].push_back(std::get<0>(marks[p + 1]) - std::get<0>(marks[p]));
            waited[p] = std::get<1>(marks[p + 1]) - std::get<1>(marks[p]);
            reports[p] = std::get<2>(marks[p + 1]) - std::get<2>(marks[p]);
        }
        wall[5].push_back(std::get<0>(marks.back()));
    }

    std::printf("Flashing %zu bytes (%d pages) on the virtual mouse; device away %d ms per "
                "restart; median of %d rounds\n\n%-22s %10s %14s %10s\n",
                image.size(), pages, restartDelay, rounds, "phase", "wall ms", "own pauses ms",
                "reports");
    for (int p = 0; p < 5; ++p)
        std::printf("%-22s %10.1f %14lld %10zu\n", kPhases[p], median(wall[p]),
                    static_cast<long long>(waited[p]), reports[p]);
    std::printf("%-22s %10.1f\n", "total", median(wall[5]));
    return 0;
}
