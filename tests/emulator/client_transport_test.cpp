// The virtual mouse through its hidapi-shaped client: the semantics the programs rely on,
// the log, faults and plugging. Every command family set and read back through this same
// client, plain and enciphered, is tested with Hid_Thread in tests/device.
#include "hid_seam.h"
#include "hotplug_sources.h"
#include "report_codec.h"
#include "virtual_mouse_fixture.h"
#include "vmouse_client.h"

#include <QDir>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <memory>
#include <thread>

using testsupport::VirtualMouse;
using Bytes = std::vector<unsigned char>;

namespace {

const hidseam::Api& hid(const VirtualMouse& mouse) {
    return hidseam::apiFor(mouse.socketPath().toUtf8().constData());
}

// Paths of the mouse's interfaces by usage page.
struct Paths {
    QString command, notify, pointer;
};

Paths pathsOf(const hidseam::Api& api) {
    Paths p;
    hid_device_info* devs = api.enumerate(0x04d9, 0xa26b);
    for (auto* d = devs; d; d = d->next) {
        if (d->usage_page == 0xff00 && d->usage == 0xff00)
            p.command = d->path;
        else if (d->usage_page == 0xff01 && d->usage == 0xff01)
            p.notify = d->path;
        else
            p.pointer = d->path;
    }
    api.free_enumeration(devs);
    return p;
}

// A host doing what the configurator's transport does, one handle per call.
class Host {
  public:
    Host(const hidseam::Api& api, const QString& commandPath, const char* code = nullptr)
        : api_(api), path_(commandPath.toStdString()) {
        if (code)
            codec::secrecyFromText(code, 6, secrecy_);
        encrypted_ = code != nullptr;
    }

    bool command(const codec::Frame& frame) {
        unsigned char report[9] = {0};
        std::copy(frame.begin(), frame.end(), report + 1);
        if (encrypted_)
            codec::encrypt(report + 1, secrecy_.data());
        return withHandle(
            [&](hid_device* d) { return api_.send_feature_report(d, report, 9) == 9; });
    }

    // The answer bytes a0..a7, deciphered when `decipher`.
    Bytes answer(bool decipher = true) {
        unsigned char report[9] = {0};
        if (!withHandle([&](hid_device* d) { return api_.get_feature_report(d, report, 9) == 9; }))
            return {};
        if (encrypted_ && decipher)
            codec::decipher(report + 1, secrecy_.data());
        return Bytes(report + 1, report + 9);
    }

    bool writeBlock(const Bytes& block) {
        for (std::size_t off = 0; off < block.size(); off += 32) {
            unsigned char report[33] = {0};
            std::copy(block.begin() + off, block.begin() + std::min(block.size(), off + 32),
                      report + 1);
            if (!withHandle([&](hid_device* d) { return api_.write(d, report, 33) == 33; }))
                return false;
        }
        return true;
    }

    Bytes readBlock(std::size_t size) {
        Bytes out;
        while (out.size() < size) {
            unsigned char report[33] = {0};
            int n = -1;
            withHandle(
                [&](hid_device* d) { return (n = api_.read_timeout(d, report, 33, 2000)) > 0; });
            if (n <= 0)
                return {};
            out.insert(out.end(), report, report + std::min<std::size_t>(n, size - out.size()));
        }
        return out;
    }

  private:
    template <typename F> bool withHandle(F&& f) {
        hid_device* d = api_.open_path(path_.c_str());
        if (!d)
            return false;
        const bool ok = f(d);
        api_.close(d);
        return ok;
    }

    const hidseam::Api& api_;
    std::string path_;
    codec::SecrecyCode secrecy_{};
    bool encrypted_ = false;
};

Bytes iota(std::size_t n, unsigned char start) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>(start + i * 7);
    return b;
}

int openDescriptors() {
    return QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::System).size();
}

} // namespace

class ClientTransportTest : public QObject {
    Q_OBJECT

