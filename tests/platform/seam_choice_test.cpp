// The seam hands out the virtual mouse only when VIRTUAL_MOUSE_SOCKET names a socket.
#include "platform/hid/hid_seam.h"

#include <QTest>

class SeamChoiceTest : public QObject {
    Q_OBJECT

  private slots:
    void choice() {
        QCOMPARE(hidseam::apiFor(nullptr).name, "hidapi");
        QCOMPARE(hidseam::apiFor("").name, "hidapi");
        QVERIFY(hidseam::apiFor(nullptr).open_path == &hid_open_path);
        // This process was started without the variable, like the program on a desktop.
        if (!qEnvironmentVariableIsEmpty("VIRTUAL_MOUSE_SOCKET"))
            QSKIP("VIRTUAL_MOUSE_SOCKET is set");
        QCOMPARE(hidseam::api().name, "hidapi");
        QVERIFY(hidseam::virtualMouseSocket().isEmpty());
        QCOMPARE(hidseam::apiFor("/tmp/some.sock").name, "virtual-mouse");
        QCOMPARE(hidseam::api().name, "hidapi"); // chosen once, at the first call
    }
};

QTEST_GUILESS_MAIN(SeamChoiceTest)
#include "seam_choice_test.moc"
