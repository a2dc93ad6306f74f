// Flashing a 64 KiB image on the virtual mouse with the updater's own procedure, in real
// time: wall time per phase (entering the boot loader, erase, program, verify, restart),
// next to the reports and bytes that crossed the link and the pauses the procedure itself
// makes. Prints figures; asserts nothing.
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
    // Added to on the device worker, read on the GUI thread.
    std::atomic<qint64> waited{0};

  private:
    updater::SystemClock real;
};

struct Mark {
    double ms = 0;
    qint64 waitedMs = 0;
    std::size_t records = 0;
};

const char* const kPhases[] = {"enter boot loader", "erase + blank check", "program", "verify",
                               "start, lock, restart"};
constexpr int kPhaseCount = 5;

struct Phase {
    std::vector<double> wall;
    qint64 waited = 0;
    std::size_t reports = 0;
    std::size_t bytes = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::size_t wireBytes(const QJsonObject& record) {
    return std::size_t(record.value("wire").toString().split(' ', Qt::SkipEmptyParts).size());
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
    // The procedure's debug lines would drown the figures.
    qSetMessagePattern(QString());
    QLoggingCategory::setFilterRules("update.debug=false");

    const auto image = updatetest::imageOfPages(128, 0x01, 0x0B);
    std::vector<Phase> phases(kPhaseCount);
    std::vector<double> totals;
    std::size_t pages = 0;

    for (int round = 0; round < rounds; ++round) {
        updatetest::Mouse mouse({"--restart-delay", QString::number(restartDelay)});
        if (!mouse.started()) {
            std::fprintf(stderr, "virtual mouse did not start\n");
            return 1;
        }
        QTemporaryDir dir;
        const QString path = updatetest::writeFile(dir, updatetest::dataBin(image));
        CountingClock clock;
        UpdateFlow flow(clock);
        flow.load(path);
        if (flow.updateState() != UpdateFlow::kNormalSeen) {
            std::fprintf(stderr, "the updater does not see the mouse\n");
            return 1;
        }
        pages = flow.mcuInfo().pageCount;

        QElapsedTimer timer;
        std::vector<Mark> marks;
        const auto mark = [&] {
            marks.push_back({timer.nsecsElapsed() / 1e6, clock.waited, mouse.log().size()});
        };
        QEventLoop done;
        QObject::connect(&flow, &UpdateFlow::statusChanged, [&](const QString& s) {
            if (s == UpdateFlow::statusText(UpdateFlow::kErasing) ||
                s == UpdateFlow::statusText(UpdateFlow::kProgramming) ||
                s == UpdateFlow::statusText(UpdateFlow::kVerifying))
                mark();
            if (s == UpdateFlow::statusText(UpdateFlow::kFail))
                done.exit(1);
        });
        QObject::connect(&flow, &UpdateFlow::progressChanged, [&](int v) {
            if (v == int(3 * pages) && marks.size() == 4)
                mark();
        });
        QObject::connect(&flow, &UpdateFlow::deviceChange, [&](int d) {
            if (d == 0 && flow.updateState() == UpdateFlow::kWaiting && marks.size() == 5) {
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
        const auto records = mouse.log();
        for (int p = 0; p < kPhaseCount; ++p) {
            Phase& phase = phases[p];
            phase.wall.push_back(marks[p + 1].ms - marks[p].ms);
            if (round == 0) {
                phase.waited = marks[p + 1].waitedMs - marks[p].waitedMs;
                for (std::size_t i = marks[p].records; i < marks[p + 1].records; ++i) {
                    ++phase.reports;
                    phase.bytes += wireBytes(records[i]);
                }
            }
        }
        totals.push_back(marks.back().ms - marks.front().ms);
    }

    std::printf("Flashing %zu bytes (%zu pages of 512) on the virtual mouse; device away "
                "%d ms per restart; median of %d rounds\n\n",
                image.size(), pages, restartDelay, rounds);
    std::printf("%-22s %10s %14s %10s %10s %12s\n", "phase", "wall ms", "own pauses ms",
                "device ms", "reports", "bytes");
    std::size_t allReports = 0, allBytes = 0;
    qint64 allWaits = 0;
    for (int p = 0; p < kPhaseCount; ++p) {
        const Phase& phase = phases[p];
        // The device is away once while entering its boot loader and once while restarting.
        const int away = (p == 0 || p == kPhaseCount - 1) ? restartDelay : 0;
        std::printf("%-22s %10.1f %14lld %10d %10zu %12zu\n", kPhases[p], median(phase.wall),
                    static_cast<long long>(phase.waited), away, phase.reports, phase.bytes);
        allReports += phase.reports;
        allBytes += phase.bytes;
        allWaits += phase.waited;
    }
    std::printf("%-22s %10.1f %14lld %10d %10zu %12zu\n", "total", median(totals),
                static_cast<long long>(allWaits), 2 * restartDelay, allReports, allBytes);
    return 0;
}
