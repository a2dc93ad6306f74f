// The X11 keystroke capture end to end: keys and clicks injected with XTest are recorded
// by KeyCapture on connections of its own and reach the callbacks from the event loop.
// The cases run on an Xvfb of their own, so that tests beside them cannot slip input in.
//
// Every case ends with a marker key (F9) and waits for the marker's release. The server
// records events in the order they happen, so everything injected before the marker has
// been reported by then and the log can be compared as a whole.
#include "key_capture.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <linux/input-event-codes.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

// An Xvfb on a display number it picks itself; `display` stays empty when it cannot start.
struct PrivateXvfb {
    PrivateXvfb() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return;
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(xvfb, {"-displayfd", "1", "-nolisten", "tcp"});
        QByteArray out;
        while (!out.contains('\n') && process.waitForReadyRead(20000))
            out += process.readAllStandardOutput();
        if (out.contains('\n'))
            display = ":" + out.trimmed();
    }
    ~PrivateXvfb() {
        process.terminate();
        if (!process.waitForFinished(20000))
            process.kill();
    }
    QProcess process;
    QByteArray display;
};

} // namespace

class X11CaptureTest : public QObject {
    Q_OBJECT

    // What the callbacks saw, in order: "K 58 DOWN", "M F0 UP 100 200".
    QStringList log;
    std::unique_ptr<PrivateXvfb> server;
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

    // Sends the marker, waits for it and returns the log before it, joined with " | " so
    // that a mismatch shows both sides in full.
    QString settle() {
        tap(KEY_F9);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(log.endsWith("K 42 UP"), 20000); }();
        return log.mid(0, log.size() - 2).join(QStringLiteral(" | "));
    }

  private slots:
    void initTestCase() {
        server = std::make_unique<PrivateXvfb>();
        if (server->display.isEmpty())
            QSKIP("Xvfb cannot be started");
        qputenv("DISPLAY", server->display);
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
        server.reset();
    }

    void init() {
        cap = std::make_unique<KeyCapture>(false);
        QVERIFY(cap->installed());
        cap->setKeyboardCallback(&onKey, this);
        cap->setMouseCallback(&onMouse, this);
        log.clear();
    }

    void cleanup() { cap.reset(); }

    void keysAndButtons() {
        tap(KEY_KPENTER);
        tap(KEY_RIGHTCTRL);
        tap(KEY_BACKSLASH);
        click(1, 100, 200);
        click(3, 321, 123);
        click(2, 5, 6);
        for (unsigned wheelOrSide : {4u, 5u, 8u})
            click(wheelOrSide, 50, 60);
        QCOMPARE(settle(), "K 58 DOWN | K 58 UP | K E4 DOWN | K E4 UP | K 31 DOWN | K 31 UP | "
                           "M F0 DOWN 100 200 | M F0 UP 100 200 | M F1 DOWN 321 123 | "
                           "M F1 UP 321 123 | M F2 DOWN 5 6 | M F2 UP 5 6");
    }

    // Without a keyboard callback a press is not reported but still counts as down, so
    // its release is reported later.
    void keyHeldAcrossRegistration() {
        cap->setKeyboardCallback(nullptr, nullptr);
        key(KEY_B, true);
        click(1, 7, 8);
        QTRY_COMPARE_WITH_TIMEOUT(log.size(), 2, 20000);
        cap->setKeyboardCallback(&onKey, this);
        key(KEY_B, false);
        QCOMPARE(settle(), "M F0 DOWN 7 8 | M F0 UP 7 8 | K 05 UP");
    }

    // Removed, nothing is reported; installed twice, every key still comes once.
    void removeAndReinstall() {
        cap->removeHooks();
        QVERIFY(!cap->installed());
        tap(KEY_C);
        click(1, 1, 1);
        QVERIFY(cap->installHooks() && cap->installHooks() && cap->installed());
        tap(KEY_D);
        QCOMPARE(settle(), "K 07 DOWN | K 07 UP");
    }

    void removeFromInsideCallback() {
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
        cap->setKeyboardCallback(&onKey, this); // and it comes back
        QVERIFY(cap->installHooks());
        tap(KEY_K);
        QCOMPARE(settle(), "K 0E DOWN | K 0E UP");
        QCOMPARE(calls, 1);
    }
};

QTEST_MAIN(X11CaptureTest)
#include "x11_capture_test.moc"
