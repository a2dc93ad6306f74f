// The mouse settings a Linux desktop keeps, with stand-in tools on PATH and a stand-in
// Plasma compositor on a private session bus.
#include "platform/linux/desktop_mouse_settings.h"
#include "support/private_bus.h"

#include <QDBusConnection>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <future>

// One of KWin's input devices as Plasma's settings see it.
class FakeInputDevice : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.KWin.InputDevice")
    Q_PROPERTY(bool pointer MEMBER pointer)
    Q_PROPERTY(bool touchpad MEMBER touchpad)
    Q_PROPERTY(double pointerAcceleration READ acceleration WRITE setAcceleration)
    Q_PROPERTY(bool pointerAccelerationProfileFlat READ flat WRITE setFlat)
    Q_PROPERTY(bool pointerAccelerationProfileAdaptive READ adaptive WRITE setAdaptive)
  public:
    FakeInputDevice(bool pointer, bool touchpad) : pointer(pointer), touchpad(touchpad) {}
    bool flat() const { return flat_; }
    bool adaptive() const { return !flat_; }
    void setFlat(bool on) { flat_ = stuck ? flat_ : on; }
    void setAdaptive(bool on) { flat_ = stuck ? flat_ : !on; }
    double acceleration() const { return pointerAcceleration; }
    void setAcceleration(double a) { pointerAcceleration = stuck ? pointerAcceleration : a; }

    bool pointer;
    bool touchpad;
    double pointerAcceleration = 0;
    bool stuck = false; // takes the call and keeps its value, like a device that will not change

  private:
    bool flat_ = false;
};

class FakeInputManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.KWin.InputDeviceManager")
    Q_PROPERTY(QStringList devicesSysNames MEMBER names)
  public:
    QStringList names{"event3", "event4", "event5"};
};

class DesktopMouseSettingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    testsupport::PrivateBus bus; // started before PATH holds only the stand-ins

    QString file(const QString& name) const { return dir->filePath(name); }
    QByteArray contentOf(const QString& name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void addTool(const QString& name, const QByteArray& body) {
        QFile tool(file("bin/" + name));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.write("#!/bin/sh\n" + body);
        QVERIFY(tool.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ExeOwner));
    }
    // A gsettings keeping GNOME's mouse keys in files ("value-KEY"); unless they stick,
    // like one without dconf.
    void addGsettings(bool sticks) {
        QByteArray script =
            "[ \"$2\" = org.gnome.desktop.peripherals.mouse ] || exit 1\n"
            "case \"$3\" in double-click) d=400 ;; speed) d=0.0 ;; accel-profile) d=\"'default'\" "
            ";; "
            "*) exit 1 ;; esac\n"
            "case \"$1\" in\n"
            "writable) echo true ;;\n"
            "set) SET ;;\n"
            "get) { read v < \"STORE-$3\" && echo \"$v\"; } 2>/dev/null || echo \"$d\" ;;\n"
            "*) exit 1 ;;\n"
            "esac\n";
        script.replace("SET", sticks ? "echo \"$4\" > \"STORE-$3\"" : ":");
        addTool("gsettings", script.replace("STORE", QFile::encodeName(file("value"))));
    }

  private slots:
    void initTestCase() { bus.start(); }

    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(dir->path()).mkdir("bin"));
        qputenv("PATH", QFile::encodeName(file("bin"))); // only our tools are found
        qunsetenv("XDG_CURRENT_DESKTOP");
    }

    void kdeWritesItsConfiguration() {
        addTool("kwriteconfig5", "echo \"$*\" >> '" + QFile::encodeName(file("calls")) + "'\n");
        addGsettings(true); // not asked on KDE
        qputenv("XDG_CURRENT_DESKTOP", "ubuntu:KDE");
        DesktopMouseSettings desktop;
        QVERIFY(desktop.setWheelScrollLines(1000));
        QVERIFY(desktop.setDoubleClickTime(550));
        QCOMPARE(contentOf("calls"),
                 "--file kcminputrc --group Mouse --key WheelScrollLines 1000\n"
                 "--file kdeglobals --group KDE --key DoubleClickInterval 550\n");
        QVERIFY(!QFile::exists(file("value-double-click")));
        addTool("kwriteconfig6", "exit 3\n"); // preferred, and failing
        QVERIFY(!desktop.setWheelScrollLines(3) && !desktop.setDoubleClickTime(400));
    }

    void gnomeValueMustReadBack() {
        QVERIFY(!DesktopMouseSettings().setDoubleClickTime(500)); // no tools at all
        addGsettings(true);
        QVERIFY(DesktopMouseSettings().setDoubleClickTime(550));
        QCOMPARE(contentOf("value-double-click"), "550\n");
        QVERIFY(!DesktopMouseSettings().setWheelScrollLines(3)); // GNOME has no such setting
        addGsettings(false);
        QVERIFY(!DesktopMouseSettings().setDoubleClickTime(600));
    }

    // On Plasma speed and acceleration go to KWin's mice (not its touchpads or keyboards),
    // and without KWin on the bus they are refused.
    void plasmaPointerSpeedAndAcceleration() {
        QVERIFY2(!bus.address.isEmpty(), qPrintable(bus.problem));
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address.toUtf8());
        qputenv("XDG_CURRENT_DESKTOP", "KDE");
        DesktopMouseSettings desktop;
        QVERIFY(!desktop.setPointerSpeed(12) && !desktop.pointerSpeed());

        QDBusConnection kwin = QDBusConnection::connectToBus(bus.address, "kwin");
        FakeInputManager manager;
        FakeInputDevice mouse(true, false), touchpad(true, true), keyboard(false, false);
        const auto flags = QDBusConnection::ExportAllProperties;
        QVERIFY(kwin.registerObject("/org/kde/KWin/InputDevice", &manager, flags));
        QVERIFY(kwin.registerObject("/org/kde/KWin/InputDevice/event3", &mouse, flags));
        QVERIFY(kwin.registerObject("/org/kde/KWin/InputDevice/event4", &touchpad, flags));
        QVERIFY(kwin.registerObject("/org/kde/KWin/InputDevice/event5", &keyboard, flags));
        QVERIFY(kwin.registerService("org.kde.KWin"));

        // The desktop is asked from another thread, as the program's background queue does,
        // while this one serves the stand-in compositor.
        const auto ask = [](auto question) {
            auto answer = std::async(std::launch::async, question);
            while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
                QTest::qWait(5);
            return answer.get();
        };
        QVERIFY(ask([&] { return desktop.setPointerSpeed(20); }));
        QCOMPARE(mouse.pointerAcceleration, 1.0);
        QVERIFY(touchpad.pointerAcceleration == 0 && keyboard.pointerAcceleration == 0);
        QCOMPARE(ask([&] { return desktop.pointerSpeed(); }), 20u);
        QVERIFY(ask([&] { return desktop.setPointerSpeed(1); }));
        QCOMPARE(mouse.pointerAcceleration, -1.0);
        QVERIFY(ask([&] { return desktop.setAcceleration(false); }));
        QVERIFY(mouse.flat() && !touchpad.flat());
        QCOMPARE(ask([&] { return desktop.acceleration(); }), false);
        QVERIFY(ask([&] { return desktop.setAcceleration(true); }));
        QCOMPARE(ask([&] { return desktop.acceleration(); }), true);
        // What reads back otherwise was not taken.
        mouse.stuck = true;
        QVERIFY(!ask([&] { return desktop.setAcceleration(false); }));
        QVERIFY(!ask([&] { return desktop.setPointerSpeed(10); }));
        kwin.unregisterService("org.kde.KWin");
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    // Speed and acceleration go only to GNOME (elsewhere its keys move no pointer), and read
    // back at both ends and in the middle of the range.
    void gnomePointerSpeedAndAcceleration() {
        addGsettings(true);
        DesktopMouseSettings desktop;
        QVERIFY(!desktop.setPointerSpeed(10) && !desktop.setAcceleration(false));
        QVERIFY(!desktop.pointerSpeed() && !desktop.acceleration());
        qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        QCOMPARE(desktop.pointerSpeed(), 10u); // GNOME's 0.0
        const QList<std::pair<unsigned, QByteArray>> rows{{1, "-1.000000\n"},
                                                          {5, "-0.555556\n"},
                                                          {10, "0.000000\n"},
                                                          {11, "0.100000\n"},
                                                          {20, "1.000000\n"}};
        for (const auto& [speed, stored] : rows) {
            QVERIFY(desktop.setPointerSpeed(speed));
            QCOMPARE(contentOf("value-speed"), stored);
            QCOMPARE(desktop.pointerSpeed(), speed);
        }
        QVERIFY(!desktop.setPointerSpeed(0) && !desktop.setPointerSpeed(21));
        QCOMPARE(desktop.acceleration(), true);
        QVERIFY(desktop.setAcceleration(false));
        QCOMPARE(contentOf("value-accel-profile"), "'flat'\n");
        QCOMPARE(desktop.acceleration(), false);
        QVERIFY(desktop.setAcceleration(true));
        QCOMPARE(desktop.acceleration(), true);
        addGsettings(false);
        QVERIFY(!desktop.setPointerSpeed(3) && !desktop.setAcceleration(false));
    }
};

QTEST_GUILESS_MAIN(DesktopMouseSettingsTest)
#include "desktop_mouse_settings_test.moc"
