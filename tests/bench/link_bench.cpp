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

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Milliseconds `run` takes after `before`, median of `rounds`.
double timed(int rounds, const std::function<void()>& run, const std::function<void()>& before) {
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        before();
        QElapsedTimer t;
        t.start();
        run();
        samples.push_back(t.nsecsElapsed() / 1e6);
    }
    return median(samples);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    if (qEnvironmentVariableIsEmpty("VMOUSE_BIN"))
        qputenv("VMOUSE_BIN",
                (QCoreApplication::applicationDirPath() + "/../bin/virtual-mouse").toUtf8());
    devicetest::Rig rig;
    // The waits the program makes, not the tests' short ones.
    rig.hid->setWaits({});
    if (!rig.acceptQuietly()) {
        std::fprintf(stderr, "virtual mouse not accepted\n");
        return 1;
    }
    Hid_Thread& h = *rig.hid;
    static uchar block[512] = {};
    uchar byte = 0;
    constexpr double settle = 128, pause = 8;
    const struct {
        const char* name;
        double mandatedMs;
        std::function<void()> run;
    } cases[] = {
        {"01 report rate (settle)", settle, [&] { h.hid_01H_SetReportRate(2); }},
        {"02 profile (+8 ms)", pause, [&] { h.hid_02H_SetCurrentProfile(0); }},
        {"0B dpi stage (settle)", settle, [&] { h.hid_0BH_SetCurrentDPIStage(2); }},
        {"11 dpi set 8 B (1 report)", 2 * settle + pause, [&] { h.hid_11H_SetDPISet(7, block); }},
        {"13 macro 128 B (4 reports)", 2 * settle + 4 * pause,
         [&] { h.hid_13H_SetMacroKey(1, block); }},
        {"0D key matrix 512 B (16 reports)", 2 * settle + 16 * pause,
         [&] { h.hid_0DH_SetKeyMatrix(block); }},
        {"81 report rate (read)", 0, [&] { h.hid_81H_GetReportRate(byte); }},
        {"93 macro (read, 4 reports)", 0, [&] { h.hid_93H_GetMacroKey(1, block); }},
        {"92 picture (read, 16 reports)", 0, [&] { h.hid_92H_GetUserPicture(1, block); }},
    };
    std::printf("%-40s %10s %10s %10s\n", "command", "wall ms", "mandated", "overhead");
    for (const auto& c : cases) {
        // Setters return at once; the command is done when the worker is idle again.
        const double wall = timed(
            rounds,
            [&] {
                c.run();
                h.waitIdle(30000);
            },
            [] {});
        std::printf("%-40s %10.2f %10.2f %10.2f\n", c.name, wall, c.mandatedMs,
                    wall - c.mandatedMs);
    }
    // From a stopped listener: stopping one takes up to a listener read.
    const double accept = timed(
        rounds, [&] { rig.discover(); }, [&] { h.stopListener(); });
    std::printf("%-40s %10.2f   (median of %d)\n", "discovery start to accepted mouse", accept,
                rounds);
    return 0;
}
