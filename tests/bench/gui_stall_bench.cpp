// The configurator's page against the virtual mouse: how long the GUI thread goes without
// processing events, and the CPU it uses, in situations a user runs into. Each scenario
// builds the whole program afresh in this process; run one scenario per process so that
// none disturbs the next. Prints figures; asserts nothing.
//
//   build/tests/gui_stall_bench [idle-seconds]        factory reset, then idle CPU
//   build/tests/gui_stall_bench SCENARIO [seconds]
//
//   reset-idle      the page's factory reset, then the CPU while idle (the default)
//   rediscovery     20 DPI changes queued, one failed listener read, then discovery
//                   asked for at once (the window's checkDevice) while the queue is full
//   update          the help menu's "update" on an idle link, until the updater runs
//   update-queued   the same behind 20 queued DPI changes
//   quit            20 DPI changes queued, then the tray's Quit and the root torn down
//                   as main() does: when the window is hidden and when the root is gone
//   recording       the macro editor open, the CPU without and with a recording running
//                   while nothing is typed (`seconds` each, 10 by default)
#include "app/configurator_root.h"
#include "app/desktop_prompts.h"
#include "app/my_quick_view.h"
#include "app/widget.h"
#include "bench/bench_shell.h"
#include "model/dpi_table.h"
#include "store/user_prompts.h"
#include "support/stall_probe.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QQuickItem>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>

// Last: its macros (None, Bool, Status) would clash with what follows it.
#include <X11/Xlib.h>

namespace {

constexpr int kQueuedChanges = 20;

// Runs the event loop until `done` or for `ms`, and then until the link has sent all.
template <typename Done> double run(Widget& window, int ms, Done done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    while (!window.hid().isLinkFree())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return double(t.elapsed());
}

// The user's answers: every question confirmed, no file chosen; warnings are kept (and
// printed) instead of stopping the bench in a modal box.
class BenchPrompts : public UserPrompts {
  public:
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    void warning(const QString& title, const QString& text) override {
        warnings << title + ": " + text;
        std::fprintf(stderr, "warning shown: %s: %s\n", qPrintable(title), qPrintable(text));
    }
    bool confirm(const QString&, const QString&) override { return true; }
    QStringList warnings;
};

// What a fast drag of the first DPI slider sends: the whole table, once per new value.
void queueDpiChanges(myQQuickView& view, int count) {
    for (int i = 0; i < count; ++i) {
        const int first = model::kDpiValues[std::size_t(i) % model::kDpiValues.size()];
        const QList<int> values{first, 1000, 1500, 2000, 3000, 4000, 250, 250};
        const QList<int> codes =
            model::dpiStageCodes(values, {true, true, true, true, false, false});
        QVariantList codeList, valueList;
        for (int c : codes)
            codeList << c;
        for (int v : values)
            valueList << v;
        view.ui_11H_SetDPISet(7, codeList, valueList);
    }
}

double msSince(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from)
        .count();
}

