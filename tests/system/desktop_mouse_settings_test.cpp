// Wheel lines and double-click time on a Linux desktop, with stand-in tools on PATH.
#include "platform/linux/desktop_mouse_settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class DesktopMouseSettingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;

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
