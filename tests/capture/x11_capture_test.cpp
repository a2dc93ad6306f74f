// The X11 keystroke capture end to end, on an Xvfb of its own so that no other test slips
// input in. Each case ends with a marker key (F9): events come in order, so once its release
// is in, everything injected before it is too.
#include "platform/capture/key_capture.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <linux/input-event-codes.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

class X11CaptureTest : public QObject {
    Q_OBJECT

    // What the callbacks saw, in order: "K 58 DOWN", "M F0 UP 100 200".
    QStringList log;
    QProcess xvfb;
    Display* dpy = nullptr;
    std::unique_ptr<KeyCapture> cap;

    static void onKey(std::uint8_t code, bool pressed, void* context) {
        static_cast<X11CaptureTest*>(context)->log
            << QString::asprintf("K %02X %s", code, pressed ? "DOWN" : "UP");
    }
    static void onMouse(std::uint8_t code, bool pressed, int x, int y, void* context) {
        static_cast<X11CaptureTest*>(context)->log
            << QString::asprintf("M %02X %s %d %d", code, pressed ? "DOWN" : "UP", x, y);
    }

    void key(unsigned evdev, bool down) {
        XTestFakeKeyEvent(dpy, evdev + 8, down, CurrentTime);
        XSync(dpy, False);
    }
    void tap(unsigned evdev) {
        key(evdev, true);
        key(evdev, false);
    }
    void click(unsigned button, int x, int y) {
        XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
        XTestFakeButtonEvent(dpy, button, True, CurrentTime);
        XTestFakeButtonEvent(dpy, button, False, CurrentTime);
        XSync(dpy, False);
    }

    // The log before the marker, joined so that a mismatch shows in full.
    QString settle() {
        tap(KEY_F9);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(log.endsWith("K 42 UP"), 20000); }();
        return log.mid(0, log.size() - 2).join(QStringLiteral(" | "));
    }

  private slots:
    void initTestCase() {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (program.isEmpty())
            QSKIP("no Xvfb");
        xvfb.setStandardErrorFile(QProcess::nullDevice());
        // Picks a free display; no reset when the last client leaves, which would refuse the
        // next one.
        xvfb.start(program, {"-displayfd", "1", "-noreset", "-nolisten", "tcp"});
        QByteArray out;
        while (!out.contains('\n') && xvfb.waitForReadyRead(20000))
            out += xvfb.readAllStandardOutput();
        QVERIFY2(out.contains('\n'), "Xvfb did not start");
        qputenv("DISPLAY", ":" + out.trimmed());
        dpy = XOpenDisplay(nullptr);
        QVERIFY(dpy);
        int ignored[4];
        QVERIFY2(XTestQueryExtension(dpy, &ignored[0], &ignored[1], &ignored[2], &ignored[3]),
                 "the X server has no XTEST extension");
    }

    void cleanupTestCase() {
        cap.reset();
        if (dpy)
            XCloseDisplay(dpy);
        xvfb.terminate();
        if (!xvfb.waitForFinished(20000))
            xvfb.kill();
    }

    void init() {
        qunsetenv("WAYLAND_DISPLAY");
        qunsetenv("XDG_SESSION_TYPE");
        cap = std::make_unique<KeyCapture>(false);
        QVERIFY(cap->installed());
        cap->setKeyboardCallback(&onKey, this);
        cap->setMouseCallback(&onMouse, this);
        log.clear();
    }

    void cleanup() { cap.reset(); }

    void keysAndButtons() {
        for (unsigned evdev : {KEY_KPENTER, KEY_RIGHTCTRL, KEY_BACKSLASH})
            tap(evdev);
        cap->windowKey(KEY_Z + 8, true, false); // the window's keys only count on Wayland
        click(1, 100, 200);
        click(3, 321, 123);
        click(2, 5, 6);
        for (unsigned wheelOrSide : {4u, 5u, 8u})
            click(wheelOrSide, 50, 60);
        QCOMPARE(settle(), "K 58 DOWN | K 58 UP | K E4 DOWN | K E4 UP | K 31 DOWN | K 31 UP | "
                           "M F0 DOWN 100 200 | M F0 UP 100 200 | M F1 DOWN 321 123 | "
                           "M F1 UP 321 123 | M F2 DOWN 5 6 | M F2 UP 5 6");
    }

    // In a Wayland session the desktop's keys are out of reach: the window's come instead,
    // through the same tables (auto-repeat and keys without a code dropped), until removed.
    void waylandSessionTakesWindowKeys() {
        cap.reset();
        qputenv("WAYLAND_DISPLAY", "wayland-test");
        cap = std::make_unique<KeyCapture>(false);
        cap->setKeyboardCallback(&onKey, this);
        QVERIFY(cap->installed());
        QCOMPARE(cap->source(), capture::KeySource::Window);
        tap(KEY_A);
        QTest::qWait(200);
        for (const auto& [evdev, down] : {std::pair(KEY_KPENTER, true),
                                          {KEY_KPENTER, true},
                                          {KEY_KPENTER, false},
                                          {0x2ffu, true},
                                          {KEY_RIGHTCTRL, true},
                                          {KEY_BACKSLASH, true},
                                          {KEY_RIGHTCTRL, false}})
            cap->windowKey(evdev + 8, down, false);
        QCOMPARE(log.join(" | "), "K 58 DOWN | K 58 UP | K E4 DOWN | K 31 DOWN | K E4 UP");
        cap->removeHooks();
        QVERIFY(!cap->installed());
        cap->windowKey(KEY_BACKSLASH + 8, false, false);
        QCOMPARE(log.size(), 5);
    }

    // A press while nobody listens still counts as down, so its release is reported.
    void keyHeldAcrossRegistration() {
        cap->setKeyboardCallback(nullptr, nullptr);
        key(KEY_B, true);
        click(1, 7, 8);
        QTRY_COMPARE_WITH_TIMEOUT(log.size(), 2, 20000);
        cap->setKeyboardCallback(&onKey, this);
        key(KEY_B, false);
        QCOMPARE(settle(), "M F0 DOWN 7 8 | M F0 UP 7 8 | K 05 UP");
    }

    // Removed (here from inside a callback), nothing is reported; installed twice, every key
    // still comes once.
    void removeAndReinstall() {
        static KeyCapture* target = nullptr;
        static int calls = 0;
        target = cap.get();
        cap->setKeyboardCallback(
            [](std::uint8_t, bool, void*) {
                ++calls;
                target->removeHooks();
            },
            nullptr);
        tap(KEY_I);
        tap(KEY_J);
        QTRY_VERIFY_WITH_TIMEOUT(!cap->installed(), 20000);
        cap->setKeyboardCallback(&onKey, this);
        tap(KEY_C);
        click(1, 1, 1);
        QVERIFY(cap->installHooks() && cap->installHooks() && cap->installed());
        tap(KEY_K);
        QCOMPARE(settle(), "K 0E DOWN | K 0E UP");
        QCOMPARE(calls, 1);
    }
};

QTEST_MAIN(X11CaptureTest)
#include "x11_capture_test.moc"
