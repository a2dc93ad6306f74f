// The X11 side of the desktop's mouse settings on a real X server (./test.sh runs the tests
// under Xvfb): what is set must be what the server holds, seen from a connection of our own,
// and must read back as the value that was set.
#include "system_mouse_settings.h"
#include "system_mouse_x11.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <X11/Xlib.h>

#include <memory>

namespace {

struct PointerControl {
    int numerator = 0;
    int denominator = 0;
    int threshold = 0;
    double factor() const { return double(numerator) / denominator; }
};

class OneProfile : public CurrentProfile {
  public:
    explicit OneProfile(const QString& path) : settings(path, QSettings::IniFormat) {}
    QSettings* currentProfile() const override { return &settings; }
    mutable QSettings settings;
};

} // namespace

class SystemMouseX11Test : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void speedsRoundTrip();
    void speedFactors_data();
    void speedFactors();
    void speedsOutsideTheRangeAreRefused();
    void thresholdsRoundTrip();
    void thresholdSetByAnotherToolIsReported();
    void storeLevelsReachTheServer();
    void storeAccelerationKeepsThresholds();
    void unreachableDisplayFails();

  private:
    PointerControl observe();
    void setOnServer(const PointerControl& control);

    Display* observer_ = nullptr;
    PointerControl original_;
};

PointerControl SystemMouseX11Test::observe() {
    PointerControl c;
    XGetPointerControl(observer_, &c.numerator, &c.denominator, &c.threshold);
    return c;
}

void SystemMouseX11Test::setOnServer(const PointerControl& c) {
    XChangePointerControl(observer_, True, True, c.numerator, c.denominator, c.threshold);
    XSync(observer_, False);
}

void SystemMouseX11Test::initTestCase() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("DISPLAY is not set: these tests change the pointer control of a real X server "
              "(./test.sh runs them under its own Xvfb)");
    observer_ = XOpenDisplay(nullptr);
    QVERIFY2(observer_, "DISPLAY is set but the X server cannot be reached");
    original_ = observe();
}

void SystemMouseX11Test::cleanupTestCase() {
    if (!observer_)
        return;
    setOnServer(original_);
    XCloseDisplay(observer_);
    observer_ = nullptr;
}

void SystemMouseX11Test::init() {
    // A known start: X's own default acceleration 2/1 with threshold 4.
    setOnServer({2, 1, 4});
}

void SystemMouseX11Test::speedsRoundTrip() {
    SystemMouseX11 mouse;
    double previous = 0;
    for (unsigned speed = 1; speed <= 20; ++speed) {
        QVERIFY(mouse.setPointerSpeed(speed));
        const PointerControl seen = observe();
        QVERIFY2(seen.factor() > previous, qPrintable(QString::number(speed)));
        previous = seen.factor();
        // Also through a fresh object, which remembers nothing.
        unsigned read = 0;
        QVERIFY(SystemMouseX11().getPointerSpeed(read));
        QCOMPARE(read, speed);
    }
}

void SystemMouseX11Test::speedFactors_data() {
    QTest::addColumn<unsigned>("speed");
    QTest::addColumn<double>("factor");
    QTest::newRow("6") << 6u << 0.5;
    QTest::newRow("10, one to one") << 10u << 1.0;
    QTest::newRow("14") << 14u << 2.0;
}

void SystemMouseX11Test::speedFactors() {
    QFETCH(unsigned, speed);
    QFETCH(double, factor);
    QVERIFY(SystemMouseX11().setPointerSpeed(speed));
    QCOMPARE(observe().factor(), factor);
}

void SystemMouseX11Test::speedsOutsideTheRangeAreRefused() {
    SystemMouseX11 mouse;
    QVERIFY(mouse.setPointerSpeed(10));
    const PointerControl before = observe();
    QVERIFY(!mouse.setPointerSpeed(0));
    QVERIFY(!mouse.setPointerSpeed(21));
    const PointerControl after = observe();
    QCOMPARE(after.numerator, before.numerator);
    QCOMPARE(after.denominator, before.denominator);
}

