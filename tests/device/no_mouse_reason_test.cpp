// Why no mouse was accepted, from what the HID library lists and whether it opens: only the
// command interface of a registered id counts as the mouse being there.
#include "device/no_mouse_reason.h"

#include <QTest>

#include <cerrno>
#include <vector>

namespace {

// What the fake library lists: usage page, whether it opens, errno when it does not.
struct Listed {
    unsigned short usagePage;
    bool opens;
    int error;
};
std::vector<Listed> listed;
std::vector<hid_device_info> infos;
char path[] = "virtual:0";
int token = 0;

hid_device_info* enumerate(unsigned short, unsigned short) {
    infos.assign(listed.size(), hid_device_info{});
    for (std::size_t i = 0; i < listed.size(); ++i) {
        infos[i].path = path;
        infos[i].usage_page = listed[i].usagePage;
        infos[i].usage = 1;
        infos[i].next = i + 1 < listed.size() ? &infos[i + 1] : nullptr;
    }
    return infos.empty() ? nullptr : infos.data();
}
void freeEnumeration(hid_device_info*) {}
std::size_t opened = 0;
hid_device* openPath(const char*) {
    const Listed& l = listed[opened++ % listed.size()];
    errno = l.error;
    return l.opens ? reinterpret_cast<hid_device*>(&token) : nullptr;
}
void closeDevice(hid_device*) {}

const hidseam::Api kFake{"fake",  enumerate, freeEnumeration, openPath, nullptr, closeDevice,
                         nullptr, nullptr,   nullptr,         nullptr,  nullptr};

} // namespace

Q_DECLARE_METATYPE(std::vector<Listed>)

class NoMouseReasonTest : public QObject {
    Q_OBJECT

  private slots:
    void reasons_data() {
        QTest::addColumn<std::vector<Listed>>("devices");
        QTest::addColumn<int>("reason");
        const int notPlugged = int(NoMouseReason::NotPlugged),
                  noAccess = int(NoMouseReason::NoAccess), refused = int(NoMouseReason::Refused);
        QTest::newRow("nothing") << std::vector<Listed>{} << notPlugged;
        QTest::newRow("only another interface")
            << std::vector<Listed>{{0xff01, true, 0}} << notPlugged;
        QTest::newRow("opens") << std::vector<Listed>{{0xff00, true, 0}} << refused;
        QTest::newRow("denied") << std::vector<Listed>{{0xff00, false, EACCES}} << noAccess;
        QTest::newRow("fails otherwise") << std::vector<Listed>{{0xff00, false, EIO}} << refused;
        QTest::newRow("one of two opens")
            << std::vector<Listed>{{0xff00, false, EACCES}, {0xff00, true, 0}} << refused;
    }
    void reasons() {
        QFETCH(std::vector<Listed>, devices);
        QFETCH(int, reason);
        listed = devices;
        opened = 0;
        RegistryRecord record;
        record.vid = 0x04d9;
        record.pid = 0xa26b;
        record.usagePage = 0xff00;
        record.usage = 1;
        QCOMPARE(int(diagnoseNoMouse(kFake, {record})), reason);
    }
};

QTEST_GUILESS_MAIN(NoMouseReasonTest)
#include "no_mouse_reason_test.moc"
