// Wall time per command against the virtual mouse next to the time the protocol itself
// makes the host wait, and from the start of discovery to an accepted mouse. Prints
// figures; asserts nothing.   build/tests/link_bench [rounds]
#include "device/device_fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    if (qEnvironmentVariableIsEmpty("VMOUSE_BIN"))
        qputenv("VMOUSE_BIN", (app.applicationDirPath() + "/../bin/virtual-mouse").toUtf8());
    devicetest::Rig rig;
    rig.hid->setWaits({}); // the program's waits, not the tests' short ones
    if (!rig.acceptQuietly())
        return std::fprintf(stderr, "virtual mouse not accepted\n"), 1;
    Hid_Thread& h = *rig.hid;
    static uchar block[512] = {};
    // Median milliseconds of `run`, each round after `before`.
    const auto median = [&](const std::function<void()>& run, const std::function<void()>& before) {
        std::vector<double> ms;
        for (int i = 0; i < rounds; ++i) {
            before();
            QElapsedTimer t;
            t.start();
            run();
            h.waitIdle(30000); // setters return at once; done when the worker is idle
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    };
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"01 report rate: settle 128 ms", [&] { h.hid_01H_SetReportRate(2); }},
        {"13 macro, 4 reports: 288 ms", [&] { h.hid_13H_SetMacroKey(1, block); }},
        {"0D key matrix, 16 reports: 384 ms", [&] { h.hid_0DH_SetKeyMatrix(block); }},
        {"92 picture (read, 16 reports)", [&] { h.hid_92H_GetUserPicture(1, block); }},
        {"discovery to an accepted mouse", [&] { rig.hid->discoverNow(); }},
    };
    std::printf("%-40s %10s\n", "command: mandated wait", "wall ms");
    for (const auto& [name, run] : cases)
        // Discovery starts from a stopped listener: stopping one takes up to a read.
        std::printf("%-40s %10.2f\n", name, median(run, [&] { h.stopListener(); }));
    return 0;
}