  private slots:
    void hidapiSemantics();
    void secrecyEchoNeedsTheSameCode();
    void badChecksumIsLoggedNotExecuted();
    void notificationReachesReader();
    void faultsFailTheirCall();
    void unplugKillsHandlesAndReplugMakesNewOnes();
    void handlesDoNotLeak();
    void handlesWorkFromSeveralThreads();
    void ctlContract();
};

void ClientTransportTest::hidapiSemantics() {
    VirtualMouse mouse;
    QVERIFY(mouse.started());
    const auto& api = hid(mouse);
    QCOMPARE(QString(api.name), QString("virtual-mouse"));

    // The mouse lists its pointer, command and notification interfaces; a filter on
    // another product lists nothing, 0/0 lists everything.
    const Paths p = pathsOf(api);
    QVERIFY(!p.command.isEmpty() && !p.notify.isEmpty() && !p.pointer.isEmpty());
    QCOMPARE(api.enumerate(0x04d9, 0x1234), nullptr);
    hid_device_info* all = api.enumerate(0, 0);
    int count = 0;
    for (auto* d = all; d; d = d->next)
        ++count;
    api.free_enumeration(all);
    QCOMPARE(count, 3);
    QCOMPARE(api.open_path("no/such/device"), nullptr);

    hid_device* cmd = api.open_path(p.command.toUtf8().constData());
    QVERIFY(cmd);
    QCOMPARE(api.set_nonblocking(cmd, 0), 0);
    const auto frame = codec::makeFrame(0x81);
    unsigned char report[9] = {0};
    std::copy(frame.begin(), frame.end(), report + 1);
    QCOMPARE(api.send_feature_report(cmd, report, 9), 9);
    // Feature reports need report id 0 and fit in 9 bytes.
    report[0] = 1;
    QCOMPARE(api.send_feature_report(cmd, report, 9), -1);
    unsigned char big[10] = {0};
    QCOMPARE(api.send_feature_report(cmd, big, 10), -1);
    unsigned char answer[9] = {0xAA};
    answer[0] = 0;
    QCOMPARE(api.get_feature_report(cmd, answer, 9), 9);
    QCOMPARE(answer[0], 0);
    QCOMPARE(answer[1], 0x81);
    QCOMPARE(answer[2], 1); // factory report rate

    // Nothing to read: a timed read gives 0, a non-blocking one too.
    unsigned char in[33];
    QCOMPARE(api.read_timeout(cmd, in, 33, 50), 0);
    QCOMPARE(api.set_nonblocking(cmd, 1), 0);
    QCOMPARE(api.read(cmd, in, 33), 0);
    unsigned char out[34] = {0};
    QCOMPARE(api.write(cmd, out, 33), 33);
    QCOMPARE(api.write(cmd, out, 34), -1); // longer than the output report
    api.close(cmd);

    // The notification interface takes no feature or output reports.
    hid_device* note = api.open_path(p.notify.toUtf8().constData());
    QVERIFY(note);
    QCOMPARE(api.send_feature_report(note, report, 9), -1);
    QCOMPARE(api.write(note, out, 33), -1);
    api.close(note);
}

void ClientTransportTest::secrecyEchoNeedsTheSameCode() {
    VirtualMouse mouse({"--encrypted", "--code", "481516"});
    QVERIFY(mouse.started());
    const auto& api = hid(mouse);
    const QString path = pathsOf(api).command;

    Host right(api, path, "481516");
    QVERIFY(right.command(codec::makeFrame(0x00, 0x12, 0x34, 0x56, 0x78)));
    Bytes a = right.answer();
    QCOMPARE(Bytes(a.begin() + 1, a.begin() + 5), (Bytes{0x12, 0x34, 0x56, 0x78}));
    // The log shows the deciphered request.
    QCOMPARE(mouse.log("feature").back().value("plain").toString(),
             QString("00 00 12 34 56 78 00 00 ") +
                 testsupport::hex({codec::makeFrame(0x00, 0x12, 0x34, 0x56, 0x78)[7]}));

    Host wrong(api, path, "735190");
    wrong.command(codec::makeFrame(0x00, 0x12, 0x34, 0x56, 0x78));
    a = wrong.answer();
    QVERIFY(Bytes(a.begin() + 1, a.begin() + 5) != (Bytes{0x12, 0x34, 0x56, 0x78}));
}

