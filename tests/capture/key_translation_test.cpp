// The key translation on its own, the mouse buttons and the delivery queue.
#include "platform/capture/delivery_queue.h"
#include "platform/capture/key_capture.h"
#include "platform/capture/key_translation.h"
#include "platform/capture/linux/evdev_scan_codes.h"

#include <QtTest>

#include <linux/input-event-codes.h>
#include <set>

using capture::KeyEvent;
using capture::KeyTranslator;
using Change = std::optional<KeyEvent>;

namespace {

// The key is reported as `code` (-1: not at all) when pressed and again when released.
void pressAndRelease(uint scan, bool extended, bool altDown, int code) {
    KeyTranslator t;
    const Change down = t.translate(scan, extended, altDown, true);
    QCOMPARE(down ? int(down->code) : -1, code);
    if (code >= 0)
        QCOMPARE(t.translate(scan, extended, altDown, false), Change({uchar(code), false}));
}

QStringList debugLines;
void collectDebug(QtMsgType, const QMessageLogContext&, const QString& text) {
    debugLines << text;
}

} // namespace

class KeyTranslationTest : public QObject {
    Q_OBJECT

  private slots:
    // Keys told apart by the extended flag, left out, run ends; then every code is distinct.
    void evdevKeys() {
        const std::pair<uint, int> known[] = {
            {KEY_KPENTER, 0x58},  {KEY_ENTER, 0x28},      {KEY_RIGHTCTRL, 0xE4},
            {KEY_RIGHTALT, 0xE6}, {KEY_RIGHTSHIFT, 0xE5}, {KEY_RIGHTMETA, -1},
            {KEY_102ND, 0x64},    {KEY_ESC, 0x29},        {KEY_F12, 0x45},
            {KEY_F23, 0x72},      {KEY_NUMLOCK, 0x53},    {KEY_PAUSE, 0x48},
            {KEY_SYSRQ, 0x46},    {KEY_KPSLASH, 0x54},    {KEY_HOME, 0x4A},
            {KEY_KP7, 0x5F}};
        for (const auto& [evdev, code] : known) {
            const auto scan = capture::scanCodeForXKeycode(evdev + 8); // X key codes: evdev + 8
            QVERIFY2(scan && scan == capture::scanCodeForEvdev(evdev), QByteArray::number(evdev));
            pressAndRelease(scan->scan, scan->extended, false, code);
        }
        for (unsigned k : {0u, 7u})
            QCOMPARE(capture::scanCodeForXKeycode(k), std::nullopt);
        QCOMPARE(capture::scanCodeForEvdev(KEY_VOLUMEUP), std::nullopt);

        std::set<unsigned> dropped{KEY_RIGHTMETA, KEY_RO,       KEY_KATAKANAHIRAGANA,
                                   KEY_HENKAN,    KEY_MUHENKAN, KEY_KPEQUAL,
                                   KEY_YEN,       KEY_F24};
        for (unsigned k = KEY_F13; k <= KEY_F22; ++k)
            dropped.insert(k);
        std::set<int> codes;
        for (const auto& row : capture::evdevScanRows()) {
            const Change e =
                KeyTranslator().translate(row.scanCode.scan, row.scanCode.extended, false, true);
            QVERIFY2(bool(e) != bool(dropped.count(row.evdev)), QByteArray::number(row.evdev));
            QVERIFY2(!e || codes.insert(e->code).second, QByteArray::number(row.evdev));
        }
    }

    // Only the Windows hook delivers: A with Alt, Ctrl+Break, Alt+Print Screen (both ways),
    // 54 without Alt, plain 36, a scan above a byte.
    void windowsScanCodes() {
        const std::tuple<uint, bool, bool, int> rows[] = {
            {0x1E, false, true, 0x04}, {0x46, true, false, 0x48}, {0x54, false, true, 0x46},
            {0x54, true, true, 0x46},  {0x54, false, false, -1},  {0x36, false, false, -1},
            {0x11C, false, false, -1}};
        for (const auto& [scan, extended, altDown, code] : rows)
            pressAndRelease(scan, extended, altDown, code);
    }

