// The lighting steps: every effect at every slider position, static's lowest step as
// lighting off, and positions and effects the panel never sends.
#include "model/led_steps.h"
#include "model/led_steps_qml.h"

#include <QTest>

using model::LedCommand;

Q_DECLARE_METATYPE(LedCommand)

namespace model {
// For QCOMPARE's failure message.
char* toString(const LedCommand& c) {
    return QTest::toString(
        QStringLiteral("{%1, %2, %3}").arg(c.effect).arg(c.option1).arg(c.option2));
}
} // namespace model

class LedStepsTest : public QObject {
    Q_OBJECT

  private slots:
    void commands_data() {
        QTest::addColumn<int>("effect");
        QTest::addColumn<QList<int>>("option1");
        // Option 1 at slider positions 0..4; option 2 is 2 throughout.
        QTest::newRow("static (0: off)") << 1 << QList<int>{-1, 2, 4, 6, 10};
        QTest::newRow("breath") << 2 << QList<int>{5, 4, 3, 2, 1};
        QTest::newRow("neon") << 3 << QList<int>{6, 12, 18, 24, 30};
        QTest::newRow("finger tapping") << 4 << QList<int>{6, 12, 18, 24, 30};
    }
    void commands() {
        QFETCH(int, effect);
        QFETCH(QList<int>, option1);
        for (int slider = 0; slider < model::kLedSteps; ++slider) {
            const LedCommand expected =
                option1[slider] < 0 ? LedCommand{0, 0, 0} : LedCommand{effect, option1[slider], 2};
            QCOMPARE(model::ledCommand(effect, slider), expected);
        }
    }

    void outOfRange_data() {
        QTest::addColumn<int>("effect");
        QTest::addColumn<int>("slider");
        QTest::addColumn<LedCommand>("command");
        QTest::newRow("static below 0: off") << 1 << -3 << LedCommand{0, 0, 0};
        QTest::newRow("static above 4: brightest") << 1 << 9 << LedCommand{1, 10, 2};
        QTest::newRow("breath below 0: slowest") << 2 << -1 << LedCommand{2, 5, 2};
        QTest::newRow("breath above 4: fastest") << 2 << 5 << LedCommand{2, 1, 2};
        QTest::newRow("neon above 4") << 3 << 100 << LedCommand{3, 30, 2};
        QTest::newRow("effect 0: finger tapping") << 0 << 1 << LedCommand{4, 12, 2};
        QTest::newRow("effect 7: finger tapping") << 7 << 3 << LedCommand{4, 24, 2};
        QTest::newRow("negative effect, negative slider") << -2 << -2 << LedCommand{4, 6, 2};
    }
    void outOfRange() {
        QFETCH(int, effect);
        QFETCH(int, slider);
        QFETCH(LedCommand, command);
        QCOMPARE(model::ledCommand(effect, slider), command);
    }

    // As the pages call it.
    void qmlObject() {
        const model::LedStepsQml qml;
        QCOMPARE(qml.command(2, 1), (QVariantMap{{"effect", 2}, {"option1", 4}, {"option2", 2}}));
        QCOMPARE(qml.command(1, 0), (QVariantMap{{"effect", 0}, {"option1", 0}, {"option2", 0}}));
    }
};

QTEST_APPLESS_MAIN(LedStepsTest)
#include "led_steps_test.moc"