void ClientTransportTest::badChecksumIsLoggedNotExecuted() {
    VirtualMouse mouse;
    QVERIFY(mouse.started());
    const auto& api = hid(mouse);
    Host host(api, pathsOf(api).command);
    auto frame = codec::makeFrame(0x01, 8);
    frame[7] ^= 0x01;
    QVERIFY(host.command(frame)); // the report crosses; the device ignores it
    QCOMPARE(mouse.state().value("report_rate").toInt(), 1);
    QVERIFY(mouse.log("feature").back().value("note").toString().contains("checksum"));
    QVERIFY(host.command(codec::makeFrame(0x01, 8)));
    QCOMPARE(mouse.state().value("report_rate").toInt(), 8);
}

void ClientTransportTest::notificationReachesReader() {
    VirtualMouse mouse;
    QVERIFY(mouse.started());
    const auto& api = hid(mouse);
    const Paths p = pathsOf(api);
    hid_device* note = api.open_path(p.notify.toUtf8().constData());
    QVERIFY(note);
    QCOMPARE(mouse.ctl({"dpi-button", "3"}), 0);
    unsigned char buf[8] = {0};
    QCOMPARE(api.read_timeout(note, buf, 4, 5000), 4);
    QCOMPARE(Bytes(buf, buf + 4), (Bytes{0x06, 0x07, 0x00, 0x03}));
    QCOMPARE(mouse.state().value("dpi_stage").toInt(), 3);
    // A blocking read waits for the next one.
    QCOMPARE(mouse.ctl({"dpi-button", "5"}), 0);
    QCOMPARE(api.read(note, buf, 8), 4);
    QCOMPARE(buf[3], 5);
    QCOMPARE(mouse.log("input").back().value("iface").toString(), QString("notify"));
    api.close(note);
}

void ClientTransportTest::faultsFailTheirCall() {
    VirtualMouse mouse;
    QVERIFY(mouse.started());
    const auto& api = hid(mouse);
    const Paths p = pathsOf(api);
    hid_device* d = api.open_path(p.command.toUtf8().constData());
    QVERIFY(d);
    unsigned char report[9] = {0};
    const auto frame = codec::makeFrame(0x01, 2);
    std::copy(frame.begin(), frame.end(), report + 1);
    unsigned char buf[33] = {0};

    QCOMPARE(mouse.ctl({"fault", "send-feature"}), 0);
    QCOMPARE(api.send_feature_report(d, report, 9), -1);
    QCOMPARE(mouse.state().value("report_rate").toInt(), 1); // never reached the device
    QCOMPARE(api.send_feature_report(d, report, 9), 9);      // one call only
    QCOMPARE(mouse.state().value("report_rate").toInt(), 2);

    QCOMPARE(mouse.ctl({"fault", "get-feature", "2"}), 0);
    QCOMPARE(api.get_feature_report(d, buf, 9), -1);
    QCOMPARE(api.get_feature_report(d, buf, 9), -1);
    QCOMPARE(api.get_feature_report(d, buf, 9), 9);

    QCOMPARE(mouse.ctl({"fault", "write"}), 0);
    QCOMPARE(api.write(d, buf, 33), -1);

    // Read faults: a failed read, then a stalled one that sees queued data only later.
    Host host(api, p.command);
    QVERIFY(host.command(codec::makeFrame(0x90, 2)));
    QCOMPARE(mouse.ctl({"fault", "read"}), 0);
    QCOMPARE(api.read_timeout(d, buf, 33, 1000), -1);
    QVERIFY(host.command(codec::makeFrame(0x90, 2)));
    QCOMPARE(mouse.ctl({"fault", "stall-read"}), 0);
    QCOMPARE(api.read_timeout(d, buf, 33, 100), 0);
    QCOMPARE(api.read_timeout(d, buf, 33, 1000), 32);

    // Garbage: the answer is not what the device state says.
    QVERIFY(host.command(codec::makeFrame(0x81)));
    QCOMPARE(mouse.ctl({"fault", "garbage"}), 0);
    const Bytes noisy = host.answer();
    QVERIFY(noisy != (Bytes{0x81, 2, 0, 0, 0, 0, 0, 0x7c}));
    QCOMPARE(host.answer(), (Bytes{0x81, 2, 0, 0, 0, 0, 0, 0x7c}));

    // Vanish in the middle of a bulk write: the first report lands, the second fails.
    QCOMPARE(mouse.ctl({"fault", "vanish-bulk"}), 0);
    QVERIFY(host.command(codec::makeFrame(0x12, 1, 0x40, 8)));
    unsigned char out[33] = {0};
    QCOMPARE(api.write(d, out, 33), 33);
    QCOMPARE(api.write(d, out, 33), -1);
    QCOMPARE(api.open_path(p.command.toUtf8().constData()), nullptr);
    QCOMPARE(mouse.state().value("plugged").toBool(), false);
    api.close(d);

    QCOMPARE(mouse.ctl({"fault", "no-such-fault"}), 2);
    QCOMPARE(mouse.ctl({"fault", "write"}), 0);
    QCOMPARE(mouse.ctl({"clear-faults"}), 0);
    QCOMPARE(mouse.state().value("faults").toObject().value("write").toInt(), 0);
}