    // Repeats and lone releases are dropped; rebuilding keeps the key state.
    void keyStateAndBackslashFlag() {
        KeyTranslator t(true);
        QCOMPARE(t.translate(0x1D, true, false, false), std::nullopt);
        QCOMPARE(t.translate(0x1E, false, false, true), Change({0x04, true}));
        QCOMPARE(t.translate(0x1E, false, false, true), std::nullopt);
        QCOMPARE(t.translate(0x1E, false, false, false), Change({0x04, false}));
        QCOMPARE(t.translate(0x1E, false, false, false), std::nullopt);
        QCOMPARE(t.translate(0x2B, false, false, true), Change({0x32, true}));
        QVERIFY(t.keyCode(0xDB) == 0x2F && t.keyCode(0xDD) == 0x30);
        t.build(false);
        QVERIFY(t.isDown(0x32));
        QCOMPARE(t.translate(0x2B, false, false, true), Change({0x31, true}));
    }

    // Windows hook messages and X buttons: left, right and middle only.
    void mouseButtons() {
        for (const auto& [message, button, code] :
             {std::tuple(0x0201u, 1u, 0xF0), {0x0204u, 3u, 0xF1}, {0x0207u, 2u, 0xF2}}) {
            QCOMPARE(capture::mouseEventForMessage(message), Change({uchar(code), true}));
            QCOMPARE(capture::mouseEventForMessage(message + 1), Change({uchar(code), false}));
            QCOMPARE(capture::mouseEventForXButton(button, false), Change({uchar(code), false}));
        }
        for (std::uint32_t message : {0x0200, 0x0203, 0x0206, 0x0209, 0x020A, 0x020B, 0x020C})
            QCOMPARE(capture::mouseEventForMessage(message), std::nullopt);
        for (unsigned b : {0u, 4u, 5u, 6u, 7u, 8u, 9u})
            QCOMPARE(capture::mouseEventForXButton(b, true), std::nullopt);
    }

    // A nested deliver() gets nothing; what came meanwhile follows in order.
    void deliveryNeverNests() {
        capture::DeliveryQueue queue;
        QList<int> seen;
        queue.pushKey({0x04, true});
        queue.pushMouse({0xF0, true}, 1, 2);
        queue.deliver([&](const capture::DeliveryQueue::Event& e) {
            seen << e.event.code << e.x;
            if (seen.size() == 2) {
                queue.pushKey({0x05, true});
                queue.deliver([&](const capture::DeliveryQueue::Event&) { seen << -1; });
            }
        });
        QCOMPARE(seen, (QList<int>{0x04, 0, 0xF0, 1, 0x05, 0}));
    }

    // Without an X display the capture says so once and takes the window's keys instead.
    void noDisplay() {
        qputenv("DISPLAY", ":9731");
        QLoggingCategory::setFilterRules(QStringLiteral("platform.capture.debug=true"));
        qInstallMessageHandler(&collectDebug);
        // The window's own keys still come (a bare X server without RECORD, too).
        KeyCapture first;
        QVERIFY(first.installed() && first.source() == capture::KeySource::Window);
        first.removeHooks();
        QVERIFY(!first.installed());
        QVERIFY(first.installHooks() && KeyCapture(true).installed());
        QCOMPARE(debugLines.count(QStringLiteral("keys are taken from the program's window")), 3);
        QVERIFY2(debugLines[0].contains(QLatin1String("no X display")), qPrintable(debugLines[0]));
    }

    // Keys come from the window wherever the session is Wayland, whatever Qt talks to.
    void keySourceOfTheSession() {
        using capture::KeySource;
        struct Row {
            const char* type;
            const char* wayland;
            const char* qpa;
            KeySource source;
        };
        for (const Row& r :
             {Row{"x11", "", "", KeySource::Desktop}, Row{"", "", "xcb", KeySource::Desktop},
              Row{"tty", "", "offscreen", KeySource::Desktop},
              Row{"wayland", "", "", KeySource::Window},
              Row{"", "wayland-0", "xcb", KeySource::Window},
              Row{"x11", "", "wayland-egl", KeySource::Window}})
            QVERIFY2(capture::keySourceFor(r.type, r.wayland, r.qpa) == r.source,
                     QByteArray(r.type) + "/" + r.wayland + "/" + r.qpa);
    }
};

QTEST_GUILESS_MAIN(KeyTranslationTest)
#include "key_translation_test.moc"
