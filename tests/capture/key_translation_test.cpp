// The key translation on its own: evdev keys through both tables, the overrides only the
// Windows hook meets, the repeat filter, the mouse buttons and the delivery queue.
#include "delivery_queue.h"
#include "evdev_scan_codes.h"
#include "key_capture.h"
#include "key_translation.h"

#include <QtTest>

#include <linux/input-event-codes.h>
#include <set>

using capture::KeyEvent;
using capture::KeyTranslator;
using Change = std::optional<KeyEvent>;

namespace {

// The key is reported as `code` (-1: not at all) when pressed and again when released.
void pressAndRelease(KeyTranslator& t, uint scan, bool extended, bool altDown, int code) {
    const Change down = t.translate(scan, extended, altDown, true);
    QCOMPARE(down ? int(down->code) : -1, code);
    if (code >= 0) {
        QVERIFY(down->pressed && t.isDown(uchar(code)));
        QCOMPARE(t.translate(scan, extended, altDown, false), Change({uchar(code), false}));
    }
}

QStringList debugLines;
void collectDebug(QtMsgType, const QMessageLogContext&, const QString& text) {
    debugLines << text;
}

} // namespace

class KeyTranslationTest : public QObject {
    Q_OBJECT

  private slots:
    // Keys told apart only by the extended flag, keys the tables leave out, run ends.
    void evdevKeys_data() {
        QTest::addColumn<uint>("evdev");
        QTest::addColumn<int>("code");
        const std::pair<uint, int> rows[] = {
            {KEY_KPENTER, 0x58},   {KEY_ENTER, 0x28},      {KEY_RIGHTCTRL, 0xE4},
            {KEY_RIGHTALT, 0xE6},  {KEY_RIGHTSHIFT, 0xE5}, {KEY_RIGHTMETA, -1},
            {KEY_BACKSLASH, 0x31}, {KEY_102ND, 0x64},      {KEY_A, 0x04},
            {KEY_ESC, 0x29},       {KEY_F12, 0x45},        {KEY_F13, -1},
            {KEY_F23, 0x72},       {KEY_NUMLOCK, 0x53},    {KEY_PAUSE, 0x48},
            {KEY_SYSRQ, 0x46},     {KEY_KPSLASH, 0x54},    {KEY_HOME, 0x4A},
            {KEY_KP7, 0x5F},       {KEY_VOLUMEUP, -1},     {KEY_RESERVED, -1}};
        for (const auto& [evdev, code] : rows)
            QTest::addRow("evdev %u", evdev) << evdev << code;
    }
    void evdevKeys() {
        QFETCH(uint, evdev);
        QFETCH(int, code);
        const auto scan = capture::scanCodeForEvdev(evdev);
        QCOMPARE(capture::scanCodeForXKeycode(evdev + 8), scan); // X key codes are evdev + 8
        KeyTranslator t;
        if (scan)
            pressAndRelease(t, scan->scan, scan->extended, false, code);
        else
            QCOMPARE(code, -1);
    }

    // Every evdev row gives a key code of its own, except the keys the Windows tables
    // leave out as well.
    void evdevRowsGiveDistinctCodes() {
        std::set<unsigned> dropped{KEY_RIGHTMETA, KEY_RO,       KEY_KATAKANAHIRAGANA,
                                   KEY_HENKAN,    KEY_MUHENKAN, KEY_KPEQUAL,
                                   KEY_YEN,       KEY_F24};
        for (unsigned k = KEY_F13; k <= KEY_F22; ++k)
            dropped.insert(k);
        std::set<int> codes;
        for (const auto& row : capture::evdevScanRows()) {
            const Change e =
                KeyTranslator().translate(row.scanCode.scan, row.scanCode.extended, false, true);
            const QByteArray what = QByteArray::number(row.evdev);
            QVERIFY2(bool(e) != bool(dropped.count(row.evdev)), what);
            QVERIFY2(!e || codes.insert(e->code).second, what);
        }
        for (unsigned k = 0; k < 8; ++k)
            QCOMPARE(capture::scanCodeForXKeycode(k), std::nullopt);
    }

