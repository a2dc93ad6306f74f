// The store side of the desktop's mouse settings, against a recording platform double:
// what goes into the profile, what the desktop is asked, and the debug lines on failure.
#include "system_mouse.h"
#include "system_mouse_settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {

// Records every call; each kind of call can be made to fail.
class RecordingMouse : public SystemMouse {
  public:
    bool setPointerSpeed(unsigned speed) override {
        speeds.push_back(speed);
        return !failSet;
    }
    bool getPointerSpeed(unsigned&) override { return false; }
    bool getMouseThresholds(Thresholds& out) override {
        ++thresholdReads;
        if (failGetThresholds)
            return false;
        out = thresholds;
        return true;
    }
    bool setMouseThresholds(const Thresholds& in) override {
        thresholdWrites.push_back(in);
        if (failSetThresholds)
            return false;
        thresholds = in;
        return true;
    }
    bool setWheelScrollLines(unsigned lines) override {
        wheelLines.push_back(lines);
        return !failSet;
    }
    bool setDoubleClickTime(unsigned milliseconds) override {
        doubleClickTimes.push_back(milliseconds);
        return !failSet;
    }

    bool failSet = false;
    bool failGetThresholds = false;
    bool failSetThresholds = false;
    Thresholds thresholds = {6, 10, 0};
    int thresholdReads = 0;
    std::vector<unsigned> speeds, wheelLines, doubleClickTimes;
    std::vector<Thresholds> thresholdWrites;
};

// Two profile files; the current one can be switched, or there may be none.
class TwoProfiles : public CurrentProfile {
  public:
    explicit TwoProfiles(const QString& dir) {
        for (int i = 0; i < 2; ++i) {
            paths[i] = dir + QStringLiteral("/p%1.bin").arg(i + 1);
            files[i] = std::make_unique<QSettings>(paths[i], QSettings::IniFormat);
        }
    }
    QSettings* currentProfile() const override {
        return current < 0 ? nullptr : files[current].get();
    }
    // The profile's text as it is on disk.
    QByteArray onDisk(int i) {
        files[i]->sync();
        QFile file(paths[i]);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    int current = 0;
    QString paths[2];
    std::unique_ptr<QSettings> files[2];
};

// Debug output of the store, line by line; other categories are not ours to judge.
QStringList g_lines;
void captureLine(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (context.category && qstrcmp(context.category, "store") == 0)
        g_lines << message;
}

} // namespace

class SystemMouseSettingsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void freshProfileReadsZeroAndNoSwap();
    void cursorSpeedLevelToPointerSpeed_data();
    void cursorSpeedLevelToPointerSpeed();
    void doubleClickLevelToTime_data();
    void doubleClickLevelToTime();
    void doubleClickLevelBeyondTheDialIsNotSent();
    void storedValuesSurviveAFreshSettingsObject();
    void valuesGoToTheCurrentProfileOnly();
    void failedDesktopCallWritesDebugLineAndKeepsValue_data();
    void failedDesktopCallWritesDebugLineAndKeepsValue();
    void accelerationKeepsBothThresholds();
    void accelerationFailures();
    void scrollSwapReadsStoredBoolean();

  private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TwoProfiles> profiles_;
    std::unique_ptr<RecordingMouse> mouse_;
    std::unique_ptr<SystemMouseSettings> settings_;
    QtMessageHandler previousHandler_ = nullptr;
};

void SystemMouseSettingsTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    profiles_ = std::make_unique<TwoProfiles>(dir_->path());
    mouse_ = std::make_unique<RecordingMouse>();
    settings_ = std::make_unique<SystemMouseSettings>(*profiles_, *mouse_);
    g_lines.clear();
    previousHandler_ = qInstallMessageHandler(captureLine);
}

void SystemMouseSettingsTest::cleanup() {
    qInstallMessageHandler(previousHandler_);
    settings_.reset();
    mouse_.reset();
    profiles_.reset();
    dir_.reset();
}