void SystemMouseX11Test::thresholdsRoundTrip() {
    SystemMouseX11 mouse;
    SystemMouse::Thresholds read{};

    QVERIFY(mouse.setMouseThresholds({7, 12, 1}));
    QCOMPARE(observe().threshold, 7);
    QVERIFY(mouse.getMouseThresholds(read));
    QCOMPARE(read, (SystemMouse::Thresholds{7, 12, 1}));

    QVERIFY(mouse.setMouseThresholds({7, 12, 0}));
    QCOMPARE(observe().threshold, 1);
    QVERIFY(mouse.getMouseThresholds(read));
    QCOMPARE(read, (SystemMouse::Thresholds{7, 12, 0}));

    // Windows turns acceleration off as 0, 0, 0; turning it on again keeps those zeros.
    QVERIFY(mouse.setMouseThresholds({0, 0, 1}));
    QVERIFY(observe().threshold > 1);
    QVERIFY(mouse.getMouseThresholds(read));
    QCOMPARE(read, (SystemMouse::Thresholds{0, 0, 1}));

    // The speed is untouched by the thresholds, and the other way round.
    QVERIFY(mouse.setPointerSpeed(16));
    QVERIFY(mouse.setMouseThresholds({9, 12, 1}));
    unsigned speed = 0;
    QVERIFY(mouse.getPointerSpeed(speed));
    QCOMPARE(speed, 16u);
    // A fresh object sees the flag and the server's threshold.
    QVERIFY(SystemMouseX11().getMouseThresholds(read));
    QCOMPARE(read[0], 9);
    QCOMPARE(read[2], 1);
}

void SystemMouseX11Test::thresholdSetByAnotherToolIsReported() {
    SystemMouseX11 mouse;
    QVERIFY(mouse.setMouseThresholds({6, 10, 1}));
    PointerControl other = observe();
    other.threshold = 11;
    setOnServer(other);
    SystemMouse::Thresholds read{};
    QVERIFY(mouse.getMouseThresholds(read));
    QCOMPARE(read, (SystemMouse::Thresholds{11, 10, 1}));
}

void SystemMouseX11Test::storeLevelsReachTheServer() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    OneProfile profile(dir.filePath(QStringLiteral("p1.bin")));
    SystemMouseX11 mouse;
    SystemMouseSettings settings(profile, mouse);

    settings.setCursorSpeed(0);
    QCOMPARE(observe().factor(), 1.0 / 32); // speed 1
    QCOMPARE(settings.getCursorSpeed(), 0u);

    settings.setCursorSpeed(10);
    QCOMPARE(observe().factor(), 3.5); // speed 20
    unsigned speed = 0;
    QVERIFY(mouse.getPointerSpeed(speed));
    QCOMPARE(speed, 20u);
    QCOMPARE(settings.getCursorSpeed(), 10u);
}

void SystemMouseX11Test::storeAccelerationKeepsThresholds() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    OneProfile profile(dir.filePath(QStringLiteral("p1.bin")));
    SystemMouseX11 mouse;
    SystemMouseSettings settings(profile, mouse);

    // The server starts accelerating above 4 pixels.
    QCOMPARE(settings.getAcceleration(), true);
    settings.setAcceleration(false);
    QCOMPARE(observe().threshold, 1);
    QCOMPARE(settings.getAcceleration(), false);
    settings.setAcceleration(true);
    QCOMPARE(observe().threshold, 4);
    QCOMPARE(settings.getAcceleration(), true);
    SystemMouse::Thresholds read{};
    QVERIFY(mouse.getMouseThresholds(read));
    QCOMPARE(read, (SystemMouse::Thresholds{4, 10, 1}));
    // Acceleration lives on the server only.
    QVERIFY(profile.settings.allKeys().isEmpty());
}

void SystemMouseX11Test::unreachableDisplayFails() {
    SystemMouseX11 mouse(":4093");
    QVERIFY(!mouse.setPointerSpeed(10));
    unsigned speed = 0;
    QVERIFY(!mouse.getPointerSpeed(speed));
    SystemMouse::Thresholds read{};
    QVERIFY(!mouse.getMouseThresholds(read));
    QVERIFY(!mouse.setMouseThresholds({6, 10, 1}));
}

QTEST_GUILESS_MAIN(SystemMouseX11Test)
#include "system_mouse_x11_test.moc"
