// The virtual mouse's boot-loader mode over its socket, for what the updater never does: a
// wrong entry code, reports the boot interface does not take, and a mouse that never comes
// back from the hand-over.
#include "boot_protocol.h"
#include "hid_seam.h"
#include "report_codec.h"
#include "update_rig.h"

#include <QTest>

using updatetest::Mouse;

namespace {

const hidseam::Api& hid() {
    return hidseam::api();
}

QString pathOf(std::uint16_t vid, std::uint16_t pid, std::uint16_t usagePage, std::uint16_t usage) {
    QString path;
    hid_device_info* devices = hid().enumerate(vid, pid);
    for (auto* d = devices; d; d = d->next)
        if (d->usage_page == usagePage && d->usage == usage)
            path = QString::fromLatin1(d->path);
    hid().free_enumeration(devices);
    return path;
}

// One command report and its answer on the mouse's command interface.
std::array<unsigned char, 9> command(const codec::Frame& frame) {
    std::array<unsigned char, 9> report{};
    std::copy(frame.begin(), frame.end(), report.begin() + 1);
    std::array<unsigned char, 9> answer{};
    const QByteArray path = pathOf(0x04d9, 0xa26b, 0xff00, 0xff00).toLatin1();
    hid_device* dev = hid().open_path(path.constData());
    if (!dev)
        return answer;
    if (hid().send_feature_report(dev, report.data(), report.size()) == 9)
        hid().get_feature_report(dev, answer.data(), answer.size());
    hid().close(dev);
    return answer;
}

} // namespace

class BootModeTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { updatetest::routeSeam(); }

    void wrongEntryCodeKeepsTheMouse() {
        Mouse mouse;
        QVERIFY(mouse.started());
        command(codec::makeFrame(0x0F, 1, 2, 3, 4, 5, 6));
        const auto confirm = command(codec::makeFrame(0x8F));
        QCOMPARE(int(confirm[2]), 0x00);
        QTest::qWait(100);
        QCOMPARE(mouse.mode(), QString("normal"));
        QVERIFY(mouse.plugged());
        QCOMPARE(mouse.state().value("generation").toInt(), 1);
    }

    void bootInterfaceTakesOnlyItsReports() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        const QByteArray path = pathOf(bootproto::kVendorId, bootproto::kProductId,
                                       bootproto::kUsagePage, bootproto::kUsage)
                                    .toLatin1();
        hid_device* dev = hid().open_path(path.constData());
        QVERIFY(dev);
        unsigned char feature[9] = {0, 0x80, 0, 0, 0, 0, 0, 0, 0x7F};
        QCOMPARE(hid().send_feature_report(dev, feature, 9), -1);
        QCOMPARE(hid().get_feature_report(dev, feature, 9), -1);
        unsigned char tooLong[66] = {0};
        QCOMPARE(hid().write(dev, tooLong, sizeof tooLong), -1);
        hid().close(dev);
    }

    void neverComingBack() {
        Mouse mouse;
        QVERIFY(mouse.started());
        QVERIFY(mouse.fault("boot-no-return"));
        command(codec::makeFrame(0x0F, 0x80, 0x7F, 0x22, 0xDD, 0xD9, 0x26));
        QCOMPARE(int(command(codec::makeFrame(0x8F))[2]), 0xFF);
        QTRY_VERIFY(!mouse.plugged());
        QCOMPARE(mouse.state().value("restarting").toBool(), false);
        QCOMPARE(mouse.state().value("faults").toObject().value("boot-no-return").toInt(), 0);
        // Power comes back by hand; the factory image starts again.
        QVERIFY(mouse.plug());
        QCOMPARE(mouse.mode(), QString("normal"));
    }
};

QTEST_GUILESS_MAIN(BootModeTest)
#include "boot_mode_test.moc"
