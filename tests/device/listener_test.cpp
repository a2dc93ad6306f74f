// The notification listener: DPI balloons, odd reports, removal; and the slot list the
// pages and the facade rely on.
#include "device_fixture.h"

#include <QMetaMethod>
#include <QRegularExpression>
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

    void slotListIsComplete() {
        const QStringList expected = {
            "swichCurDevice(uint)",
            "hidCS(uchar*)",
            "chkDeviceIsEnCode()",
            "USBDataEncryption(uchar[],uchar[])",
            "USBDataDecipher(uchar[],uchar[])",
            "hid_00H_GetSecrecyCode(uchar&,uchar&,uchar&,uchar&)",
            "hid_01H_SetReportRate(uchar)",
            "hid_02H_SetCurrentProfile(uchar)",
            "hid_03H_SetKeyboardoption(uchar,uchar,uchar,uchar)",
            "hid_03H_SetFunctionOption(uchar,uchar,uchar,uchar)",
            "hid_04H_SetGunData(uchar,uchar,uchar,uchar,uchar)",
            "hid_07H_SetControlIndicatorLight(uchar,uchar)",
            "hid_07H_SetLEDInstructFunction(uchar,uchar,uchar,uchar)",
            "hid_08H_SetLEDType(uchar,uchar,uchar,uchar,uchar,uchar)",
            "hid_09H_SetKeyboardMode(uchar)",
            "hid_0BH_SetCurrentDPIStage(uchar)",
            "hid_0DH_SetKeyMatrix(uchar*)",
            "hid_0DH_SetRGBLedEffect(uchar,uchar,uchar)",
            "hid_0EH_SetKeyOnOff(uchar*)",
            "hid_0EH_SetXYSensitive(uchar,uchar)",
            "hid_10H_SetLED8StageColor(uchar,uchar*)",
            "hid_11H_SetMacroKey(uchar,uchar*)",
            "hid_11H_SetDPISet(uchar,uchar*)",
            "hid_12H_SetUserPicture(uchar,uchar,uchar*)",
            "hid_12H_SetKeyMatrix(uchar*,uchar)",
            "hid_13H_SetRecoveryData()",
            "hid_13H_SetMacroKey(uchar,uchar*)",
            "hid_14H_SetColor(uchar,uchar,uchar,uchar)",
            "hid_80H_GetFWVersion(QString&)",
            "hid_81H_GetReportRate(uchar&)",
            "hid_82H_GetCurrentProfile(uchar&)",
            "hid_83H_GetKeyboardoption(uchar&,uchar&,uchar&,uchar&)",
            "hid_83H_GetFunctionOption(uchar&,uchar&,uchar&)",
            "hid_84H_GetButtonSensitivity(uchar&,uchar&,uchar&,uchar&)",
            "hid_87H_GetLEDInstructFunction(uchar,uchar&,uchar&,uchar&)",
            "hid_88H_GetLEDType(uchar&,uchar&,uchar&,uchar&,uchar&)",
            "hid_89H_GetKeyboardMode(uchar&)",
            "hid_8BH_GetCurrentDPIStage(uchar&)",
            "hid_8DH_GetKeyMatrix(uchar*)",
            "hid_8DH_GetRGBLedEffect(uchar&,uchar&,uchar&)",
            "hid_8EH_GetKeyOnOff(uchar*)",
            "hid_90H_GetLED8StageColor(uchar,uchar*)",
            "hid_91H_GetMacroKey(uchar,uchar*)",
            "hid_91H_GetDPISet(uchar&,uchar*)",
            "hid_92H_GetUserPicture(uchar,uchar*)",
            "hid_92H_GetKeyMatrix(uchar*)",
            "hid_93H_GetMacroKey(uchar,uchar*)",
            "hid_94H_GetColor(uchar,uchar&,uchar&,uchar&)",
        };
        QStringList found;
        QMap<QString, QString> returns;
        const QMetaObject& mo = Hid_Thread::staticMetaObject;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
            const QMetaMethod m = mo.method(i);
            if (m.methodType() != QMetaMethod::Slot)
                continue;
            QCOMPARE(m.access(), QMetaMethod::Public);
            found << QString::fromLatin1(m.methodSignature());
            returns.insert(QString::fromLatin1(m.name()), QString::fromLatin1(m.typeName()));
        }
        QCOMPARE(found, expected);
        QCOMPARE(found.filter(QRegularExpression("^hid_")).size(), 43);
        QCOMPARE(returns.value("hidCS"), QString("uchar"));
        QCOMPARE(returns.value("hid_87H_GetLEDInstructFunction"), QString("bool"));
        QCOMPARE(returns.value("hid_91H_GetDPISet"), QString("bool"));
        QCOMPARE(returns.value("hid_80H_GetFWVersion"), QString("bool"));
        Hid_Thread h;
        QVERIFY(qobject_cast<QThread*>(&h));
    }
};

QTEST_GUILESS_MAIN(ListenerTest)
#include "listener_test.moc"
