// The virtual mouse through its hidapi-shaped client: the semantics the programs rely on,
// faults, plugging, handles and the control command. Every command family set and read
// back through this same client is tested with Hid_Thread in tests/device.
#include "device/codec/report_codec.h"
#include "platform/hid/hid_seam.h"
#include "platform/hid/hotplug_sources.h"
#include "support/virtual_mouse_fixture.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <thread>

using testsupport::VirtualMouse;

class ClientTransportTest : public QObject {
    Q_OBJECT
    // One daemon for every test; each leaves it plugged and without faults.
    VirtualMouse mouse_;
    const hidseam::Api* api_ = nullptr;
    std::string command_, notify_;

    void findPaths() {
        hid_device_info* devs = api_->enumerate(0x04d9, 0xa26b);
        for (auto* d = devs; d; d = d->next) {
            if (d->usage_page == 0xff00)
                command_ = d->path;
            if (d->usage_page == 0xff01)
                notify_ = d->path;
        }
        api_->free_enumeration(devs);
    }
    hid_device* open(const std::string& path) { return api_->open_path(path.c_str()); }
    // One feature report out: report id 0, then the frame.
    int send(hid_device* d, const codec::Frame& frame) {
        unsigned char report[9] = {0};
        std::copy(frame.begin(), frame.end(), report + 1);
        return api_->send_feature_report(d, report, 9);
    }
    int rate() { return mouse_.state().value("report_rate").toInt(); }

  private slots:
    void initTestCase() {
        QVERIFY(mouse_.started());
        api_ = &hidseam::apiFor(mouse_.socketPath().toUtf8().constData());
        QCOMPARE(QString(api_->name), QString("virtual-mouse"));
        findPaths();
        QVERIFY(!command_.empty() && !notify_.empty());
        // A second daemon on a live socket leaves it to the first.
        QCOMPARE(VirtualMouse({}, mouse_.socketPath()).started(), false);
        QCOMPARE(mouse_.ctl({"state"}), 0);
    }

    void hidapiSemantics() {
        QCOMPARE(api_->enumerate(0x04d9, 0x1234), nullptr);
        QCOMPARE(api_->open_path("no/such/device"), nullptr);
        hid_device *cmd = open(command_), *note = open(notify_);
        QVERIFY(cmd && note);
        QCOMPARE(send(cmd, codec::makeFrame(0x81)), 9);
        unsigned char in[34] = {0};
        QCOMPARE(api_->get_feature_report(cmd, in, 9), 9);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(in), 3).toHex(' '), QByteArray("00 81 01"));
        // Feature reports need report id 0 and fit in 9 bytes; output reports in 33; the
        // notification interface takes neither.
        in[0] = 1;
        QCOMPARE(api_->send_feature_report(cmd, in, 9), -1);
        in[0] = 0;
        QCOMPARE(api_->send_feature_report(cmd, in, 10), -1);
        QCOMPARE(api_->write(cmd, in, 34), -1);
        QCOMPARE(send(note, codec::makeFrame(0x81)), -1);
        QCOMPARE(api_->write(note, in, 33), -1);
        // A frame with a wrong checksum crosses, is logged and changes nothing.
        auto frame = codec::makeFrame(0x01, 8);
        frame[7] ^= 0x01;
        QCOMPARE(send(cmd, frame), 9);
        QVERIFY(mouse_.log("feature").back().value("note").toString().contains("checksum"));
        QCOMPARE(rate(), 1);
        // Nothing to read: a timed read gives 0, a non-blocking one too.
        QCOMPARE(api_->read_timeout(cmd, in, 33, 20), 0);
        QCOMPARE(api_->set_nonblocking(cmd, 1), 0);
        QCOMPARE(api_->read(cmd, in, 33), 0);
        // A fault fails as many calls as it was set for, before they reach the device.
        QCOMPARE(mouse_.ctl({"fault", "send-feature", "2"}), 0);
        QCOMPARE(send(cmd, codec::makeFrame(0x01, 2)), -1);
        QCOMPARE(send(cmd, codec::makeFrame(0x01, 2)), -1);
        QCOMPARE(rate(), 1);
        QCOMPARE(send(cmd, codec::makeFrame(0x01, 2)), 9);
        QCOMPARE(rate(), 2);
        // A stalled read sees data that was there only on the next read.
        QCOMPARE(send(cmd, codec::makeFrame(0x90, 2)), 9);
        QCOMPARE(mouse_.ctl({"fault", "stall-read"}), 0);
        QCOMPARE(api_->read_timeout(cmd, in, 33, 20), 0);
        QCOMPARE(api_->read_timeout(cmd, in, 33, 1000), 32);
        api_->close(cmd);
        api_->close(note);
        QCOMPARE(mouse_.ctl({"fault", "write"}), 0);
        QCOMPARE(mouse_.ctl({"clear-faults"}), 0);
        QCOMPARE(mouse_.state().value("faults").toObject().value("write").toInt(), 0);
    }

    void unplugKillsHandlesAndReplugMakesNewOnes() {
        std::unique_ptr<hidseam::HotplugSource> hotplug(
            hidseam::createVirtualHotplug(mouse_.socketPath(), nullptr));
        QSignalSpy removed(hotplug.get(), &hidseam::HotplugSource::deviceRemoved);
        QSignalSpy added(hotplug.get(), &hidseam::HotplugSource::deviceAdded);
        hid_device *cmd = open(command_), *note = open(notify_);
        QVERIFY(cmd && note);
        // A reader blocked on the notification interface wakes with -1 when the mouse goes.
        std::atomic<int> read = 1;
        std::thread reader([&] {
            unsigned char buf[4];
            read = api_->read(note, buf, 4);
        });
        QCOMPARE(mouse_.ctl({"unplug"}), 0);
        reader.join();
        QCOMPARE(read.load(), -1);
        QCOMPARE(send(cmd, codec::makeFrame(0x81)), -1);
        QCOMPARE(api_->enumerate(0x04d9, 0xa26b), nullptr);
        QTRY_COMPARE(removed.count(), 3);
        QCOMPARE(mouse_.ctl({"plug"}), 0);
        QTRY_COMPARE(added.count(), 3);
        // Old handles and paths stay dead; the new path opens.
        const std::string before = command_;
        findPaths();
        QVERIFY(!command_.empty() && command_ != before);
        QCOMPARE(send(cmd, codec::makeFrame(0x81)), -1);
        QCOMPARE(open(before), nullptr);
        api_->close(cmd);
        api_->close(note);
        hid_device* fresh = open(command_);
        QVERIFY(fresh);
        api_->close(fresh);
    }
};

QTEST_GUILESS_MAIN(ClientTransportTest)
#include "client_transport_test.moc"
