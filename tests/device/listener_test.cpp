// The notification listener: DPI balloons, odd reports, stopping and removal.
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
        rig.balloons.clear();
    }
    static QString lastBalloon(Rig& rig) { return rig.balloons.last().at(1).toString(); }

  private slots:
    void dpiNotificationsShowTheirStage() {
        Rig rig;
        listen(rig);
        LinkState& link = LinkState::instance();
        link.setStageDpi(0, 800);
        link.setStageDpi(2, 1600);
        link.setStageDpi(6, 3500);
        link.setStageDpi(7, 4000);
        // Balloons are raised on the thread that owns the link, never on the listener's.
        QThread* raisedOn = nullptr;
        connect(
            rig.hid.get(), &Hid_Thread::balloonRequested, this,
            [&] { raisedOn = QThread::currentThread(); }, Qt::DirectConnection);
        QCOMPARE(rig.mouse.ctl({"dpi-button", "3"}), 0);
        QTRY_COMPARE(rig.balloons.count(), 1);
        QCOMPARE(rig.balloons.at(0), (QList<QVariant>{"Info", "DPI Switch to 1600", 1, 10000}));
        QCOMPARE(raisedOn, QThread::currentThread());
        // Stages 7 and 8 share the seventh caption; a language can replace them.
        QStringList texts;
        for (int i = 1; i <= 8; ++i)
            texts << QString("caption%1").arg(i);
        link.setNotificationTexts(texts);
        QCOMPARE(rig.mouse.ctl({"dpi-button", "8"}), 0);
        QTRY_COMPARE(rig.balloons.count(), 2);
        QCOMPARE(lastBalloon(rig), QString("caption7 4000"));
        QCOMPARE(rig.mouse.ctl({"dpi-button", "7"}), 0);
        QTRY_COMPARE(rig.balloons.count(), 3);
        QCOMPARE(lastBalloon(rig), QString("caption7 3500"));
        // Other reports show nothing: the real one after them brings the next balloon.
        for (const auto& odd :
             {QStringList{"06", "08", "00", "03"}, QStringList{"06", "07", "00"},
              QStringList{"06", "07", "00", "09"}, QStringList{"06", "07", "00", "00"}})
            QCOMPARE(rig.mouse.ctl(QStringList{"notify"} + odd), 0);
        QCOMPARE(rig.mouse.ctl({"dpi-button", "1"}), 0);
        QTRY_COMPARE(rig.balloons.count(), 4);
        QCOMPARE(lastBalloon(rig), QString("caption1 800"));
        QCOMPARE(int(rig.mouse.log("input").size()), 8);
    }

    void stopAndRemoval() {
        Rig rig;
        listen(rig);
        rig.hid->stopListener();
        QVERIFY(!rig.hid->isListening());
        // A report that comes now stays unread: the daemon answers the state query after
        // it has handed the report to any reader there was.
        QCOMPARE(rig.mouse.ctl({"dpi-button", "2"}), 0);
        QTRY_COMPARE(rig.mouse.state().value("open_handles").toInt(), 0);
        QVERIFY(rig.mouse.log("input").empty());
        // The next listener finds it.
        rig.hid->startListener(0);
        QTRY_COMPARE(rig.balloons.count(), 1);
        // Removal: the listener ends and the view goes off, but it is not a rejection.
        rig.views.clear();
        QCOMPARE(rig.mouse.ctl({"unplug"}), 0);
        QTRY_VERIFY(!rig.hid->isListening());
        QTRY_COMPARE(rig.views.count(), 1);
        QCOMPARE(rig.views.at(0).at(0).toBool(), false);
        QVERIFY(DebugLines::contains("Device removed"));
        QVERIFY(rig.hid->deviceTable()[0].notifyPath.isEmpty());
        QVERIFY(LinkState::instance().deviceAccepted);
        QCOMPARE(rig.hides.count(), 0);
    }
};

QTEST_GUILESS_MAIN(ListenerTest)
#include "listener_test.moc"