// Watches, on a thread of its own, for processes running `exe` that were not there when
// it started; the first one's arrival time is kept. They are ended by kill().
class ProcessWatch {
  public:
    explicit ProcessWatch(const QString& exe)
        : exe_(QFileInfo(exe).canonicalFilePath().toStdString()) {
        baseline_ = scan();
        thread_ = std::thread([this] {
            while (!stop_) {
                std::set<pid_t> found = scan();
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    for (pid_t pid : found)
                        if (!baseline_.count(pid) && started_.insert(pid).second && seenAt_ < 0)
                            seenAt_ = msSince(origin_);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~ProcessWatch() {
        stop_ = true;
        thread_.join();
        kill();
    }
    void resetClock() { origin_ = std::chrono::steady_clock::now(); }
    // Milliseconds from resetClock() to the first new process; negative: none yet.
    double seenAt() {
        std::lock_guard<std::mutex> lock(mutex_);
        return seenAt_;
    }
    void kill() {
        std::set<pid_t> pids;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            pids = started_;
        }
        for (pid_t pid : pids)
            ::kill(pid, SIGTERM);
        for (int i = 0; i < 50 && !pids.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::erase_if(pids, [](pid_t pid) { return ::kill(pid, 0) != 0; });
        }
        for (pid_t pid : pids)
            ::kill(pid, SIGKILL);
    }

  private:
    std::set<pid_t> scan() const {
        std::set<pid_t> found;
        if (exe_.empty())
            return found;
        DIR* proc = opendir("/proc");
        if (!proc)
            return found;
        char link[4096];
        while (dirent* entry = readdir(proc)) {
            const pid_t pid = pid_t(atoi(entry->d_name));
            if (pid <= 0)
                continue;
            const std::string path = "/proc/" + std::string(entry->d_name) + "/exe";
            const ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
            if (n > 0 && std::string(link, std::size_t(n)) == exe_)
                found.insert(pid);
        }
        closedir(proc);
        return found;
    }

    std::string exe_;
    std::set<pid_t> baseline_;
    std::set<pid_t> started_;
    std::mutex mutex_;
    double seenAt_ = -1;
    std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Whether the X server shows a window, asked over a connection of its own every
// millisecond: the time from start() until the window is no longer viewable (unmapped or
// destroyed).
class XServerVisibility {
  public:
    explicit XServerVisibility(unsigned long window) : window_(window) {}
    ~XServerVisibility() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    // False when there is no X display to ask (another platform plugin, for instance).
    bool start() {
        display_ = XOpenDisplay(nullptr);
        if (!display_)
            return false;
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; }); // a destroyed window
        shownAtStart_ = viewable();
        origin_ = std::chrono::steady_clock::now();
        thread_ = std::thread([this] {
            while (!stop_ && hiddenAt_ < 0) {
                if (!viewable())
                    hiddenAt_ = msSince(origin_);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            XCloseDisplay(display_);
        });
        return true;
    }
    bool shownAtStart() const { return shownAtStart_; }
    double hiddenAt() const { return hiddenAt_; }

  private:
    bool viewable() {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display_, window_, &attributes) != 0 &&
               attributes.map_state == IsViewable;
    }
    unsigned long window_;
    Display* display_ = nullptr;
    bool shownAtStart_ = false;
    std::atomic<double> hiddenAt_{-1};
    std::atomic<bool> stop_{false};
    std::chrono::steady_clock::time_point origin_;
    std::thread thread_;
};

// The time the watched widget is first hidden, as the program sees it.
class HideWatch : public QObject {
  public:
    explicit HideWatch(QElapsedTimer& clock) : clock_(clock) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && hiddenAt < 0)
            hiddenAt = clock_.nsecsElapsed() / 1e6;
        return QObject::eventFilter(watched, event);
    }
    double hiddenAt = -1;

  private:
    QElapsedTimer& clock_;
};