void ClientTransportTest::unplugKillsHandlesAndReplugMakesNewOnes() {
    VirtualMouse mouse;
    QVERIFY(mouse.started());
    const auto& api = hid(mouse);
    const Paths before = pathsOf(api);
    std::unique_ptr<hidseam::HotplugSource> hotplug(
        hidseam::createVirtualHotplug(mouse.socketPath(), nullptr));
    QSignalSpy removed(hotplug.get(), &hidseam::HotplugSource::deviceRemoved);
    QSignalSpy added(hotplug.get(), &hidseam::HotplugSource::deviceAdded);

    hid_device* cmd = api.open_path(before.command.toUtf8().constData());
    hid_device* note = api.open_path(before.notify.toUtf8().constData());
    QVERIFY(cmd && note);
    // A reader blocked on the notification interface wakes with -1 when the mouse goes.
    unsigned char buf[33] = {0};
    QCOMPARE(mouse.ctl({"unplug"}), 0);
    QCOMPARE(api.read(note, buf, 4), -1);
    unsigned char report[9] = {0};
    QCOMPARE(api.send_feature_report(cmd, report, 9), -1);
    QCOMPARE(api.get_feature_report(cmd, report, 9), -1);
    QCOMPARE(api.enumerate(0x04d9, 0xa26b), nullptr);
    QTRY_COMPARE(removed.count(), 3);

    QCOMPARE(mouse.ctl({"plug"}), 0);
    QTRY_COMPARE(added.count(), 3);
    const Paths after = pathsOf(api);
    QVERIFY(!after.command.isEmpty() && after.command != before.command);
    QCOMPARE(api.send_feature_report(cmd, report, 9), -1); // old handle stays dead
    QCOMPARE(api.open_path(before.command.toUtf8().constData()), nullptr);
    api.close(cmd);
    api.close(note);
    hid_device* fresh = api.open_path(after.command.toUtf8().constData());
    QVERIFY(fresh);
    api.close(fresh);
}

void ClientTransportTest::handlesDoNotLeak() {
    VirtualMouse mouse;
    QVERIFY(mouse.started());
    const auto& api = hid(mouse);
    const std::string path = pathsOf(api).command.toStdString();
    const int fdsBefore = openDescriptors();
    unsigned char report[9] = {0};
    for (int i = 0; i < 3000; ++i) {
        hid_device* d = api.open_path(path.c_str());
        QVERIFY(d);
        if (i % 100 == 0)
            QCOMPARE(api.get_feature_report(d, report, 9), 9);
        api.close(d);
        hid_device_info* devs = api.enumerate(0x04d9, 0xa26b);
        api.free_enumeration(devs);
    }
    QCOMPARE(openDescriptors(), fdsBefore);
    // The daemon let go of them too.
    QTRY_COMPARE(mouse.state().value("open_handles").toInt(), 0);
}

