// The store side of the desktop's mouse settings; the test is the desktop (recording every
// call, each kind able to fail) and the two profiles.
#include "platform/system_mouse.h"
#include "store/system_mouse_settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
QStringList debugLines; // of the store's category only
void collectDebug(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (context.category && qstrcmp(context.category, "store") == 0)
        debugLines << message;
}
} // namespace

class SystemMouseSettingsTest : public QObject, public CurrentProfile, public SystemMouse {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QSettings> files[2];
    int current = 0;
    bool failSet = false, failGetThresholds = false, failSetThresholds = false;
    Thresholds thresholds;
    QStringList calls;

    QString path(int i) const { return dir->filePath(QStringLiteral("p%1.bin").arg(i + 1)); }
    void reopen(int i) { files[i] = std::make_unique<QSettings>(path(i), QSettings::IniFormat); }
    bool note(const char* what, unsigned value, Setting setting) {
        calls << QString("%1 %2").arg(what).arg(value);
        return report(setting, !failSet);
    }

  public:
    QSettings* currentProfile() const override { return files[current].get(); }
    bool setPointerSpeed(unsigned v) override { return note("speed", v, Setting::PointerSpeed); }
    bool getPointerSpeed(unsigned&) override { return false; }
    bool setWheelScrollLines(unsigned v) override {
        return note("lines", v, Setting::WheelScrollLines);
    }
    bool setDoubleClickTime(unsigned v) override {
        return note("click", v, Setting::DoubleClickTime);
    }
    bool getMouseThresholds(Thresholds& out) override {
        out = thresholds;
        return !failGetThresholds;
    }
    bool setMouseThresholds(const Thresholds& in) override {
        calls << QString("thresholds %1 %2 %3").arg(in[0]).arg(in[1]).arg(in[2]);
        thresholds = failSetThresholds ? thresholds : in;
        return report(Setting::Acceleration, !failSetThresholds);
    }

  private slots:
    void initTestCase() { qInstallMessageHandler(collectDebug); }

    void init() {
        files[0].reset();
        files[1].reset();
        dir = std::make_unique<QTemporaryDir>();
        reopen(0);
        reopen(1);
        current = 0;
        failSet = failGetThresholds = failSetThresholds = false;
        thresholds = {6, 10, 0};
        calls.clear();
        debugLines.clear();
    }

    // Levels go to the desktop in its own units; the file keeps the levels.
    void levelsReachTheDesktopAndTheProfile() {
        SystemMouseSettings settings(*this, *this);
        QVERIFY(settings.getCursorSpeed() == 0 && settings.getDoubleClickSpeed() == 0);
        QVERIFY(settings.getVerticalScrollLines() == 0 && !settings.getScrollPinSwap());
        QVERIFY(calls.isEmpty()); // the getters answer from the profile
        for (uint level : {0, 10, 11})
            settings.setCursorSpeed(level);
        for (uint level : {0, 12})
            settings.setDoubleClickSpeed(level);
        settings.setVerticalScrollLines(1000); // one screen at a time, unchanged
        QVERIFY(debugLines.isEmpty());
        settings.setDoubleClickSpeed(13); // beyond the dial: a negative time, not sent
        QCOMPARE(debugLines, QStringList{"setDoubleClickSpeed Failed"});
        QCOMPARE(calls, QStringList({"speed 1", "speed 20", "speed 22", "click 900", "click 60",
                                     "lines 1000"}));

        files[0]->sync();
        QFile file(path(0));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        for (const char* line :
             {"cursorSpeed_Q7=11\n", "verticalScrollLines_Q7=1000\n", "doubleClickSpeed_Q7=13\n"})
            QVERIFY2(text.contains(line), text.constData());
        reopen(0); // as a later run finds it
        QCOMPARE(QList<uint>({settings.getCursorSpeed(), settings.getVerticalScrollLines(),
                              settings.getDoubleClickSpeed()}),
                 QList<uint>({11, 1000, 13}));
    }

    // Values go to the current profile only; switching applies nothing by itself.
    void currentProfileOnly() {
        SystemMouseSettings settings(*this, *this);
        settings.setCursorSpeed(7);
        current = 1;
        QCOMPARE(settings.getCursorSpeed(), 0u);
        settings.setCursorSpeed(3);
        current = 0;
        QCOMPARE(settings.getCursorSpeed(), 7u);
        QCOMPARE(calls, QStringList({"speed 14", "speed 6"}));
        files[1]->setValue("keydefine_Q7/scrollswap", "true"); // as text, like a later run
        QVERIFY(!settings.getScrollPinSwap());
        current = 1;
        QVERIFY(settings.getScrollPinSwap());
        // A refused value is still kept, with a line, and the pages hear of each outcome.
        QList<std::pair<Setting, bool>> outcomes;
        settings.setOutcomeHandler([&](Setting s, bool taken) { outcomes.append({s, taken}); });
        settings.setCursorSpeed(2);
        failSet = true;
        settings.setCursorSpeed(4);
        settings.setVerticalScrollLines(5);
        settings.setDoubleClickSpeed(6);
        settings.setDoubleClickSpeed(13); // refused before the desktop is asked
        QCOMPARE(debugLines,
                 QStringList({"setCursorSpeed Failed", "setVerticalScrollLines Failed",
                              "setDoubleClickSpeed Failed", "setDoubleClickSpeed Failed"}));
        const QList<std::pair<Setting, bool>> expected{{Setting::PointerSpeed, true},
                                                       {Setting::PointerSpeed, false},
                                                       {Setting::WheelScrollLines, false},
                                                       {Setting::DoubleClickTime, false},
                                                       {Setting::DoubleClickTime, false}};
        QVERIFY(outcomes == expected);
        QCOMPARE(QList<uint>({settings.getCursorSpeed(), settings.getVerticalScrollLines(),
                              settings.getDoubleClickSpeed()}),
                 QList<uint>({4, 5, 13}));
    }

    // Only the flag changes; both thresholds go back as they were.
    void acceleration() {
        SystemMouseSettings settings(*this, *this);
        thresholds = {4, 12, 0};
        QVERIFY(!settings.getAcceleration());
        settings.setAcceleration(true);
        QVERIFY(settings.getAcceleration());
        settings.setAcceleration(false);
        thresholds = {6, 10, 2}; // any non-zero flag is on
        QVERIFY(settings.getAcceleration());
        QVERIFY(debugLines.isEmpty());

        failGetThresholds = true; // then nothing is written back
        QVERIFY(!settings.getAcceleration());
        settings.setAcceleration(true);
        failGetThresholds = false;
        failSetThresholds = true;
        settings.setAcceleration(true);
        QCOMPARE(calls,
                 QStringList({"thresholds 4 12 1", "thresholds 4 12 0", "thresholds 6 10 1"}));
        QCOMPARE(debugLines, QStringList({"getAcceleration Failed", "setAcceleration Failed",
                                          "setAcceleration Failed"}));
    }
};

QTEST_GUILESS_MAIN(SystemMouseSettingsTest)
#include "system_mouse_settings_test.moc"