    // Scan codes only the Windows hook delivers: the Alt and Ctrl forms, codes no row has.
    void windowsScanCodes_data() {
        QTest::addColumn<uint>("scan");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<bool>("altDown");
        QTest::addColumn<int>("code");
        QTest::newRow("A with Alt") << 0x1Eu << false << true << 0x04;
        QTest::newRow("Ctrl+Break") << 0x46u << true << false << 0x48;
        QTest::newRow("Alt+Print Screen") << 0x54u << false << true << 0x46;
        QTest::newRow("Alt+Print Screen ext") << 0x54u << true << true << 0x46;
        QTest::newRow("54 without Alt") << 0x54u << false << false << -1;
        QTest::newRow("plain 36") << 0x36u << false << false << -1;
        QTest::newRow("scan above a byte") << 0x11Cu << false << false << -1;
    }
    void windowsScanCodes() {
        QFETCH(uint, scan);
        QFETCH(bool, extended);
        QFETCH(bool, altDown);
        QFETCH(int, code);
        KeyTranslator t;
        pressAndRelease(t, scan, extended, altDown, code);
    }

    void heldKeyReportedOnce() {
        KeyTranslator t;
        QCOMPARE(t.translate(0x1D, true, false, false), std::nullopt); // release, no press
        QCOMPARE(t.translate(0x1E, false, false, true), Change({0x04, true}));
        QCOMPARE(t.translate(0x1E, false, false, true), std::nullopt);
        QCOMPARE(t.translate(0x1E, false, false, false), Change({0x04, false}));
        QCOMPARE(t.translate(0x1E, false, false, false), std::nullopt);
        QCOMPARE(t.translate(0x1E, false, false, true), Change({0x04, true}));
    }

    // The flag changes the backslash row only; rebuilding empties the tables first and
    // keeps which keys are down.
    void backslashFlagAndRebuild() {
        KeyTranslator t(true);
        QCOMPARE(t.translate(0x2B, false, false, true), Change({0x32, true}));
        QCOMPARE(int(t.keyCode(0xDB)), 0x2F);
        QCOMPARE(int(t.keyCode(0xDD)), 0x30);
        t.build(false);
        QVERIFY(t.isDown(0x32));
        QCOMPARE(t.translate(0x2B, false, false, true), Change({0x31, true}));
    }

    // Windows hook messages and X buttons: left, right, middle; moves, double clicks,
    // wheels and side buttons are not reported.
    void mouseButtons() {
        const std::pair<std::uint32_t, uchar> downs[] = {
            {0x0201, 0xF0}, {0x0204, 0xF1}, {0x0207, 0xF2}};
        for (const auto& [message, code] : downs) {
            QCOMPARE(capture::mouseEventForMessage(message), Change({code, true}));
            QCOMPARE(capture::mouseEventForMessage(message + 1), Change({code, false}));
        }
        for (std::uint32_t message : {0x0200, 0x0203, 0x0206, 0x0209, 0x020A, 0x020B, 0x020C})
            QCOMPARE(capture::mouseEventForMessage(message), std::nullopt);
        QCOMPARE(capture::mouseEventForXButton(1, true), Change({0xF0, true}));
        QCOMPARE(capture::mouseEventForXButton(3, false), Change({0xF1, false}));
        QCOMPARE(capture::mouseEventForXButton(2, true), Change({0xF2, true}));
        for (unsigned b : {0u, 4u, 5u, 6u, 7u, 8u, 9u})
            QCOMPARE(capture::mouseEventForXButton(b, true), std::nullopt);
    }

    // A callback that delivers again (a nested event loop) gets nothing; what came in the
    // meantime follows in order once it returns.
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
        QVERIFY(queue.empty());
    }

    // Without an X display installing fails and says so once; nothing else breaks.
    void noDisplay() {
        const QByteArray saved = qgetenv("DISPLAY");
        qputenv("DISPLAY", ":9731");
        QLoggingCategory::setFilterRules(QStringLiteral("platform.capture.debug=true"));
        const QtMessageHandler previous = qInstallMessageHandler(&collectDebug);
        {
            KeyCapture first;
            QVERIFY(!first.installed() && !first.installHooks());
            first.removeHooks();
            QVERIFY(!KeyCapture(true).installed());
        }
        qInstallMessageHandler(previous);
        qputenv("DISPLAY", saved);
        QCOMPARE(debugLines.size(), 1);
        QVERIFY2(debugLines.first().contains(QLatin1String("no X display")),
                 qPrintable(debugLines[0]));
    }
};

QTEST_GUILESS_MAIN(KeyTranslationTest)
#include "key_translation_test.moc"
