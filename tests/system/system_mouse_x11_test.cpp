// The X11 side of the desktop's mouse settings on DISPLAY: what is set is what the server
// holds, seen from a connection of our own, and reads back as set.
#include "platform/linux/system_mouse_x11.h"

#include <QTest>

#include <X11/Xlib.h>

using Thresholds = SystemMouse::Thresholds;

class SystemMouseX11Test : public QObject {
    Q_OBJECT

    Display* observer = nullptr;
    int original[3] = {};

    // The acceleration factor and the threshold as the server holds them.
    std::pair<double, int> control() {
        int c[3];
        XGetPointerControl(observer, &c[0], &c[1], &c[2]);
        return {double(c[0]) / c[1], c[2]};
    }
    void setOnServer(int numerator, int denominator, int threshold) {
        XChangePointerControl(observer, True, True, numerator, denominator, threshold);
        XSync(observer, False);
    }

  private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("DISPLAY is not set: these tests change the pointer control of an X server");
        observer = XOpenDisplay(nullptr);
        QVERIFY2(observer, "DISPLAY is set but the X server cannot be reached");
        XGetPointerControl(observer, &original[0], &original[1], &original[2]);
    }

    void cleanupTestCase() {
        if (!observer)
            return;
        setOnServer(original[0], original[1], original[2]);
        XCloseDisplay(observer);
    }

    void init() { setOnServer(2, 1, 4); } // X's own default: 2/1 above 4 pixels

    void speeds() {
        const QMap<unsigned, double> known{
            {1, 1.0 / 32}, {6, 0.5}, {10, 1.0}, {14, 2.0}, {20, 3.5}};
        double previous = 0;
        for (unsigned speed = 1; speed <= 20; ++speed) {
            QVERIFY(SystemMouseX11().setPointerSpeed(speed));
            QVERIFY2(control().first > previous, qPrintable(QString::number(speed)));
            previous = control().first;
            if (known.contains(speed))
                QCOMPARE(previous, known[speed]);
            unsigned read = 0; // by a fresh object, which remembers nothing
            QVERIFY(SystemMouseX11().getPointerSpeed(read));
            QCOMPARE(read, speed);
        }
        QVERIFY(!SystemMouseX11().setPointerSpeed(0) && !SystemMouseX11().setPointerSpeed(21));
        QCOMPARE(control().first, 3.5);
    }

    void thresholds() {
        SystemMouseX11 mouse;
        Thresholds read{};
        // The server's threshold (0: any above 1). Windows turns acceleration off as 0, 0, 0;
        // turning it on again keeps the zeros.
        for (const auto& [set, onServer] : {std::pair(Thresholds{7, 12, 1}, 7),
                                            {Thresholds{7, 12, 0}, 1},
                                            {Thresholds{0, 0, 1}, 0}}) {
            QVERIFY(mouse.setMouseThresholds(set) && mouse.getMouseThresholds(read));
            QVERIFY(onServer ? control().second == onServer : control().second > 1);
            QCOMPARE(read, set);
        }

        // Speed and thresholds leave each other alone.
        unsigned speed = 0;
        QVERIFY(mouse.setPointerSpeed(16) && mouse.setMouseThresholds({9, 12, 1}));
        QVERIFY(mouse.getPointerSpeed(speed));
        QCOMPARE(speed, 16u);
        // Another tool moves the threshold: a fresh object, and this one, report it.
        setOnServer(2, 1, 11);
        QVERIFY(SystemMouseX11().getMouseThresholds(read));
        QVERIFY(read[0] == 11 && read[2] == 1);
        QVERIFY(mouse.getMouseThresholds(read));
        QCOMPARE(read, (Thresholds{11, 12, 1}));
    }

    // In a Wayland session the X core pointer moves nothing: speed and acceleration go to
    // the desktop (none here that takes them), the X server is left alone, and the outcome
    // says so later; what X has no setting for fails the same way.
    void waylandSessionLeavesXAlone() {
        qputenv("WAYLAND_DISPLAY", "wayland-test");
        qputenv("XDG_CURRENT_DESKTOP", "sway");
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent"); // no desktop tool to take anything
        QList<std::pair<SystemMouse::Setting, bool>> outcomes;
        {
            SystemMouseX11 mouse;
            mouse.setOutcomeHandler([&](SystemMouse::Setting s, bool taken) {
                outcomes.append({s, taken});
            });
            QVERIFY(!mouse.setPointerSpeed(21)); // refused at once
            QVERIFY(mouse.setPointerSpeed(20) && mouse.setMouseThresholds({6, 10, 0}) &&
                    mouse.setWheelScrollLines(3) && mouse.setDoubleClickTime(500));
            QCOMPARE(control(), std::pair(2.0, 4));
            QTRY_COMPARE_WITH_TIMEOUT(outcomes.size(), 5, 20000);
        }
        qunsetenv("WAYLAND_DISPLAY");
        qunsetenv("XDG_CURRENT_DESKTOP");
        qputenv("PATH", path);
        using S = SystemMouse::Setting;
        const QList<std::pair<S, bool>> expected{{S::PointerSpeed, false},
                                                 {S::PointerSpeed, false},
                                                 {S::Acceleration, false},
                                                 {S::WheelScrollLines, false},
                                                 {S::DoubleClickTime, false}};
        QVERIFY(outcomes == expected);
    }

    void unreachableDisplayFails() {
        SystemMouseX11 mouse(":4093");
        unsigned speed = 0;
        Thresholds read{};
        QVERIFY(!mouse.setPointerSpeed(10) && !mouse.getPointerSpeed(speed) &&
                !mouse.getMouseThresholds(read) && !mouse.setMouseThresholds({6, 10, 1}));
    }
};

QTEST_GUILESS_MAIN(SystemMouseX11Test)
#include "system_mouse_x11_test.moc"
