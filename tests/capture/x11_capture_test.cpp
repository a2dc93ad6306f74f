// The X11 keystroke capture end to end: keys and clicks are injected into the X server
// with XTest, recorded by KeyCapture on its own connections and must reach the callbacks
// as the right key codes, from the event loop.
//
// The cases run on an Xvfb of their own when there is one, so that tests running beside
// them on the shared display cannot slip input in; otherwise on DISPLAY.
//
// Every case ends with a marker key (F9) and waits until the marker's release arrives.
// The server records events in the order they happen, so everything injected before the
// marker has been reported by then; the log can be compared as a whole.
#include "key_capture.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <functional>
#include <linux/input-event-codes.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/record.h>

namespace {

constexpr int kWaitMs = 20000;
constexpr unsigned kMarker = KEY_F9; // reports 0x42
constexpr int kMarkerCode = 0x42;

QStringList capturedDebug;

// An Xvfb on a display number it picks itself.
class PrivateXvfb {
  public:
    ~PrivateXvfb() { stop(); }

    bool start(const QStringList& extraArgs = {}) {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return false;
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(xvfb, QStringList{"-displayfd", "1", "-nolisten", "tcp", "-screen", "0",
                                        "1024x768x24"} +
                                extraArgs);
        if (!process.waitForStarted(kWaitMs))
            return false;
        QByteArray out;
        QDeadlineTimer deadline(kWaitMs);
        while (!out.contains('\n') && !deadline.hasExpired() &&
               process.state() == QProcess::Running) {
            process.waitForReadyRead(100);
            out += process.readAllStandardOutput();
        }
        if (!out.contains('\n')) {
            stop();
            return false;
        }
        display = ":" + out.trimmed();
        return true;
    }

    void stop() {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(kWaitMs)) {
            process.kill();
            process.waitForFinished(kWaitMs);
        }
    }

    QByteArray display;

  private:
    QProcess process;
};

// Points DISPLAY somewhere for as long as it lives.
class DisplayOverride {
  public:
    explicit DisplayOverride(const QByteArray& display) : saved(qgetenv("DISPLAY")) {
        qputenv("DISPLAY", display);
    }
    ~DisplayOverride() {
        if (saved.isNull())
            qunsetenv("DISPLAY");
        else
            qputenv("DISPLAY", saved);
    }

  private:
    QByteArray saved;
};

void collectDebug(QtMsgType, const QMessageLogContext&, const QString& text) {
    capturedDebug << text;
}

} // namespace

class X11CaptureTest : public QObject {
    Q_OBJECT

  public:
    // What the callbacks saw, in order: "K 58 down", "M F0 up 100 200".
    QStringList log;
    int depth = 0;
    int maxDepth = 0;
    std::function<void()> onFirstKey;

    static void onKey(std::uint8_t code, bool pressed, void* context) {
        auto* self = static_cast<X11CaptureTest*>(context);
        ++self->depth;
        self->maxDepth = std::max(self->maxDepth, self->depth);
        self->log << QStringLiteral("K %1 %2")
                         .arg(code, 2, 16, QLatin1Char('0'))
                         .arg(pressed ? "down" : "up")
                         .toUpper();
        if (self->onFirstKey) {
            auto once = std::move(self->onFirstKey);
            self->onFirstKey = nullptr;
            once();
        }
        --self->depth;
    }

    static void onMouse(std::uint8_t code, bool pressed, int x, int y, void* context) {
        auto* self = static_cast<X11CaptureTest*>(context);
        self->log << QStringLiteral("M %1 %2")
                             .arg(code, 2, 16, QLatin1Char('0'))
                             .arg(pressed ? "down" : "up")
                             .toUpper() +
                         QStringLiteral(" %1 %2").arg(x).arg(y);
    }

  private:
    PrivateXvfb server;
    std::unique_ptr<DisplayOverride> display;
    Display* dpy = nullptr;
    std::unique_ptr<KeyCapture> cap;

