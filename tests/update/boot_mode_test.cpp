// The virtual mouse's boot-loader mode over its socket: the hand-over with 0x0F / 0x8F,
// re-enumeration as 04d9:8022, the boot interface's reports and log, the restart into the
// new image, power cycles and the boot loader's faults.
#include "boot_protocol.h"
#include "firmware_image.h"
#include "hid_seam.h"
#include "report_codec.h"
#include "update_rig.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace bootproto;
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

QString commandPath() {
    return pathOf(0x04d9, 0xa26b, 0xff00, 0xff00);
}

QString bootPath() {
    return pathOf(kVendorId, kProductId, kUsagePage, kUsage);
}

// One command report and its answer on the mouse's command interface.
std::array<unsigned char, 9> command(const codec::Frame& frame, const char* code = nullptr) {
    codec::SecrecyCode secrecy{};
    if (code)
        codec::secrecyFromText(code, 6, secrecy);
    std::array<unsigned char, 9> report{};
    std::copy(frame.begin(), frame.end(), report.begin() + 1);
    if (code)
        codec::encrypt(report.data() + 1, secrecy.data());
    std::array<unsigned char, 9> answer{};
    hid_device* dev = hid().open_path(commandPath().toLatin1().constData());
    if (!dev)
        return answer;
    if (hid().send_feature_report(dev, report.data(), report.size()) == 9)
        hid().get_feature_report(dev, answer.data(), answer.size());
    hid().close(dev);
    if (code)
        codec::decipher(answer.data() + 1, secrecy.data());
    return answer;
}

codec::Frame entryFrame() {
    return codec::makeFrame(0x0F, 0x80, 0x7F, 0x22, 0xDD, 0xD9, 0x26);
}

// The boot loader's protocol, by hand.
class BootHost {
  public:
    BootHost() : device_(hid().open_path(bootPath().toLatin1().constData())) {}
    ~BootHost() {
        if (device_)
            hid().close(device_);
    }
    bool opened() const { return device_ != nullptr; }
    hid_device* device() const { return device_; }

    // The reply's status, or -1 when no valid reply came.
    int call(Command command, std::uint32_t address = 0, std::uint16_t count = 0,
             const std::vector<std::uint8_t>& data = {}, Reply* out = nullptr) {
        Request r;
        r.command = command;
        r.tag = ++tag_;
        r.address = address;
        r.count = count;
        std::copy(data.begin(), data.end(), r.data.begin());
        const Report report = encode(r);
        unsigned char wire[65] = {0};
        std::copy(report.begin(), report.end(), wire + 1);
        if (hid().write(device_, wire, sizeof wire) != 65)
            return -1;
        Report in{};
        if (hid().read_timeout(device_, in.data(), in.size(), 2000) != 64)
            return -1;
        Reply reply;
        if (!decode(in, reply) || reply.tag != r.tag)
            return -1;
        if (out)
            *out = reply;
        return int(reply.status);
    }

    // Erases and programs `image` from the start of the user area.
    bool flash(const std::vector<std::uint8_t>& image) {
        const auto pages = std::uint16_t(ispimage::pagesFor(std::uint32_t(image.size())));
        if (call(Command::Erase, ispimage::kUserStart, pages) != 0)
            return false;
        for (std::size_t at = 0; at < image.size(); at += kDataSize) {
            const std::size_t n = std::min(kDataSize, image.size() - at);
            std::vector<std::uint8_t> chunk(image.begin() + at, image.begin() + at + n);
            if (call(Command::Program, ispimage::kUserStart + std::uint32_t(at), std::uint16_t(n),
                     chunk) != 0)
                return false;
        }
        return true;
    }

  private:
    hid_device* device_;
    std::uint8_t tag_ = 0;
};

int ok() {
    return int(Status::Ok);
}

} // namespace

class BootModeTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { updatetest::routeSeam(); }

    void wrongEntryCodeKeepsTheMouse() {
        Mouse mouse;
        QVERIFY(mouse.started());
        const auto armed = command(codec::makeFrame(0x0F, 1, 2, 3, 4, 5, 6));
        const auto confirm = command(codec::makeFrame(0x8F));
        QCOMPARE(int(confirm[2]), 0x00);
        Q_UNUSED(armed);
        QTest::qWait(100);
        QCOMPARE(mouse.mode(), QString("normal"));
        QVERIFY(mouse.plugged());
        QCOMPARE(mouse.state().value("generation").toInt(), 1);
        const auto records = mouse.log("command");
        QVERIFY(records.size() >= 2);
        QCOMPARE(records[0].value("note").toString(), QString("wrong boot loader entry code"));
    }

    void entryCodeRestartsIntoBootLoader_data() {
        QTest::addColumn<bool>("encrypted");
        QTest::newRow("plain") << false;
        QTest::newRow("encrypted") << true;
    }

    void entryCodeRestartsIntoBootLoader() {
        QFETCH(bool, encrypted);
        Mouse mouse(encrypted ? QStringList{"--encrypted", "--code", "A1B2C3"} : QStringList{});
        QVERIFY(mouse.started());
        std::unique_ptr<hidseam::HotplugSource> watch(hidseam::createHotplugSource());
        QSignalSpy added(watch.get(), &hidseam::HotplugSource::deviceAdded);
        QSignalSpy removed(watch.get(), &hidseam::HotplugSource::deviceRemoved);
        const char* code = encrypted ? "A1B2C3" : nullptr;

        command(entryFrame(), code);
        // Armed only: the mouse waits for the host to read the confirmation.
        QCOMPARE(mouse.mode(), QString("normal"));
        const auto confirm = command(codec::makeFrame(0x8F), code);
        QCOMPARE(int(confirm[1]), 0x8F);
        QCOMPARE(int(confirm[2]), 0xFF);

        QVERIFY(added.wait(5000));
        QCOMPARE(removed.count(), 3);
        QCOMPARE(removed.at(0).at(0).toString(), QString("virtual-mouse/04d9:a26b/pointer/1"));
        QCOMPARE(added.count(), 1);
        QCOMPARE(added.at(0).at(0).toString(), QString("virtual-mouse/04d9:8022/boot/2"));
        QCOMPARE(mouse.mode(), QString("boot-loader"));
        QCOMPARE(hid().enumerate(0x04d9, 0xa26b), nullptr);
        QCOMPARE(bootPath(), QString("virtual-mouse/04d9:8022/boot/2"));

        const auto features = mouse.log("command");
        QCOMPARE(features.at(0).value("plain").toString(),
                 QString("00 0F 80 7F 22 DD D9 26 %1")
                     .arg(entryFrame()[7], 2, 16, QLatin1Char('0'))
                     .toUpper());
        QCOMPARE(features.at(0).value("note").toString(), QString("boot loader entry armed"));
    }

    void bootInterfaceTakesOnlyItsReports() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        QCOMPARE(mouse.mode(), QString("boot-loader"));
        BootHost host;
        QVERIFY(host.opened());
        unsigned char feature[9] = {0, 0x80, 0, 0, 0, 0, 0, 0, 0x7F};
        QCOMPARE(hid().send_feature_report(host.device(), feature, 9), -1);
        QCOMPARE(hid().get_feature_report(host.device(), feature, 9), -1);
        unsigned char tooLong[66] = {0};
        QCOMPARE(hid().write(host.device(), tooLong, sizeof tooLong), -1);

        mouse.clearLog();
        Reply reply;
        QCOMPARE(host.call(Command::Connect, 0, kProtocolVersion, {}, &reply), ok());
        QCOMPARE(takeInfo(reply.data).pageCount, std::uint16_t(128));
        const auto records = mouse.log();
        QCOMPARE(records.size(), std::size_t(2));
        QCOMPARE(records[0].value("iface").toString(), QString("boot"));
        QCOMPARE(records[0].value("kind").toString(), QString("output"));
        QCOMPARE(records[0].value("dir").toString(), QString("to_device"));
        QVERIFY(records[0].value("wire").toString().startsWith("00 01 01 00 00 00 00 00 00 01 00"));
        QCOMPARE(records[0].value("wire").toString().split(' ').size(), 65);
        QCOMPARE(records[0].value("note").toString(), QString("connect"));
        QCOMPARE(records[1].value("iface").toString(), QString("boot"));
        QCOMPARE(records[1].value("kind").toString(), QString("input"));
        QCOMPARE(records[1].value("wire").toString().split(' ').size(), 64);
    }

    void resetStartsTheNewImage() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        {
            BootHost host;
            QCOMPARE(host.call(Command::Connect, 0, kProtocolVersion), ok());
            // The factory image is locked; programming over it is refused.
            QCOMPARE(host.call(Command::Program, ispimage::kUserStart, 4, {1, 2, 3, 4}),
                     int(Status::Locked));
            const auto image = updatetest::imageOfPages(3, 0x02, 0x05);
            QVERIFY(host.flash(image));
            QCOMPARE(host.call(Command::SetStart, 0, kStartUserProgram), ok());
            QCOMPARE(host.call(Command::Reset), ok());
        }
        QVERIFY(mouse.waitForMode("normal"));
        const auto version = command(codec::makeFrame(0x80));
        QCOMPARE(int(version[2]), 0x02);
        QCOMPARE(int(version[3]), 0x05);
        const QJsonObject fw = mouse.state().value("firmware_version").toObject();
        QCOMPARE(fw.value("a1").toInt(), 2);
        QCOMPARE(fw.value("a2").toInt(), 5);
    }

    void powerCyclesFollowTheStartChoice() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        QVERIFY(mouse.unplug());
        QVERIFY(mouse.plug());
        QCOMPARE(mouse.mode(), QString("boot-loader"));
        {
            BootHost host;
            QCOMPARE(host.call(Command::Connect, 0, kProtocolVersion), ok());
            QCOMPARE(host.call(Command::SetStart, 0, kStartUserProgram), ok());
        }
        QVERIFY(mouse.unplug());
        QVERIFY(mouse.plug());
        QCOMPARE(mouse.mode(), QString("normal"));
        const QJsonObject fw = mouse.state().value("firmware_version").toObject();
        QCOMPARE(fw.value("a2").toInt(), 0x0A);
    }

    void neverComingBack() {
        Mouse mouse;
        QVERIFY(mouse.started());
        QVERIFY(mouse.fault("boot-no-return"));
        command(entryFrame());
        QCOMPARE(int(command(codec::makeFrame(0x8F))[2]), 0xFF);
        QTRY_VERIFY(!mouse.plugged());
        QCOMPARE(mouse.state().value("restarting").toBool(), false);
        QCOMPARE(mouse.state().value("faults").toObject().value("boot-no-return").toInt(), 0);
        // Power comes back by hand; the factory image starts again.
        QVERIFY(mouse.plug());
        QCOMPARE(mouse.mode(), QString("normal"));
    }

    void powerLostWhileProgramming() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        BootHost host;
        QCOMPARE(host.call(Command::Connect, 0, kProtocolVersion), ok());
        QCOMPARE(host.call(Command::SetStart, 0, kStartUserProgram), ok());
        QCOMPARE(host.call(Command::Erase, ispimage::kUserStart + 0x1000, 1), ok());
        QVERIFY(mouse.fault("boot-vanish-program", 2));
        QCOMPARE(host.call(Command::Program, ispimage::kUserStart + 0x1000, 2, {1, 2}), ok());
        QCOMPARE(host.call(Command::Program, ispimage::kUserStart + 0x1002, 2, {3, 4}), -1);
        QVERIFY(!mouse.plugged());
        // The erase took the start-up choice back: the boot loader comes up again.
        QVERIFY(mouse.plug());
        QCOMPARE(mouse.mode(), QString("boot-loader"));
        const auto records = mouse.log("boot");
        QVERIFY(std::any_of(records.begin(), records.end(), [](const QJsonObject& r) {
            return r.value("note").toString().startsWith("fault: power lost while programming");
        }));
    }

    void linkFaultsReachTheBootInterface() {
        Mouse mouse({"--boot-loader"});
        QVERIFY(mouse.started());
        BootHost host;
        QVERIFY(mouse.fault("write"));
        QCOMPARE(host.call(Command::Connect, 0, kProtocolVersion), -1);
        QVERIFY(mouse.fault("garbage"));
        // The reply arrives damaged: its CRC does not hold.
        QCOMPARE(host.call(Command::Connect, 0, kProtocolVersion), -1);
        QCOMPARE(host.call(Command::Connect, 0, kProtocolVersion), ok());
        QVERIFY(mouse.fault("boot-lock-fail", 2));
        QCOMPARE(mouse.state().value("faults").toObject().value("boot-lock-fail").toInt(), 2);
        QCOMPARE(host.call(Command::Lock), int(Status::Failed));
        QVERIFY(mouse.clearFaults());
        QCOMPARE(host.call(Command::Lock), ok());
        QVERIFY(!mouse.fault("boot-nothing"));
    }
};

QTEST_GUILESS_MAIN(BootModeTest)
#include "boot_mode_test.moc"
