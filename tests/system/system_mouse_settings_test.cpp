// The store side of the desktop's mouse settings against a recording platform double: what
// goes into the profile file, what the desktop is asked, and the debug lines on failure.
#include "system_mouse.h"
#include "system_mouse_settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Records every call as text; each kind of call can be made to fail.
class RecordingMouse : public SystemMouse {
  public:
    bool setPointerSpeed(unsigned speed) override { return note("speed", speed, failSet); }
    bool getPointerSpeed(unsigned&) override { return false; }
    bool setWheelScrollLines(unsigned lines) override { return note("lines", lines, failSet); }
    bool setDoubleClickTime(unsigned ms) override { return note("click", ms, failSet); }
    bool getMouseThresholds(Thresholds& out) override {
        out = thresholds;
        return !failGetThresholds;
    }
    bool setMouseThresholds(const Thresholds& in) override {
        calls << QStringLiteral("thresholds %1 %2 %3").arg(in[0]).arg(in[1]).arg(in[2]);
        thresholds = failSetThresholds ? thresholds : in;
        return !failSetThresholds;
    }
    bool note(const char* what, unsigned value, bool fail) {
        calls << QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(value);
        return !fail;
    }

    bool failSet = false, failGetThresholds = false, failSetThresholds = false;
    Thresholds thresholds = {6, 10, 0};
    QStringList calls;
};

// Two profile files; the current one can be switched.
class TwoProfiles : public CurrentProfile {
  public:
    explicit TwoProfiles(const QString& dir) : dir(dir) {
        reopen(0);
        reopen(1);
    }
    QSettings* currentProfile() const override { return files[current].get(); }
    QString path(int i) const { return dir + QStringLiteral("/p%1.bin").arg(i + 1); }
    // As a later run finds the file.
    void reopen(int i) { files[i] = std::make_unique<QSettings>(path(i), QSettings::IniFormat); }

    QString dir;
    int current = 0;
    std::unique_ptr<QSettings> files[2];
};

QStringList debugLines; // of the store's category only
void collectDebug(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (context.category && qstrcmp(context.category, "store") == 0)
        debugLines << message;
}

} // namespace

class SystemMouseSettingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TwoProfiles> profiles;
    std::unique_ptr<RecordingMouse> mouse;
    std::unique_ptr<SystemMouseSettings> settings;

  private slots:
    void initTestCase() { qInstallMessageHandler(collectDebug); }

    void init() {
        settings.reset();
        profiles.reset();
        dir = std::make_unique<QTemporaryDir>();
        profiles = std::make_unique<TwoProfiles>(dir->path());
        mouse = std::make_unique<RecordingMouse>();
        settings = std::make_unique<SystemMouseSettings>(*profiles, *mouse);
        debugLines.clear();
    }

    // Levels go to the desktop as its own units; the file keeps the levels.
    void levelsReachTheDesktopAndTheProfile() {
        QVERIFY(settings->getCursorSpeed() == 0 && settings->getDoubleClickSpeed() == 0);
        QVERIFY(settings->getVerticalScrollLines() == 0 && !settings->getScrollPinSwap());
        QVERIFY(mouse->calls.isEmpty()); // the getters answer from the profile
        for (uint level : {0, 10, 11})
            settings->setCursorSpeed(level);
        for (uint level : {0, 12})
            settings->setDoubleClickSpeed(level);
        settings->setVerticalScrollLines(1000); // one screen at a time, unchanged
        QVERIFY(debugLines.isEmpty());
        settings->setDoubleClickSpeed(13); // beyond the dial: a negative time, not sent
        QCOMPARE(debugLines, QStringList{"setDoubleClickSpeed Failed"});
        QCOMPARE(mouse->calls, QStringList({"speed 1", "speed 20", "speed 22", "click 900",
                                            "click 60", "lines 1000"}));

        profiles->files[0]->sync();
        QFile file(profiles->path(0));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        for (const char* line :
             {"cursorSpeed_Q7=11\n", "verticalScrollLines_Q7=1000\n", "doubleClickSpeed_Q7=13\n"})
            QVERIFY2(text.contains(line), text.constData());
        profiles->reopen(0);
        QCOMPARE(settings->getCursorSpeed(), 11u);
        QCOMPARE(settings->getVerticalScrollLines(), 1000u);
        QCOMPARE(settings->getDoubleClickSpeed(), 13u);
    }

    // Switching profiles applies nothing by itself.
    void valuesGoToTheCurrentProfileOnly() {
        settings->setCursorSpeed(7);
        profiles->current = 1;
        QCOMPARE(settings->getCursorSpeed(), 0u);
        settings->setCursorSpeed(3);
        profiles->current = 0;
        QCOMPARE(settings->getCursorSpeed(), 7u);
        QCOMPARE(mouse->calls, QStringList({"speed 14", "speed 6"}));
    }

    void failedDesktopCallWritesALineAndKeepsTheValue() {
        mouse->failSet = true;
        settings->setCursorSpeed(4);
        settings->setVerticalScrollLines(5);
        settings->setDoubleClickSpeed(6);
        QCOMPARE(debugLines, QStringList({"setCursorSpeed Failed", "setVerticalScrollLines Failed",
                                          "setDoubleClickSpeed Failed"}));
        QCOMPARE(QList<uint>({settings->getCursorSpeed(), settings->getVerticalScrollLines(),
                              settings->getDoubleClickSpeed()}),
                 QList<uint>({4, 5, 6}));
    }

    // Only the flag changes; both thresholds go back as they were.
    void acceleration() {
        mouse->thresholds = {4, 12, 0};
        QVERIFY(!settings->getAcceleration());
        settings->setAcceleration(true);
        QVERIFY(settings->getAcceleration());
        settings->setAcceleration(false);
        mouse->thresholds = {6, 10, 2}; // any non-zero flag is on
        QVERIFY(settings->getAcceleration());
        QVERIFY(debugLines.isEmpty());

        mouse->failGetThresholds = true; // then nothing is written back
        QVERIFY(!settings->getAcceleration());
        settings->setAcceleration(true);
        mouse->failGetThresholds = false;
        mouse->failSetThresholds = true;
        settings->setAcceleration(true);
        QCOMPARE(mouse->calls,
                 QStringList({"thresholds 4 12 1", "thresholds 4 12 0", "thresholds 6 10 1"}));
        QCOMPARE(debugLines, QStringList({"getAcceleration Failed", "setAcceleration Failed",
                                          "setAcceleration Failed"}));
    }

    void scrollSwapIsReadFromTheFile() {
        QFile file(profiles->path(1));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[keydefine_Q7]\nscrollswap=true\n");
        file.close();
        profiles->reopen(1);
        profiles->current = 1;
        QVERIFY(settings->getScrollPinSwap());
        profiles->current = 0;
        QVERIFY(!settings->getScrollPinSwap());
    }
};

QTEST_GUILESS_MAIN(SystemMouseSettingsTest)
#include "system_mouse_settings_test.moc"