void SystemMouseSettingsTest::freshProfileReadsZeroAndNoSwap() {
    QCOMPARE(settings_->getCursorSpeed(), 0u);
    QCOMPARE(settings_->getVerticalScrollLines(), 0u);
    QCOMPARE(settings_->getDoubleClickSpeed(), 0u);
    QCOMPARE(settings_->getScrollPinSwap(), false);
    // The getters answer from the profile, not from the desktop.
    QVERIFY(mouse_->speeds.empty());
    QCOMPARE(mouse_->thresholdReads, 0);
}

void SystemMouseSettingsTest::cursorSpeedLevelToPointerSpeed_data() {
    QTest::addColumn<uint>("level");
    QTest::addColumn<unsigned>("speed");
    QTest::newRow("0 is the slowest speed, not 0") << 0u << 1u;
    QTest::newRow("10 is the fastest") << 10u << 20u;
    QTest::newRow("11, right of the dial") << 11u << 22u;
}

void SystemMouseSettingsTest::cursorSpeedLevelToPointerSpeed() {
    QFETCH(uint, level);
    QFETCH(unsigned, speed);
    settings_->setCursorSpeed(level);
    QCOMPARE(mouse_->speeds, std::vector<unsigned>{speed});
    QCOMPARE(settings_->getCursorSpeed(), level);
    QVERIFY(g_lines.isEmpty());
}

void SystemMouseSettingsTest::doubleClickLevelToTime_data() {
    QTest::addColumn<uint>("level");
    QTest::addColumn<unsigned>("milliseconds");
    QTest::newRow("0") << 0u << 900u;
    QTest::newRow("12, the last positive time") << 12u << 60u;
}

void SystemMouseSettingsTest::doubleClickLevelToTime() {
    QFETCH(uint, level);
    QFETCH(unsigned, milliseconds);
    settings_->setDoubleClickSpeed(level);
    QCOMPARE(mouse_->doubleClickTimes, std::vector<unsigned>{milliseconds});
    QCOMPARE(settings_->getDoubleClickSpeed(), level);
    QVERIFY(g_lines.isEmpty());
}

void SystemMouseSettingsTest::doubleClickLevelBeyondTheDialIsNotSent() {
    settings_->setDoubleClickSpeed(13);
    QVERIFY(mouse_->doubleClickTimes.empty());
    QCOMPARE(g_lines, QStringList{QStringLiteral("setDoubleClickSpeed Failed")});
    QCOMPARE(settings_->getDoubleClickSpeed(), 13u);
}

void SystemMouseSettingsTest::storedValuesSurviveAFreshSettingsObject() {
    settings_->setCursorSpeed(10);
    settings_->setVerticalScrollLines(1000);
    settings_->setDoubleClickSpeed(5);
    // One screen at a time goes to the desktop as 1000 lines, unchanged.
    QCOMPARE(mouse_->wheelLines, std::vector<unsigned>{1000});
    // The file holds the levels, not what the desktop was given.
    const QByteArray text = profiles_->onDisk(0);
    QVERIFY2(text.contains("cursorSpeed_Q7=10\n"), text.constData());
    QVERIFY2(text.contains("verticalScrollLines_Q7=1000\n"), text.constData());
    QVERIFY2(text.contains("doubleClickSpeed_Q7=5\n"), text.constData());

    // A later run reads the values back as text.
    profiles_->files[0] = std::make_unique<QSettings>(profiles_->paths[0], QSettings::IniFormat);
    QCOMPARE(settings_->getCursorSpeed(), 10u);
    QCOMPARE(settings_->getVerticalScrollLines(), 1000u);
    QCOMPARE(settings_->getDoubleClickSpeed(), 5u);
}

void SystemMouseSettingsTest::valuesGoToTheCurrentProfileOnly() {
    settings_->setCursorSpeed(7);
    profiles_->current = 1;
    QCOMPARE(settings_->getCursorSpeed(), 0u);
    settings_->setCursorSpeed(3);
    QCOMPARE(settings_->getCursorSpeed(), 3u);
    profiles_->current = 0;
    QCOMPARE(settings_->getCursorSpeed(), 7u);
    // Switching profiles applies nothing by itself.
    QCOMPARE(mouse_->speeds, (std::vector<unsigned>{14, 6}));
}

