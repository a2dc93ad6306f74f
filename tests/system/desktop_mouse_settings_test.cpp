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
    // A gsettings keeping the value in a file; unless it sticks, like one without dconf.
    void addGsettings(bool sticks) {
        QByteArray script = "case \"$1\" in\n"
                            "writable) [ \"$2 $3\" = 'org.gnome.desktop.peripherals.mouse "
                            "double-click' ] || exit 1; echo true ;;\n"
                            "set) SET ;;\n"
                            "get) { read v < 'STORE' && echo \"$v\"; } 2>/dev/null || echo 400 ;;\n"
                            "*) exit 1 ;;\n"
                            "esac\n";
        script.replace("SET", sticks ? "echo \"$4\" > 'STORE'" : ":");
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
        QVERIFY(!QFile::exists(file("value")));
        addTool("kwriteconfig6", "exit 3\n"); // preferred, and failing
        QVERIFY(!desktop.setWheelScrollLines(3) && !desktop.setDoubleClickTime(400));
    }

    void gnomeValueMustReadBack() {
        QVERIFY(!DesktopMouseSettings().setDoubleClickTime(500)); // no tools at all
        addGsettings(true);
        QVERIFY(DesktopMouseSettings().setDoubleClickTime(550));
        QCOMPARE(contentOf("value"), "550\n");
        QVERIFY(!DesktopMouseSettings().setWheelScrollLines(3)); // GNOME has no such setting
        addGsettings(false);
        QVERIFY(!DesktopMouseSettings().setDoubleClickTime(600));
    }
};

QTEST_GUILESS_MAIN(DesktopMouseSettingsTest)
#include "desktop_mouse_settings_test.moc"