double cpuOver(int seconds) {
    const std::clock_t before = std::clock(); // all threads
    QEventLoop idle;                          // waits for events, as the program does
    QTimer::singleShot(seconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    return double(std::clock() - before) / CLOCKS_PER_SEC;
}

// A page function with no argument or one.
QVariant callPage(QObject* object, const char* function, const QVariant& arg = {}) {
    QVariant result;
    if (arg.isValid())
        QMetaObject::invokeMethod(object, function, Q_RETURN_ARG(QVariant, result),
                                  Q_ARG(QVariant, arg));
    else
        QMetaObject::invokeMethod(object, function, Q_RETURN_ARG(QVariant, result));
    return result;
}

// ------------------------------------------------------------------- scenarios

int resetIdle(Widget& window, int idleSeconds) {
    myQQuickView& view = *window.view();
    StallProbe probe;
    // The page's own factory reset: the profile file replaced, every panel sent again.
    probe.start();
    QTimer::singleShot(0, [&] { QMetaObject::invokeMethod(view.rootObject(), "resetToFactory"); });
    const double resetTotal = run(window, 100, [] { return false; });
    const double resetWorst = probe.stop();

    run(window, 1500, [] { return false; });
    const double cpu = cpuOver(idleSeconds);

    std::printf("factory reset from the page: longest GUI stall %.1f ms, all sent after %.0f ms\n",
                resetWorst, resetTotal);
    std::printf("idle with the window shown: %.3f s of CPU over %d s (%.2f %% of one core)\n", cpu,
                idleSeconds, 100.0 * cpu / idleSeconds);
    return 0;
}

int rediscovery(Widget& window, testsupport::VirtualMouse& mouse) {
    myQQuickView& view = *window.view();
    // The next notification read fails once; the mouse itself never leaves.
    if (mouse.ctl({"fault", "read", "1"}) != 0)
        std::fprintf(stderr, "the read fault was not set\n");
    QElapsedTimer t;
    double acceptedAt = -1;
    QObject::connect(&window.hid(), &Hid_Thread::runRequested, [&] {
        if (acceptedAt < 0)
            acceptedAt = t.nsecsElapsed() / 1e6;
    });
    StallProbe probe;
    probe.start();
    t.start();
    queueDpiChanges(view, kQueuedChanges);
    window.checkDevice();
    // Until the mouse is accepted again and the pages' sync after it has gone through:
    // the link free for 200 ms, at least 500 ms after acceptance.
    double lastBusy = t.nsecsElapsed() / 1e6;
    while (t.elapsed() < 60000) {
        const double now = t.nsecsElapsed() / 1e6;
        if (!window.hid().isLinkFree())
            lastBusy = now;
        else if (acceptedAt >= 0 && now - acceptedAt >= 500 && now - lastBusy >= 200)
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double worst = probe.stop();
    if (acceptedAt < 0) {
        std::printf("rediscovery behind %d queued DPI changes: mouse not accepted again within "
                    "60 s; longest GUI stall %.1f ms\n",
                    kQueuedChanges, worst);
        return 1;
    }
    std::printf("rediscovery behind %d queued DPI changes: longest GUI stall %.1f ms, accepted "
                "again after %.0f ms, link free after %.0f ms\n",
                kQueuedChanges, worst, acceptedAt, lastBusy);
    return 0;
}

int update(Widget& window, const QString& updater, BenchPrompts& prompts, bool queued) {
    myQQuickView& view = *window.view();
    if (!QFileInfo(updater).isExecutable())
        std::fprintf(stderr, "no updater at %s\n", qPrintable(updater));
    ProcessWatch watch(updater);
    const qsizetype warnings = prompts.warnings.size();
    StallProbe probe;
    QElapsedTimer t;
    probe.start();
    t.start();
    watch.resetClock();
    if (queued)
        queueDpiChanges(view, kQueuedChanges);
    view.openUpdateExe();
    // Until the updater runs, or the attempt ended with a warning.
    while (watch.seenAt() < 0 && prompts.warnings.size() == warnings && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double worst = probe.stop();
    const double total = t.nsecsElapsed() / 1e6;
    const double startedAt = watch.seenAt();
    watch.kill();
    const QString what = queued ? QStringLiteral("behind %1 queued DPI changes").arg(kQueuedChanges)
                                : QStringLiteral("on an idle link");
    if (startedAt >= 0) {
        std::printf("updater hand-over %s: longest GUI stall %.1f ms, updater running after "
                    "%.0f ms\n",
                    qPrintable(what), worst, startedAt);
        return 0;
    }
    std::printf("updater hand-over %s: no updater started; longest GUI stall %.1f ms until the "
                "attempt ended after %.0f ms (%s)\n",
                qPrintable(what), worst, total,
                prompts.warnings.size() > warnings ? qPrintable(prompts.warnings.last())
                                                   : "no warning either");
    return 1;
}

int quit(QApplication& app, std::unique_ptr<ConfiguratorRoot>& root) {
    Widget& window = root->window();
    myQQuickView& view = *window.view();
    QElapsedTimer t;
    HideWatch hide(t);
    window.installEventFilter(&hide);
    XServerVisibility server(window.winId());
    StallProbe probe;
    bool serverWatched = false;
    QTimer::singleShot(0, [&] {
        queueDpiChanges(view, kQueuedChanges);
        serverWatched = server.start();
        probe.start();
        t.start();
        window.exitSYS();
    });
    app.exec();
    const double loopLeftAt = t.nsecsElapsed() / 1e6;
    const double worst = probe.stop();
    const bool shownWhenLoopLeft = window.isVisible();
    root.reset(); // as main() does once the event loop has returned
    const double rootGoneAt = t.nsecsElapsed() / 1e6;

    const auto when = [](double ms) {
        return ms < 0 ? QStringLiteral("never") : QStringLiteral("%1 ms").arg(ms, 0, 'f', 0);
    };
    const QString serverSide = !serverWatched           ? QStringLiteral("not watched")
                               : !server.shownAtStart() ? QStringLiteral("not shown at the call")
                                                        : when(server.hiddenAt());
    std::printf("quit behind %d queued DPI changes: event loop left after %.0f ms (longest GUI "
                "stall %.1f ms, window %s then), window hidden after %s (program) / %s (X "
                "server), root destroyed after %.0f ms\n",
                kQueuedChanges, loopLeftAt, worst, shownWhenLoopLeft ? "still shown" : "hidden",
                qPrintable(when(hide.hiddenAt)), qPrintable(serverSide), rootGoneAt);
    return 0;
}

int recording(Widget& window, int seconds) {
    myQQuickView& view = *window.view();
    QObject* page = view.rootObject();
    QObject* editor = page->property("macroEditor").value<QObject*>();
    if (!editor) {
        std::fprintf(stderr, "no macro editor on the page\n");
        return 1;
    }
    callPage(page, "showOverlay", QVariant::fromValue(editor));
    QObject* macros = editor->property("macroList").value<QObject*>();
    if (macros && macros->property("count").toInt() > 0)
        callPage(editor, "selectMacro", 0);
    else
        callPage(editor, "newMacro");
    run(window, 1000, [] { return false; });
    if (editor->property("selectedMacro").toInt() < 0 || !editor->property("visible").toBool()) {
        std::fprintf(stderr, "no macro selected in a shown editor\n");
        return 1;
    }
    const double open = cpuOver(seconds);
    callPage(editor, "toggleRecord");
    if (!editor->property("recording").toBool()) {
        std::fprintf(stderr, "the recording did not start\n");
        return 1;
    }
    const double recording = cpuOver(seconds);
    callPage(editor, "toggleRecord");
    run(window, 500, [] { return false; });
    std::printf("macro editor open, not recording: %.3f s of CPU over %d s (%.2f %% of one core)\n",
                open, seconds, 100.0 * open / seconds);
    std::printf("macro editor recording, nothing typed: %.3f s of CPU over %d s (%.2f %% of one "
                "core)\n",
                recording, seconds, 100.0 * recording / seconds);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QString scenario = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("reset-idle");
    int seconds = argc > 2 ? std::max(1, atoi(argv[2])) : 0;
    bool number = false;
    if (const int n = scenario.toInt(&number); number) { // the old form: idle seconds alone
        scenario = QStringLiteral("reset-idle");
        seconds = std::max(1, n);
    }
    const QStringList scenarios{"reset-idle",    "rediscovery", "update",
                                "update-queued", "quit",        "recording"};
    if (!scenarios.contains(scenario)) {
        std::fprintf(stderr, "usage: gui_stall_bench [%s] [seconds]\n",
                     qPrintable(scenarios.join('|')));
        return 2;
    }

    // The updater lies in the staged program folder's update/, as it is shipped.
    const QString programFolder =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../dist"));
    const QString updater = programFolder + QStringLiteral("/update/update");

    bench::ShellFolder folder;
    if (!folder.ready())
        return 1;
    BenchPrompts prompts;
    auto root = std::make_unique<ConfiguratorRoot>(QStringLiteral("./modules"), programFolder);
    root->prompts().setDialogStandIn(&prompts);
    Widget& window = root->window();
    window.showNormal();
    window.checkDevice();
    run(window, 2500, [&] { return window.view()->isEnabled() && window.hid().deviceAccepted(); });
    if (!window.hid().deviceAccepted()) {
        std::fprintf(stderr, "mouse not accepted\n");
        return 1;
    }

    if (scenario == "reset-idle")
        return resetIdle(window, seconds > 0 ? seconds : 20);
    // The pages' sync after acceptance has gone through.
    run(window, 1500, [] { return false; });
    if (scenario == "rediscovery")
        return rediscovery(window, *folder.mouse);
    if (scenario == "update" || scenario == "update-queued")
        return update(window, updater, prompts, scenario == "update-queued");
    if (scenario == "quit")
        return quit(app, root);
    return recording(window, seconds > 0 ? seconds : 10);
}
