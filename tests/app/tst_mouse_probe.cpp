// Finding the mouse through the HID seam: against a hand-made device list, and against
// the virtual mouse as it is plugged and unplugged.
#include "mouse_probe.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <vector>

namespace {

// A device list handed out by the fake enumerate below.
std::vector<hid_device_info> fakeDevices;
hid_device_info* handedOut = nullptr;
int enumerateCalls = 0;
int freeCalls = 0;
unsigned short askedVendor = 0;
unsigned short askedProduct = 0;
bool freedWhatWasHandedOut = false;

hid_device_info* fakeEnumerate(unsigned short vendorId, unsigned short productId) {
    ++enumerateCalls;
    askedVendor = vendorId;
    askedProduct = productId;
    for (size_t i = 0; i < fakeDevices.size(); ++i) {
        fakeDevices[i].next = i + 1 < fakeDevices.size() ? &fakeDevices[i + 1] : nullptr;
    }
    handedOut = fakeDevices.empty() ? nullptr : fakeDevices.data();
    return handedOut;
}

void fakeFree(hid_device_info* devs) {
    ++freeCalls;
    freedWhatWasHandedOut = devs == handedOut;
}

hidseam::Api fakeApi() {
    hidseam::Api api{};
    api.name = "fake";
    api.enumerate = fakeEnumerate;
    api.free_enumeration = fakeFree;
    return api;
}

hid_device_info device(unsigned short vid, unsigned short pid) {
    hid_device_info d;
    std::memset(&d, 0, sizeof d);
    d.vendor_id = vid;
    d.product_id = pid;
    return d;
}

} // namespace

class MouseProbeTest : public QObject {
    Q_OBJECT

  private slots:
    void listedDevices_data();
    void listedDevices();
    void emptyListIsNoMouse();
    void followsTheVirtualMouse();
    void noDaemonIsNoMouse();

  private:
    bool ctl(const QString& socket, const QStringList& command);
};

void MouseProbeTest::listedDevices_data() {
    QTest::addColumn<std::vector<hid_device_info>>("devices");
    QTest::addColumn<bool>("found");
    QTest::newRow("normal mode alone") << std::vector{device(0x04d9, 0xa26b)} << true;
    QTest::newRow("two interfaces")
        << std::vector{device(0x04d9, 0xa26b), device(0x04d9, 0xa26b)} << true;
    QTest::newRow("behind other devices")
        << std::vector{device(0x046d, 0xc077), device(0x04d9, 0x8022), device(0x04d9, 0xa26b)}
        << true;
    QTest::newRow("boot loader only") << std::vector{device(0x04d9, 0x8022)} << false;
    QTest::newRow("same product id, other vendor") << std::vector{device(0x1234, 0xa26b)} << false;
}

void MouseProbeTest::listedDevices() {
    QFETCH(std::vector<hid_device_info>, devices);
    QFETCH(bool, found);
    fakeDevices = devices;
    enumerateCalls = freeCalls = 0;
    freedWhatWasHandedOut = false;

    QCOMPARE(app::mousePresent(fakeApi()), found);
    QCOMPARE(enumerateCalls, 1);
    QCOMPARE(askedVendor, static_cast<unsigned short>(0x04d9));
    QCOMPARE(askedProduct, static_cast<unsigned short>(0xa26b));
    // The list is given back exactly once, whatever was found in it.
    QCOMPARE(freeCalls, 1);
    QVERIFY(freedWhatWasHandedOut);
}

void MouseProbeTest::emptyListIsNoMouse() {
    fakeDevices.clear();
    enumerateCalls = freeCalls = 0;
    QCOMPARE(app::mousePresent(fakeApi()), false);
    QCOMPARE(enumerateCalls, 1);
    QCOMPARE(freeCalls, 0);
}

bool MouseProbeTest::ctl(const QString& socket, const QStringList& command) {
    QProcess p;
    p.start(qEnvironmentVariable("VMOUSE_BIN"),
            QStringList{QStringLiteral("ctl"), QStringLiteral("--socket"), socket} + command);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void MouseProbeTest::followsTheVirtualMouse() {
    const QString bin = qEnvironmentVariable("VMOUSE_BIN");
    QVERIFY2(!bin.isEmpty(), "VMOUSE_BIN names the virtual-mouse program");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString socket = dir.filePath(QStringLiteral("vmouse.sock"));

    QProcess daemon;
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(bin, {QStringLiteral("serve"), QStringLiteral("--socket"), socket});
    QVERIFY2(daemon.waitForStarted(), qPrintable(daemon.errorString()));
    while (!daemon.canReadLine()) {
        QVERIFY2(daemon.waitForReadyRead(60000), "virtual-mouse never said ready");
    }
    QCOMPARE(daemon.readLine().trimmed(), QByteArray("ready"));

    const hidseam::Api& hid = hidseam::apiFor(socket.toLocal8Bit().constData());
    QCOMPARE(QByteArray(hid.name), QByteArray("virtual-mouse"));

    QVERIFY(ctl(socket, {QStringLiteral("plug")}));
    QVERIFY(app::mousePresent(hid));
    QVERIFY(ctl(socket, {QStringLiteral("unplug")}));
    QVERIFY(!app::mousePresent(hid));
    QVERIFY(ctl(socket, {QStringLiteral("plug")}));
    QVERIFY(app::mousePresent(hid));

    daemon.terminate();
    QVERIFY(daemon.waitForFinished(60000));
}

void MouseProbeTest::noDaemonIsNoMouse() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString socket = dir.filePath(QStringLiteral("nobody-listens.sock"));
    QVERIFY(!app::mousePresent(hidseam::apiFor(socket.toLocal8Bit().constData())));
}

QTEST_GUILESS_MAIN(MouseProbeTest)
#include "tst_mouse_probe.moc"
