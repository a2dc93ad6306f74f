// The notification listener: DPI balloons, odd reports, removal; and the slot list the
// pages and the facade rely on.
#include "device_fixture.h"

#include <QTest>

using devicetest::DebugLines;
using devicetest::Rig;

class ListenerTest : public QObject {
    Q_OBJECT

    // An accepted, listening mouse with the acceptance balloon forgotten.
    static void listen(Rig& rig) {
        rig.discover();
        QVERIFY(rig.hid->isListening());
        rig.balloons->clear();
    }

  private slots:
    void initTestCase() { DebugLines::install(); }

    void dpiNotificationShowsItsStage() {
        Rig rig;
        QVERIFY(rig.mouse.started());
        listen(rig);
        LinkState::instance().setStageDpi(2, 1600);
        LinkState::instance().setStageDpi(6, 3500);
        LinkState::instance().setStageDpi(7, 4000);

        // Balloons are raised on the thread that owns the link, never on the listener's.
        QThread* raisedOn = nullptr;
        connect(
            rig.hid.get(), &Hid_Thread::balloonRequested, this,
            [&] { raisedOn = QThread::currentThread(); }, Qt::DirectConnection);
        QCOMPARE(rig.mouse.ctl({"dpi-button", "3"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(rig.balloons->count(), 1, 5000);
        QCOMPARE(rig.balloons->at(0).at(0).toString(), QString("Info"));
        QCOMPARE(rig.balloons->at(0).at(1).toString(), QString("DPI Switch to 1600"));
        QCOMPARE(rig.balloons->at(0).at(2).toInt(), 1);
        QCOMPARE(rig.balloons->at(0).at(3).toInt(), 10000);
        QCOMPARE(raisedOn, QThread::currentThread());

        // Stages 7 and 8 share the seventh caption; a language can replace them.
        QStringList texts;
        for (int i = 1; i <= 8; ++i)
            texts << QString("caption%1").arg(i);
        LinkState::instance().setNotificationTexts(texts);
        QCOMPARE(rig.mouse.ctl({"dpi-button", "8"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(rig.balloons->count(), 2, 5000);
        QCOMPARE(rig.balloons->at(1).at(1).toString(), QString("caption7 4000"));
        QCOMPARE(rig.mouse.ctl({"dpi-button", "7"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(rig.balloons->count(), 3, 5000);
        QCOMPARE(rig.balloons->at(2).at(1).toString(), QString("caption7 3500"));
    }

    void otherReportsShowNothing() {
        Rig rig;
        QVERIFY(rig.mouse.started());
        listen(rig);
        QCOMPARE(rig.mouse.ctl({"notify", "06", "08", "00", "03"}), 0);
        QCOMPARE(rig.mouse.ctl({"notify", "06", "07", "00"}), 0);       // short read
        QCOMPARE(rig.mouse.ctl({"notify", "06", "07", "00", "09"}), 0); // no such stage
        QCOMPARE(rig.mouse.ctl({"notify", "06", "07", "00", "00"}), 0);
        // A real one afterwards proves the others were read, not left waiting.
        QCOMPARE(rig.mouse.ctl({"dpi-button", "1"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(rig.balloons->count(), 1, 5000);
        QCOMPARE(rig.balloons->at(0).at(1).toString(), QString("DPI Switch to 0"));
        QTest::qWait(700);
        QCOMPARE(rig.balloons->count(), 1);
        QCOMPARE(int(rig.mouse.log("input").size()), 5);
    }

    void removalDisablesTheView() {
        Rig rig;
        QVERIFY(rig.mouse.started());
        listen(rig);
        rig.views->clear();
        QCOMPARE(rig.mouse.ctl({"unplug"}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.hid->isListening(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(rig.views->count(), 1, 5000);
        QCOMPARE(rig.views->at(0).at(0).toBool(), false);
        QVERIFY(DebugLines::contains("Device removed"));
        QVERIFY(rig.hid->deviceTable()[0].notifyPath.isEmpty());
        // Removal is not a rejection.
        QVERIFY(LinkState::instance().deviceAccepted);
        QCOMPARE(rig.hides->count(), 0);

        // Back again: the next discovery accepts it and listens anew.
        QCOMPARE(rig.mouse.ctl({"plug"}), 0);
        rig.discover();
        QCOMPARE(rig.runs->count(), 2);
        QVERIFY(rig.hid->isListening());
    }

    void stopJoinsTheListener() {
        Rig rig;
        QVERIFY(rig.mouse.started());
        listen(rig);
        rig.hid->stopListener();
        QVERIFY(!rig.hid->isListening());
        // Nothing reads notifications any more.
        QCOMPARE(rig.mouse.ctl({"dpi-button", "2"}), 0);
        QTest::qWait(700);
        QCOMPARE(rig.balloons->count(), 0);
        QTRY_COMPARE(rig.mouse.state().value("open_handles").toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(ListenerTest)
#include "listener_test.moc"
