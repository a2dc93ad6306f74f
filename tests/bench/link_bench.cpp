// Wall time per command against the virtual mouse, next to the time the protocol itself
// makes the host wait (settle waits, 8 ms per bulk report, the 8 ms pauses), and the time
// from the start of discovery to an accepted mouse. Prints figures; asserts nothing.
//
//   build/tests/link_bench [rounds]
#include "device_fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>

namespace {

struct Case {
    const char* name;
    double mandatedMs;
    std::function<void(Hid_Thread&)> run;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    if (qEnvironmentVariableIsEmpty("VMOUSE_BIN"))
        qputenv("VMOUSE_BIN",
                (QCoreApplication::applicationDirPath() + "/../bin/virtual-mouse").toUtf8());

    std::vector<double> acceptMs;
    for (int i = 0; i < rounds; ++i) {
        devicetest::Rig rig;
        if (!rig.mouse.started()) {
            std::fprintf(stderr, "virtual mouse did not start\n");
            return 1;
        }
        QElapsedTimer t;
        t.start();
        rig.discover();
        acceptMs.push_back(t.nsecsElapsed() / 1e6);
        if (rig.runs->count() != 1) {
            std::fprintf(stderr, "mouse not accepted\n");
            return 1;
        }
    }

    devicetest::Rig rig;
    rig.discover();
    rig.hid->stopListener();
    static uchar block[512] = {};
    constexpr double settle = 128, pause = 8;
    const std::vector<Case> cases = {
        {"01 report rate (settle)", settle, [](Hid_Thread& h) { h.hid_01H_SetReportRate(2); }},
        {"02 profile (+8 ms)", pause, [](Hid_Thread& h) { h.hid_02H_SetCurrentProfile(0); }},
        {"03 function option (settle)", settle,
         [](Hid_Thread& h) { h.hid_03H_SetFunctionOption(0, 1, 0, 0); }},
        {"0B dpi stage (settle)", settle, [](Hid_Thread& h) { h.hid_0BH_SetCurrentDPIStage(2); }},
        {"0E xy (settle)", settle, [](Hid_Thread& h) { h.hid_0EH_SetXYSensitive(20, 20); }},
        {"10 colours 24 B (1 report)", 2 * settle + pause,
         [](Hid_Thread& h) { h.hid_10H_SetLED8StageColor(1, block); }},
        {"11 dpi set 8 B (1 report)", 2 * settle + pause,
         [](Hid_Thread& h) { h.hid_11H_SetDPISet(7, block); }},
        {"12 buttons 64 B (2 reports)", 2 * settle + 2 * pause,
         [](Hid_Thread& h) { h.hid_12H_SetKeyMatrix(block, 1); }},
        {"13 macro 128 B (4 reports)", 2 * settle + 4 * pause,
         [](Hid_Thread& h) { h.hid_13H_SetMacroKey(1, block); }},
        {"0D key matrix 512 B (16 reports)", 2 * settle + 16 * pause,
         [](Hid_Thread& h) { h.hid_0DH_SetKeyMatrix(block); }},
        {"14 colour (+8 ms)", pause, [](Hid_Thread& h) { h.hid_14H_SetColor(0, 1, 2, 3); }},
        {"81 report rate (read)", 0,
         [](Hid_Thread& h) {
             uchar r = 0;
             h.hid_81H_GetReportRate(r);
         }},
        {"91 dpi set (read, 1 report)", 0,
         [](Hid_Thread& h) {
             uchar m = 0;
             h.hid_91H_GetDPISet(m, block);
         }},
        {"93 macro (read, 4 reports)", 0, [](Hid_Thread& h) { h.hid_93H_GetMacroKey(1, block); }},
        {"92 picture (read, 16 reports)", 0,
         [](Hid_Thread& h) { h.hid_92H_GetUserPicture(1, block); }},
    };

    std::printf("%-44s %10s %10s %10s %8s\n", "command", "wall ms", "mandated", "overhead",
                "ratio");
    for (const Case& c : cases) {
        std::vector<double> samples;
        for (int i = 0; i < rounds; ++i) {
            QElapsedTimer t;
            t.start();
            c.run(*rig.hid);
            // Setters return at once; the command is done when the worker is idle again.
            rig.hid->waitIdle(30000);
            samples.push_back(t.nsecsElapsed() / 1e6);
        }
        const double wall = median(samples);
        const double over = wall - c.mandatedMs;
        if (c.mandatedMs > 0)
            std::printf("%-44s %10.2f %10.2f %10.2f %7.3f\n", c.name, wall, c.mandatedMs, over,
                        wall / c.mandatedMs);
        else
            std::printf("%-44s %10.2f %10s %10.2f %8s\n", c.name, wall, "-", over, "-");
    }
    std::printf("%-44s %10.2f   (median of %d)\n", "discovery start to accepted mouse",
                median(acceptMs), rounds);
    return 0;
}