    // Key presses of `xKeycode` our own connection has seen so far.
    int countPresses(unsigned xKeycode, int& presses) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type == KeyPress && ev.xkey.keycode == xKeycode)
                ++presses;
        }
        return presses;
    }

    void key(unsigned evdev, bool down) {
        XTestFakeKeyEvent(dpy, evdev + 8, down ? 1 : 0, CurrentTime);
        XSync(dpy, 0);
    }
    void tap(unsigned evdev) {
        key(evdev, true);
        key(evdev, false);
    }
    void moveTo(int x, int y) {
        XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
        XSync(dpy, 0);
    }
    void button(unsigned b, bool down) {
        XTestFakeButtonEvent(dpy, b, down ? 1 : 0, CurrentTime);
        XSync(dpy, 0);
    }
    void click(unsigned b) {
        button(b, true);
        button(b, false);
    }

    static QString markerUp() {
        return QStringLiteral("K %1 UP").arg(kMarkerCode, 2, 16).toUpper();
    }

    // Sends the marker and waits for it; returns the log without the marker's two lines,
    // joined with " | " so that a mismatch shows both sides in full.
    QString settle() {
        tap(kMarker);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!log.isEmpty() && log.last() == markerUp(), kWaitMs); }();
        QStringList out = log;
        if (out.size() >= 2 && out.last() == markerUp())
            out.resize(out.size() - 2);
        return out.join(QStringLiteral(" | "));
    }

    static QString lines(const QStringList& expected) {
        return expected.join(QStringLiteral(" | "));
    }

  private slots:
    void initTestCase() {
        if (server.start())
            display = std::make_unique<DisplayOverride>(server.display);
        else if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("no X server: DISPLAY is not set and Xvfb cannot be started (./test.sh "
                  "provides one)");
        dpy = XOpenDisplay(nullptr);
        QVERIFY2(dpy, "cannot open the X display named by DISPLAY");
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        QVERIFY2(XTestQueryExtension(dpy, &eventBase, &errorBase, &major, &minor),
                 "the X server has no XTEST extension");
        QVERIFY2(XRecordQueryVersion(dpy, &major, &minor), "the X server has no RECORD extension");
    }

    void cleanupTestCase() {
        cap.reset();
        if (dpy)
            XCloseDisplay(dpy);
        dpy = nullptr;
        display.reset();
        server.stop();
    }

    void init() {
        cap = std::make_unique<KeyCapture>(false);
        QVERIFY(cap->installed());
        cap->setKeyboardCallback(&X11CaptureTest::onKey, this);
        cap->setMouseCallback(&X11CaptureTest::onMouse, this);
        log.clear();
        depth = maxDepth = 0;
        onFirstKey = nullptr;
    }

    void cleanup() { cap.reset(); }

    // The keys only the extended flag tells apart, and the backslash.
    void distinguishedKeys() {
        tap(KEY_KPENTER);
        tap(KEY_RIGHTCTRL);
        tap(KEY_RIGHTALT);
        tap(KEY_BACKSLASH);
        QCOMPARE(settle(), lines({"K 58 DOWN", "K 58 UP", "K E4 DOWN", "K E4 UP", "K E6 DOWN",
                                  "K E6 UP", "K 31 DOWN", "K 31 UP"}));
    }

    void heldKeyReportedOnce() {
        // The server's own auto-repeat, made fast, while our connection counts the presses
        // on the root window (which has the focus: nothing else runs on this server).
        unsigned delay = 0;
        unsigned interval = 0;
        QVERIFY(XkbGetAutoRepeatRate(dpy, XkbUseCoreKbd, &delay, &interval));
        XkbSetAutoRepeatRate(dpy, XkbUseCoreKbd, 20, 10);
        XAutoRepeatOn(dpy);
        int detectable = 0;
        XkbSetDetectableAutoRepeat(dpy, 1, &detectable);
        XSelectInput(dpy, DefaultRootWindow(dpy), KeyPressMask | KeyReleaseMask);
        XSync(dpy, 0);
        int presses = 0;
        countPresses(KEY_A + 8, presses);
        presses = 0;

        key(KEY_A, true);
        QTRY_VERIFY_WITH_TIMEOUT(countPresses(KEY_A + 8, presses) >= 5, kWaitMs);
        key(KEY_A, false);

        XSelectInput(dpy, DefaultRootWindow(dpy), 0);
        XkbSetAutoRepeatRate(dpy, XkbUseCoreKbd, delay, interval);
        XSync(dpy, 0);
        QCOMPARE(settle(), lines({"K 04 DOWN", "K 04 UP"}));
    }

    void rightWindowsKeyNeverReported() {
        tap(KEY_RIGHTMETA);
        key(KEY_RIGHTMETA, true);
        tap(KEY_A);
        key(KEY_RIGHTMETA, false);
        QCOMPARE(settle(), lines({"K 04 DOWN", "K 04 UP"}));
    }

    void mouseButtons() {
        moveTo(100, 200);
        click(1);
        moveTo(321, 123);
        click(3);
        moveTo(5, 6);
        click(2);
        // Wheel steps and the side buttons are not reported.
        moveTo(50, 60);
        for (unsigned b : {4u, 5u, 6u, 7u, 8u, 9u})
            click(b);
        QCOMPARE(settle(), lines({"M F0 DOWN 100 200", "M F0 UP 100 200", "M F1 DOWN 321 123",
                                  "M F1 UP 321 123", "M F2 DOWN 5 6", "M F2 UP 5 6"}));
    }

    void keyHeldAcrossRegistration() {
        // Without a keyboard callback the press is dropped but still counted as down, so
        // the later release is reported.
        cap->setKeyboardCallback(nullptr, nullptr);
        key(KEY_B, true);
        moveTo(7, 8);
        click(1);
        QTRY_COMPARE_WITH_TIMEOUT(log.size(), 2, kWaitMs);
        cap->setKeyboardCallback(&X11CaptureTest::onKey, this);
        key(KEY_B, false);
        QCOMPARE(settle(), lines({"M F0 DOWN 7 8", "M F0 UP 7 8", "K 05 UP"}));
    }

    void removedCaptureReportsNothing() {
        cap->removeHooks();
        QVERIFY(!cap->installed());
        tap(KEY_C);
        click(1);
        QVERIFY(cap->installHooks());
        QVERIFY(cap->installed());
        tap(KEY_D);
        QCOMPARE(settle(), lines({"K 07 DOWN", "K 07 UP"}));
    }

    void reinstallTwice() {
        QVERIFY(cap->installHooks());
        QVERIFY(cap->installHooks());
        tap(KEY_E);
        // One recording, not two: each key once.
        QCOMPARE(settle(), lines({"K 08 DOWN", "K 08 UP"}));
    }

    void callbacksFromTheEventLoopOnly() {
        tap(KEY_F);
        // Injected and recorded, but nothing is reported before the event loop runs.
        QVERIFY(log.isEmpty());
        QCOMPARE(settle(), lines({"K 09 DOWN", "K 09 UP"}));
    }

    void nestedEventLoopDoesNotReenter() {
        // The first callback spins an event loop while more events arrive; they must
        // wait until it returns and then come in order.
        onFirstKey = [this] {
            tap(KEY_G);
            tap(KEY_H);
            QTest::qWait(300);
        };
        tap(KEY_F);
        // F's release was recorded before G and H were injected.
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("K 0B UP"), kWaitMs);
        QCOMPARE(settle(),
                 lines({"K 09 DOWN", "K 09 UP", "K 0A DOWN", "K 0A UP", "K 0B DOWN", "K 0B UP"}));
        QCOMPARE(maxDepth, 1);
    }

    void removeFromInsideCallback() {
        static KeyCapture* target = nullptr;
        static int calls = 0;
        target = cap.get();
        calls = 0;
        cap->setKeyboardCallback(
            [](std::uint8_t, bool, void*) {
                ++calls;
                target->removeHooks();
            },
            nullptr);
        tap(KEY_I);
        tap(KEY_J);
        QTRY_VERIFY_WITH_TIMEOUT(!cap->installed(), kWaitMs);
        QCoreApplication::processEvents();
        QCOMPARE(calls, 1);
        // And it comes back.
        cap->setKeyboardCallback(&X11CaptureTest::onKey, this);
        QVERIFY(cap->installHooks());
        tap(KEY_K);
        QCOMPARE(settle(), lines({"K 0E DOWN", "K 0E UP"}));
    }

    // A server without RECORD: installing fails, says so once, and nothing else breaks.
    void serverWithoutRecord() {
        cap.reset();
        PrivateXvfb bare;
        if (!bare.start({"-extension", "RECORD"}))
            QSKIP("Xvfb cannot be started");
        capturedDebug.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("platform.capture.debug=true"));
        bool first = true;
        bool second = true;
        {
            DisplayOverride onBare(bare.display);
            const QtMessageHandler previous = qInstallMessageHandler(&collectDebug);
            {
                KeyCapture a;
                first = a.installed();
                KeyCapture b;
                second = b.installHooks();
            }
            qInstallMessageHandler(previous);
        }
        QVERIFY(!first);
        QVERIFY(!second);
        QCOMPARE(capturedDebug.size(), 1);
        QVERIFY2(capturedDebug.first().contains(QLatin1String("RECORD")),
                 qPrintable(capturedDebug.first()));
    }
};

QTEST_MAIN(X11CaptureTest)
#include "x11_capture_test.moc"
