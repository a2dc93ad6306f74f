// Flashing a 64 KiB image on the virtual mouse with the updater's own procedure, in real
// time: wall time per phase and in all. Prints figures; asserts nothing.
//
//   build/tests/update_bench [rounds] [restart-delay-ms]
#include "update/update_flow.h"
#include "update/update_rig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using updater::UpdateFlow;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const QString restartDelay = argc > 2 ? argv[2] : "500";
    if (qEnvironmentVariableIsEmpty("VMOUSE_BIN"))
        qputenv("VMOUSE_BIN", (app.applicationDirPath() + "/../bin/virtual-mouse").toUtf8());
    updatetest::routeSeam();
    QLoggingCategory::setFilterRules("update*=false"); // the figures only
    // Each phase ends where the next status shows; the last when the mouse is back.
    const char* const phases[] = {"enter boot loader", "erase + blank check", "program",
                                  "verify, start, lock, restart", "total"};
    const QStringList ends = {UpdateFlow::statusText(UpdateFlow::kErasing),
                              UpdateFlow::statusText(UpdateFlow::kProgramming),
                              UpdateFlow::statusText(UpdateFlow::kVerifying)};
    std::vector<std::vector<double>> wall(5);
    for (int round = 0; round < rounds; ++round) {
        updatetest::Mouse mouse({"--restart-delay", restartDelay});
        QTemporaryDir dir;
        updater::SystemClock clock;
        UpdateFlow flow(clock);
        flow.load(updatetest::writeFile(
            dir, updatetest::dataBin(updatetest::imageOfPages(128, 0x01, 0x0B))));
        if (!mouse.started() || flow.updateState() != UpdateFlow::kNormalSeen)
            return std::fprintf(stderr, "the updater does not see the virtual mouse\n"), 1;
        QElapsedTimer timer;
        std::vector<double> marks{0};
        const auto mark = [&] { marks.push_back(timer.nsecsElapsed() / 1e6); };
        QEventLoop done;
        QObject::connect(&flow, &UpdateFlow::statusChanged, [&](const QString& s) {
            if (ends.contains(s))
                mark();
        });
        QObject::connect(&flow, &UpdateFlow::deviceChange, [&](int d) {
            if (d == 0 && marks.size() == 4)
                mark(), done.exit(0);
        });
        QTimer::singleShot(60000, &done, [&] { done.exit(1); });
        timer.start();
        flow.updateProc();
        if (done.exec() != 0)
            return std::fprintf(stderr, "no update: %s\n", qPrintable(flow.status())), 1;
        for (int p = 0; p < 4; ++p)
            wall[p].push_back(marks[p + 1] - marks[p]);
        wall[4].push_back(marks.back());
    }
    std::printf("Flashing 64 KiB (128 pages) on the virtual mouse; device away %s ms per "
                "restart; median of %d rounds, ms\n\n",
                qPrintable(restartDelay), rounds);
    for (int p = 0; p < 5; ++p) {
        std::sort(wall[p].begin(), wall[p].end());
        std::printf("%-30s %10.1f\n", phases[p], wall[p][wall[p].size() / 2]);
    }
    return 0;
}