void SystemMouseSettingsTest::failedDesktopCallWritesDebugLineAndKeepsValue_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("line");
    QTest::newRow("speed") << 0 << "setCursorSpeed Failed";
    QTest::newRow("scroll lines") << 1 << "setVerticalScrollLines Failed";
    QTest::newRow("double click") << 2 << "setDoubleClickSpeed Failed";
}

void SystemMouseSettingsTest::failedDesktopCallWritesDebugLineAndKeepsValue() {
    QFETCH(int, which);
    QFETCH(QString, line);
    mouse_->failSet = true;
    using Set = void (SystemMouseSettings::*)(uint);
    using Get = uint (SystemMouseSettings::*)() const;
    const Set setters[] = {&SystemMouseSettings::setCursorSpeed,
                           &SystemMouseSettings::setVerticalScrollLines,
                           &SystemMouseSettings::setDoubleClickSpeed};
    const Get getters[] = {&SystemMouseSettings::getCursorSpeed,
                           &SystemMouseSettings::getVerticalScrollLines,
                           &SystemMouseSettings::getDoubleClickSpeed};
    (settings_.get()->*setters[which])(4);
    QCOMPARE(g_lines, QStringList{line});
    QCOMPARE((settings_.get()->*getters[which])(), 4u);
}

void SystemMouseSettingsTest::accelerationKeepsBothThresholds() {
    mouse_->thresholds = {4, 12, 0};
    QCOMPARE(settings_->getAcceleration(), false);
    settings_->setAcceleration(true);
    QCOMPARE(mouse_->thresholdWrites.size(), std::size_t(1));
    QCOMPARE(mouse_->thresholdWrites.back(), (SystemMouse::Thresholds{4, 12, 1}));
    QCOMPARE(settings_->getAcceleration(), true);
    settings_->setAcceleration(false);
    QCOMPARE(mouse_->thresholdWrites.back(), (SystemMouse::Thresholds{4, 12, 0}));
    // Any non-zero flag counts as on.
    mouse_->thresholds = {6, 10, 2};
    QCOMPARE(settings_->getAcceleration(), true);
    QVERIFY(g_lines.isEmpty());
}

void SystemMouseSettingsTest::accelerationFailures() {
    mouse_->thresholds = {6, 10, 1};
    mouse_->failGetThresholds = true;
    QCOMPARE(settings_->getAcceleration(), false);
    QCOMPARE(g_lines, QStringList{QStringLiteral("getAcceleration Failed")});
    g_lines.clear();
    // Without the current thresholds nothing is written back.
    settings_->setAcceleration(true);
    QVERIFY(mouse_->thresholdWrites.empty());
    QCOMPARE(g_lines, QStringList{QStringLiteral("setAcceleration Failed")});
    g_lines.clear();

    mouse_->failGetThresholds = false;
    mouse_->failSetThresholds = true;
    settings_->setAcceleration(true);
    QCOMPARE(mouse_->thresholdWrites.size(), std::size_t(1));
    QCOMPARE(g_lines, QStringList{QStringLiteral("setAcceleration Failed")});
}

void SystemMouseSettingsTest::scrollSwapReadsStoredBoolean() {
    // As a later run finds it: text in the file.
    {
        QFile file(profiles_->paths[1]);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[keydefine_Q7]\nscrollswap=true\n");
    }
    profiles_->files[1] = std::make_unique<QSettings>(profiles_->paths[1], QSettings::IniFormat);
    profiles_->current = 1;
    QCOMPARE(settings_->getScrollPinSwap(), true);
    profiles_->current = 0;
    QCOMPARE(settings_->getScrollPinSwap(), false);
}

QTEST_GUILESS_MAIN(SystemMouseSettingsTest)
#include "system_mouse_settings_test.moc"