void ClientTransportTest::handlesWorkFromSeveralThreads() {
    // The configurator's pattern: a listener blocked on the notification interface in
    // one thread while commands come and go on others.
    VirtualMouse mouse;
    QVERIFY(mouse.started());
    const auto& api = hid(mouse);
    const Paths p = pathsOf(api);
    std::atomic<int> notified{-1};
    std::thread listener([&] {
        hid_device* note = api.open_path(p.notify.toUtf8().constData());
        unsigned char buf[4] = {0};
        const int n = note ? api.read_timeout(note, buf, 4, 20000) : -1;
        notified = n == 4 ? buf[3] : -1;
        if (note)
            api.close(note);
    });
    std::vector<std::thread> senders;
    std::atomic<int> answered{0};
    for (int t = 0; t < 3; ++t) {
        senders.emplace_back([&, t] {
            Host host(api, p.command);
            for (int i = 0; i < 40; ++i) {
                // Each thread reads a register no other thread writes.
                if (host.command(codec::makeFrame(0x87, static_cast<unsigned char>(10 + t))) &&
                    host.answer().size() == 8)
                    ++answered;
            }
        });
    }
    for (auto& s : senders)
        s.join();
    QCOMPARE(answered.load(), 120);
    QCOMPARE(mouse.ctl({"dpi-button", "4"}), 0);
    listener.join();
    QCOMPARE(notified.load(), 4);
}

void ClientTransportTest::ctlContract() {
    VirtualMouse mouse;
    QVERIFY(mouse.started());
    QString out;
    QCOMPARE(mouse.ctl({"state"}, &out), 0);
    QVERIFY(out.contains("\"button_table\""));
    QCOMPARE(mouse.ctl({"dpi-button"}), 2);
    QCOMPARE(mouse.ctl({"dpi-button", "0"}), 2);
    QCOMPARE(mouse.ctl({"dpi-button", "9"}), 2);
    QCOMPARE(mouse.ctl({"dpi-button", "8"}), 0);
    QCOMPARE(mouse.ctl({"frobnicate"}), 2);
    const auto run = [](const QStringList& args, QByteArray* err = nullptr) {
        QProcess p;
        p.start(VirtualMouse::binary(), args);
        if (!p.waitForFinished(10000))
            return -1;
        if (err)
            *err = p.readAllStandardError();
        return p.exitCode();
    };
    QByteArray err;
    QCOMPARE(run({"ctl", "--socket", mouse.socketPath(), "fault", "frobnicate"}, &err), 2);
    QVERIFY2(err.contains("unknown fault kind") && err.contains("vanish-bulk"), err.constData());
    // A second daemon on a live socket leaves it to the first; an unwritable log is refused.
    QCOMPARE(run({"serve", "--socket", mouse.socketPath()}, &err), 1);
    QVERIFY2(err.contains("another virtual mouse"), err.constData());
    QCOMPARE(mouse.ctl({"state"}), 0);
    QCOMPARE(
        run({"serve", "--socket", mouse.socketPath() + "2", "--log", "/nonexistent/x.log"}, &err),
        1);
    QVERIFY2(err.contains("cannot write the log"), err.constData());
    // A daemon that is not there is an error, not a hang.
    QCOMPARE(run({"ctl", "--socket", "/nonexistent/socket", "state"}), 1);
    // Log records carry increasing times.
    const auto records = mouse.log();
    double last = -1;
    for (const auto& r : records) {
        QVERIFY(r.value("t_ms").toDouble() >= last);
        last = r.value("t_ms").toDouble();
    }
}

QTEST_GUILESS_MAIN(ClientTransportTest)
#include "client_transport_test.moc"
