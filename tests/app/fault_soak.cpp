// The window against every fault the virtual mouse can inject, each under page commands the
// seed picks, then unplug/plug cycles; after each the mouse must be listened to again.
//   build/tests/fault_soak   SOAK_SEED=n repeats a run, SOAK_CYCLES=n changes the 10
//                            cycles, SOAK_FAMILIES=n tries n families per fault (7: all)
#include "app/configurator_root.h"
#include "app/my_quick_view.h"
#include "app/widget.h"
#include "bench/bench_shell.h"
#include "macros/macro_library.h"
#include "model/button_table.h"
#include "model/dpi_table.h"
#include "model/led_steps.h"
#include "model/macro_rows.h"
#include "store/profile_store.h"
#include "support/stall_probe.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QQuickItem>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>

#include <cstdio>
#include <functional>

namespace {

bool waitUntil(int ms, const std::function<bool()>& done) {
    for (const QDeadlineTimer deadline(ms); !done() && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

int envOr(const char* name, int fallback) {
    return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : fallback;
}

QList<int> ints(const QVariant& value) {
    QList<int> list;
    for (const QVariant& v : value.toList())
        list.append(v.toInt());
    return list;
}

QList<int> bytesOf(const QJsonValue& hex, int count) {
    QList<int> list;
    for (const QString& b : hex.toString().split(' ', Qt::SkipEmptyParts).mid(0, count))
        list.append(b.toInt(nullptr, 16));
    return list;
}

// The image of the macro `name` as its file holds it.
QList<int> macroImage(MacroLibrary& macros, const QString& name) {
    QList<model::MacroRow> rows;
    for (const QString& line : macros.loadMacroIni(name))
        if (const auto row = model::rowFromLine(line))
            rows.append(*row);
    QList<int> image;
    for (uchar b : model::encodeRows(rows, macros.loadMacroRepeat(name)))
        image.append(b);
    return image;
}

// What the mouse holds that the profile says otherwise; empty when the two agree on report
// rate, DPI codes, stage colours, lighting, the key matrix and the macros its buttons play.
QStringList differences(const QString& profilePath, const QJsonObject& mouse,
                        MacroLibrary& macros) {
    QSettings p(profilePath, QSettings::IniFormat);
    QStringList out;
    model::ButtonEntries entries;
    for (int b = 0; b < 16; ++b)
        entries[b] = model::entryFromStored(p.value(QString("keydefine_Q7/%1").arg(b)).toList(), b);
    const QList<int> matrix = model::wireValues(entries);
    if (bytesOf(mouse.value("button_table"), int(matrix.size())) != matrix)
        out << "key matrix";
    const QJsonArray macroSlots = mouse.value("macros").toArray();
    for (int b = 0; b < 16; ++b) {
        const QList<int> e = ints(p.value(QString("keydefine_Q7/%1").arg(b)));
        const QString name = p.value(QString("macro/%1").arg(b)).toString();
        if (e.size() < 4 || e.at(0) != 0x09 || name.isEmpty() || name == "0")
            continue;
        const QList<int> image = macroImage(macros, name);
        if (bytesOf(macroSlots.at(e.at(2) - 1), int(image.size())) != image)
            out << QString("macro slot %1").arg(e.at(2) - 1);
    }
    const int rate = p.value("sensor/reportRate_Q7").toInt();
    if (mouse.value("report_rate").toInt() != rate)
        out << QString("report rate %1, profile %2")
                   .arg(mouse.value("report_rate").toInt())
                   .arg(rate);
    QList<bool> ticked;
    for (int t : ints(p.value("sensor/dpi_Select")))
        ticked.append(t != 0);
    const QList<int> codes = model::dpiStageCodes(ints(p.value("sensor/dpi_Q7")), ticked);
    if (bytesOf(mouse.value("dpi_codes"), 8) != codes)
        out << "DPI codes";
    if (bytesOf(mouse.value("stage_colors"), 18) != ints(p.value("color_Q7/type1")).mid(0, 18))
        out << "stage colours";
    const QList<int> led = ints(p.value("color_Q7/ledEffect"));
    if (led.size() >= 2) {
        const model::LedCommand c = model::ledCommand(led.at(0), led.at(1));
        const QJsonObject held = mouse.value("led_effect").toObject();
        if (held.value("effect").toInt() != c.effect || held.value("option1").toInt() != c.option1)
            out << "lighting";
    }
    return out;
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
    const quint32 seed = quint32(envOr("SOAK_SEED", int(QRandomGenerator::global()->generate())));
    const int cycles = envOr("SOAK_CYCLES", 10);
    std::printf("fault soak: seed %u (SOAK_SEED=%u repeats this run)\n", seed, seed);
    QRandomGenerator random(seed);

    // Profile 1 plays a macro on button 4; profile 2 runs another rate with left and right
    // swapped: a switch changes what the mouse must hold.
    {
        MacroLibrary macros(nullptr, {}, nullptr);
        macros.createMacroIni("Soak", 3);
        macros.saveMacroIni("Soak", {"1,A", "0,50", "2,A", "0,120", "1,B", "2,B"}, {}, 3);
        QSettings p1("modules/setting/p1.bin", QSettings::IniFormat);
        p1.setValue("keydefine_Q7/3", QStringList{"9", "0", "4", "0"});
        p1.setValue("macro/3", "Soak");
        QSettings p2("modules/setting/p2.bin", QSettings::IniFormat);
        const QVariant left = p2.value("keydefine_Q7/0");
        p2.setValue("keydefine_Q7/0", p2.value("keydefine_Q7/1"));
        p2.setValue("keydefine_Q7/1", left);
        p2.setValue("sensor/reportRate_Q7", p1.value("sensor/reportRate_Q7").toInt() == 1 ? 2 : 1);
    }
    MacroLibrary macroFiles(nullptr, {}, nullptr);
    ConfiguratorRoot root;
    Widget& window = root.window();
    myQQuickView& v = *window.view();
    const QVariantList macro{0x04, 0x01, 0x84, 0x01}; // A down, A up
    const QStringList dpiButton{"dpi-button", "3"};
    const std::vector<std::pair<const char*, std::function<void()>>> kFamilies = {
        {"setter", [&] { v.ui_01H_SetReportRate(2); }},
        {"bulk setter", [&] { v.ui_10H_SetLED8StageColor(1, QVariantList(24, 0x40)); }},
        {"table setter", [&] { v.ui_12H_SetKeyMatrix(QVariantList(64, 0)); }},
        {"macro", [&] { v.sendMacroData(macro, 1); }},
        {"getter", [&] { v.ui_80H_GetFWVersion(); }},
        {"bulk getter", [&] { v.ui_91H_GetDPISet(); }},
        {"notification", [&] { mouse.ctl(dpiButton); }}};
    const int families = std::clamp(envOr("SOAK_FAMILIES", 1), 1, int(kFamilies.size()));
    // The discovery debounce, shortened: the cycles take seconds, the code is the same.
    window.pollTimer().setInterval(200);
    QSignalSpy accepted(&window.hid(), &Hid_Thread::runRequested);
    window.showNormal();
    window.checkDevice();
    int failures = 0;
    // Accepted (again, after `acceptancesBefore`) and listening, the link free.
    const auto settle = [&](const QString& round, int acceptancesBefore = -1) {
        if (!waitUntil(20000, [&] {
                return accepted.count() > acceptancesBefore && window.hid().isListening() &&
                       window.hid().isLinkFree();
            }))
            std::printf("FAIL %s: not accepted again\n", qPrintable(round)), ++failures;
        std::fflush(stdout);
    };
    settle("start", 0);
    // After a round the mouse must come to hold the current profile again by itself.
    int matched = 0, checks = 0;
    const auto converged = [&](const QString& round) {
        QStringList left;
        ++checks;
        const QString profilePath = root.profiles().current()->fileName();
        if (waitUntil(15000, [&] {
                left = differences(profilePath, mouse.state(), macroFiles);
                return left.isEmpty() && window.hid().isLinkFree();
            }))
            ++matched;
        else
            std::printf("FAIL %s: the mouse holds other settings than the profile: %s\n",
                        qPrintable(round), qPrintable(left.join(", "))),
                ++failures;
    };
    converged("start");

    StallProbe probe(100);
    probe.start();
    int rounds = 0;
    const QStringList kinds = mouse.state().value("faults").toObject().keys();
    for (const QString& kind : kinds) {
        const int first = int(random.bounded(quint32(kFamilies.size())));
        for (int f = first; f < first + families; ++f) {
            const auto& [name, send] = kFamilies.at(f % kFamilies.size());
            const QString round = QString("round %1: %2 × %3").arg(++rounds).arg(kind, name);
            std::printf("%s\n", qPrintable(round));
            mouse.ctl({"fault", kind});
            send();
            // Waited for with the event loop running: the probe measures the program, not us.
            if (!waitUntil(10000, [&] { return window.hid().isLinkFree(); }))
                std::printf("FAIL %s: the link stayed busy\n", qPrintable(round)), ++failures;
            mouse.ctl({"clear-faults"});
            // A fault that took the mouse away: it is plugged back (plugging a mouse that
            // is there changes nothing) and, whatever the fault did, must be listened to.
            mouse.ctl({"plug"});
            settle(round);
            converged(round);
        }
    }
    for (int i = 1; i <= cycles; ++i) {
        const int before = accepted.count();
        mouse.ctl({"unplug"});
        waitUntil(int(random.bounded(150)), [] { return false; }); // plugged back at random
        mouse.ctl({"plug"});
        settle(QString("cycle %1").arg(i), before);
        converged(QString("cycle %1").arg(i));
    }
    // Unplugged in the middle of a factory reset: the mouse ends with the factory profile.
    for (int i = 1; i <= 3; ++i) {
        const int before = accepted.count();
        QMetaObject::invokeMethod(v.rootObject(), "resetToFactory");
        waitUntil(int(random.bounded(300)), [] { return false; });
        mouse.ctl({"unplug"});
        waitUntil(100, [] { return false; });
        mouse.ctl({"plug"});
        settle(QString("reset %1").arg(i), before);
        converged(QString("reset %1").arg(i));
    }
    // Profile switches with a send refused, then with the mouse unplugged in the middle.
    QObject* page = v.rootObject();
    for (int i = 1; i <= 4; ++i) {
        const QString round = QString("switch %1").arg(i);
        const int before = accepted.count();
        const bool unplugged = i > 2;
        if (!unplugged)
            mouse.ctl({"fault", "send-feature"});
        QMetaObject::invokeMethod(page, "changeProfile", Q_ARG(QVariant, i % 2));
        QMetaObject::invokeMethod(page, "profileClosed");
        if (unplugged) {
            waitUntil(int(random.bounded(300)), [] { return false; });
            mouse.ctl({"unplug"});
            waitUntil(100, [] { return false; });
            mouse.ctl({"plug"});
        } else {
            waitUntil(10000, [&] { return window.hid().isLinkFree(); });
            mouse.ctl({"clear-faults"});
        }
        settle(round, unplugged ? before : -1);
        if (root.profiles().currentIndex() != i % 2)
            std::printf("FAIL %s: profile %d is current\n", qPrintable(round),
                        root.profiles().currentIndex()),
                ++failures;
        converged(round);
    }
    const double worst = probe.stop();
    std::printf("fault soak: %d rounds over %d fault kinds, %d unplug/plug cycles, 3 resets cut "
                "short, 4 profile switches under faults, %lld acceptances; the mouse held the "
                "profile (rate, DPI, colours, lighting, key matrix, macro slots) after %d of %d "
                "checks; longest GUI stall %.1f ms, %d stalls over 100 ms; %s\n",
                rounds, int(kinds.size()), cycles, qlonglong(accepted.count()), matched, checks,
                worst, probe.stallsOverThreshold(), failures == 0 ? "no failures" : "FAILED");
    return failures == 0 ? 0 : 1;
}
