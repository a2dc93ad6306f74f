// Wheel lines and double-click time on a Linux desktop, with stand-in desktop tools on PATH:
// shell scripts that record what they were asked.
#include "desktop_mouse_settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

namespace {

const char* const kEnvironment[] = {"PATH", "XDG_CURRENT_DESKTOP"};

} // namespace

class DesktopMouseSettingsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void withoutDesktopToolsBothFail();
    void kdeWritesItsConfiguration();
    void kdeToolFailureIsReported();
    void gnomeValueMustReadBack();
    void gnomeValueThatDoesNotStickFails();

  private:
    // A tool on the private PATH: a shell script with this body.
    void addTool(const QString& name, const QByteArray& body);
    QString bin() const { return dir_->filePath(QStringLiteral("bin")); }
    QByteArray recorded() const;

    std::unique_ptr<QTemporaryDir> dir_;
    QMap<QByteArray, std::optional<QByteArray>> saved_;
};

void DesktopMouseSettingsTest::init() {
    for (const char* name : kEnvironment)
        saved_[name] =
            qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("bin")));
    // Only our tools are found.
    qputenv("PATH", QFile::encodeName(bin()));
    qunsetenv("XDG_CURRENT_DESKTOP");
}

void DesktopMouseSettingsTest::cleanup() {
    for (auto it = saved_.cbegin(); it != saved_.cend(); ++it) {
        if (it.value())
            qputenv(it.key().constData(), *it.value());
        else
            qunsetenv(it.key().constData());
    }
    dir_.reset();
}

void DesktopMouseSettingsTest::addTool(const QString& name, const QByteArray& body) {
    QFile tool(QDir(bin()).filePath(name));
    QVERIFY(tool.open(QIODevice::WriteOnly));
    tool.write("#!/bin/sh\n" + body);
    tool.close();
    QVERIFY(tool.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                QFileDevice::ExeOwner));
}

QByteArray DesktopMouseSettingsTest::recorded() const {
    QFile file(dir_->filePath(QStringLiteral("calls")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void DesktopMouseSettingsTest::withoutDesktopToolsBothFail() {
    DesktopMouseSettings desktop;
    QVERIFY(!desktop.setWheelScrollLines(3));
    QVERIFY(!desktop.setDoubleClickTime(500));
}

void DesktopMouseSettingsTest::kdeWritesItsConfiguration() {
    const QByteArray calls = QFile::encodeName(dir_->filePath(QStringLiteral("calls")));
    addTool(QStringLiteral("kwriteconfig5"), "echo \"$*\" >> '" + calls + "'\n");
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    DesktopMouseSettings desktop;
    QVERIFY(desktop.setWheelScrollLines(1000));
    QVERIFY(desktop.setDoubleClickTime(550));
    QCOMPARE(recorded(),
             QByteArray("--file kcminputrc --group Mouse --key WheelScrollLines 1000\n"
                        "--file kdeglobals --group KDE --key DoubleClickInterval 550\n"));
}

void DesktopMouseSettingsTest::kdeToolFailureIsReported() {
    addTool(QStringLiteral("kwriteconfig6"), "exit 3\n");
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:KDE");
    DesktopMouseSettings desktop;
    QVERIFY(!desktop.setWheelScrollLines(3));
    QVERIFY(!desktop.setDoubleClickTime(400));
}

// A stand-in gsettings keeping the double-click value in a file; `sticks` false makes it
// behave like gsettings without a running dconf service: "set" succeeds, nothing is kept.
static QByteArray fakeGsettings(const QByteArray& store, bool sticks) {
    const QByteArray set = sticks ? "echo \"$4\" > '" + store + "'" : QByteArray(":");
    return "case \"$1\" in\n"
           "writable) [ \"$2\" = org.gnome.desktop.peripherals.mouse ] && "
           "[ \"$3\" = double-click ] || exit 1; echo true ;;\n"
           "set) " +
           set +
           " ;;\n"
           "get) if [ -f '" +
           store + "' ]; then read v < '" + store +
           "'; echo \"$v\"; "
           "else echo 400; fi ;;\n"
           "*) exit 1 ;;\n"
           "esac\n";
}

void DesktopMouseSettingsTest::gnomeValueMustReadBack() {
    const QByteArray store = QFile::encodeName(dir_->filePath(QStringLiteral("value")));
    addTool(QStringLiteral("gsettings"), fakeGsettings(store, true));
    DesktopMouseSettings desktop;
    QVERIFY(desktop.setDoubleClickTime(550));
    QFile value(QString::fromLocal8Bit(store));
    QVERIFY(value.open(QIODevice::ReadOnly));
    QCOMPARE(value.readAll(), QByteArray("550\n"));
    // GNOME has no wheel-lines setting.
    QVERIFY(!desktop.setWheelScrollLines(3));
}

void DesktopMouseSettingsTest::gnomeValueThatDoesNotStickFails() {
    const QByteArray store = QFile::encodeName(dir_->filePath(QStringLiteral("value")));
    addTool(QStringLiteral("gsettings"), fakeGsettings(store, false));
    QVERIFY(!DesktopMouseSettings().setDoubleClickTime(550));
}

QTEST_GUILESS_MAIN(DesktopMouseSettingsTest)
#include "desktop_mouse_settings_test.moc"
