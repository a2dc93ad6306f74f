// The key translation on its own: the two tables, the overrides, the repeat filter, the
// mouse messages and the evdev mapping used on X11.
#include "evdev_scan_codes.h"
#include "key_capture.h"
#include "key_translation.h"

#include <QtTest>

#include <linux/input-event-codes.h>
#include <set>

using capture::KeyEvent;
using capture::KeyTranslator;

namespace {

int codeOf(const std::optional<KeyEvent>& e) {
    return e ? e->code : -1;
}

QStringList capturedDebug;

void collectDebug(QtMsgType, const QMessageLogContext&, const QString& text) {
    capturedDebug << text;
}

} // namespace

class KeyTranslationTest : public QObject {
    Q_OBJECT

  private slots:
    void tableSizes() {
        QCOMPARE(capture::scanCodeRows().size(), std::size_t(105));
        QCOMPARE(capture::virtualKeyRows().size(), std::size_t(121));
        int extended = 0;
        std::set<std::uint16_t> scanKeys;
        for (const auto& row : capture::scanCodeRows()) {
            extended += row.key & 1;
            scanKeys.insert(row.key);
        }
        QCOMPARE(extended, 19);
        QCOMPARE(scanKeys.size(), std::size_t(105));
        std::set<std::uint8_t> vks;
        for (const auto& row : capture::virtualKeyRows())
            vks.insert(row.virtualKey);
        QCOMPARE(vks.size(), std::size_t(121));

        const KeyTranslator t;
        QCOMPARE(t.scanTableSize(), std::size_t(105));
        QCOMPARE(t.virtualKeyTableSize(), std::size_t(121));
    }

    void keyCodes_data() {
        QTest::addColumn<uint>("scan");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<bool>("altDown");
        QTest::addColumn<int>("code"); // -1: not reported

        QTest::newRow("Enter") << 0x1Cu << false << false << 0x28;
        QTest::newRow("keypad Enter") << 0x1Cu << true << false << 0x58;
        QTest::newRow("left Ctrl") << 0x1Du << false << false << 0xE0;
        QTest::newRow("right Ctrl") << 0x1Du << true << false << 0xE4;
        QTest::newRow("left Alt") << 0x38u << false << false << 0xE2;
        QTest::newRow("right Alt") << 0x38u << true << false << 0xE6;
        QTest::newRow("left Shift") << 0x2Au << false << false << 0xE1;
        QTest::newRow("right Shift") << 0x36u << true << false << 0xE5;
        QTest::newRow("plain 36") << 0x36u << false << false << -1;
        QTest::newRow("backslash") << 0x2Bu << false << false << 0x31;
        QTest::newRow("A") << 0x1Eu << false << false << 0x04;
        QTest::newRow("A with Alt") << 0x1Eu << false << true << 0x04;
        QTest::newRow("Z") << 0x2Cu << false << false << 0x1D;
        QTest::newRow("1") << 0x02u << false << false << 0x1E;
        QTest::newRow("0") << 0x0Bu << false << false << 0x27;
        QTest::newRow("Esc") << 0x01u << false << false << 0x29;
        QTest::newRow("F1") << 0x3Bu << false << false << 0x3A;
        QTest::newRow("F12") << 0x58u << false << false << 0x45;
        QTest::newRow("F23") << 0x6Eu << false << false << 0x72;
        QTest::newRow("102nd key") << 0x56u << false << false << 0x64;
        QTest::newRow("Pause") << 0x45u << false << false << 0x48;
        QTest::newRow("Num Lock") << 0x45u << true << false << 0x53;
        QTest::newRow("Scroll Lock") << 0x46u << false << false << 0x47;
        QTest::newRow("Ctrl+Break") << 0x46u << true << false << 0x48;
        QTest::newRow("Print Screen") << 0x37u << true << false << 0x46;
        QTest::newRow("keypad *") << 0x37u << false << false << 0x55;
        QTest::newRow("Alt+Print Screen") << 0x54u << false << true << 0x46;
        QTest::newRow("Alt+Print Screen ext") << 0x54u << true << true << 0x46;
        QTest::newRow("54 without Alt") << 0x54u << false << false << -1;
        QTest::newRow("keypad /") << 0x35u << true << false << 0x54;
        QTest::newRow("slash") << 0x35u << false << false << 0x38;
        QTest::newRow("Home") << 0x47u << true << false << 0x4A;
        QTest::newRow("keypad 7") << 0x47u << false << false << 0x5F;
        QTest::newRow("Up") << 0x48u << true << false << 0x52;
        QTest::newRow("Delete") << 0x53u << true << false << 0x4C;
        QTest::newRow("keypad .") << 0x53u << false << false << 0x63;
        QTest::newRow("left Windows") << 0x5Bu << true << false << 0xE3;
        QTest::newRow("right Windows") << 0x5Cu << true << false << -1;
        QTest::newRow("Menu") << 0x5Du << true << false << 0x65;
        QTest::newRow("unknown 7F") << 0x7Fu << false << false << -1;
        QTest::newRow("scan above a byte") << 0x11Cu << false << false << -1;
        QTest::newRow("scan above a byte ext") << 0x11Cu << true << false << -1;
    }

    void keyCodes() {
        QFETCH(uint, scan);
        QFETCH(bool, extended);
        QFETCH(bool, altDown);
        QFETCH(int, code);
        KeyTranslator t;
        const auto down = t.translate(scan, extended, altDown, true);
        QCOMPARE(codeOf(down), code);
        if (code < 0)
            return;
        QVERIFY(down->pressed);
        QVERIFY(t.isDown(static_cast<std::uint8_t>(code)));
        const auto up = t.translate(scan, extended, altDown, false);
        QCOMPARE(up, std::optional<KeyEvent>(KeyEvent{static_cast<std::uint8_t>(code), false}));
        QVERIFY(!t.isDown(static_cast<std::uint8_t>(code)));
    }

    void virtualKeyTableRanges() {
        const KeyTranslator t;
        for (int i = 0; i < 26; ++i)
            QCOMPARE(int(t.keyCode(std::uint8_t(0x41 + i))), 0x04 + i);
        for (int i = 0; i < 12; ++i) {
            QCOMPARE(int(t.keyCode(std::uint8_t(0x70 + i))), 0x3A + i); // F1..F12
            QCOMPARE(int(t.keyCode(std::uint8_t(0x7C + i))), 0x68 + i); // F13..F24
        }
        for (int i = 1; i <= 9; ++i)
            QCOMPARE(int(t.keyCode(std::uint8_t(0x60 + i))), 0x58 + i); // keypad 1..9
        QCOMPARE(int(t.keyCode(0x60)), 0x62);                           // keypad 0
        QCOMPARE(int(t.keyCode(0x0E)), 0x58);
        QCOMPARE(int(t.keyCode(0xFF)), 0x66);
        QCOMPARE(int(t.keyCode(0xEB)), 0x8B);
        QCOMPARE(int(t.keyCode(0xC1)), 0x87);
        QCOMPARE(int(t.keyCode(0x0A)), 0);
        QCOMPARE(int(t.keyCode(0x6C)), 0); // the separator key has no row
    }

    void backslashFlag() {
        KeyTranslator t(true);
        QVERIFY(t.backslashAlt());
        QCOMPARE(codeOf(t.translate(0x2B, false, false, true)), 0x32);
        QCOMPARE(codeOf(t.translate(0x2B, false, false, false)), 0x32);
        // Only that one row changes.
        QCOMPARE(int(t.keyCode(0xDB)), 0x2F);
        QCOMPARE(int(t.keyCode(0xDD)), 0x30);
        QCOMPARE(t.virtualKeyTableSize(), std::size_t(121));

        // Rebuilding empties the tables first: back to 0x31, no stale row, same sizes.
        t.build(false);
        QVERIFY(!t.backslashAlt());
        QCOMPARE(codeOf(t.translate(0x2B, false, false, true)), 0x31);
        QCOMPARE(t.scanTableSize(), std::size_t(105));
        QCOMPARE(t.virtualKeyTableSize(), std::size_t(121));
    }

    void heldKeyReportedOnce() {
        KeyTranslator t;
        QCOMPARE(t.translate(0x1E, false, false, true),
                 std::optional<KeyEvent>(KeyEvent{0x04, true}));
        for (int i = 0; i < 20; ++i)
            QCOMPARE(t.translate(0x1E, false, false, true), std::nullopt);
        QCOMPARE(t.translate(0x1E, false, false, false),
                 std::optional<KeyEvent>(KeyEvent{0x04, false}));
        QCOMPARE(t.translate(0x1E, false, false, false), std::nullopt);
        // And the key works again afterwards.
        QCOMPARE(codeOf(t.translate(0x1E, false, false, true)), 0x04);
    }

    void releaseWithoutPressDropped() {
        KeyTranslator t;
        QCOMPARE(t.translate(0x1D, true, false, false), std::nullopt);
        QVERIFY(!t.isDown(0xE4));
    }

    void keysAreIndependent() {
        KeyTranslator t;
        // Left and right Ctrl are separate keys; the keypad Enter is not the Enter key.
        QCOMPARE(codeOf(t.translate(0x1D, false, false, true)), 0xE0);
        QCOMPARE(codeOf(t.translate(0x1D, true, false, true)), 0xE4);
        QCOMPARE(codeOf(t.translate(0x1C, false, false, true)), 0x28);
        QCOMPARE(codeOf(t.translate(0x1C, true, false, true)), 0x58);
        QCOMPARE(codeOf(t.translate(0x1D, false, false, false)), 0xE0);
        QVERIFY(t.isDown(0xE4));
        QVERIFY(!t.isDown(0xE0));
    }

    void breakAndPauseShareTheirState() {
        // Ctrl+Break and Pause both report 0x48; the state table sees one key.
        KeyTranslator t;
        QCOMPARE(codeOf(t.translate(0x46, true, false, true)), 0x48);
        QCOMPARE(t.translate(0x45, false, false, true), std::nullopt);
        QCOMPARE(codeOf(t.translate(0x45, false, false, false)), 0x48);
    }

    void rebuildKeepsKeyState() {
        KeyTranslator t;
        QCOMPARE(codeOf(t.translate(0x2B, false, false, true)), 0x31);
        t.build(false);
        QVERIFY(t.isDown(0x31));
        QCOMPARE(t.translate(0x2B, false, false, true), std::nullopt);
    }

    void mouseMessages_data() {
        QTest::addColumn<uint>("message");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("pressed");
        QTest::newRow("left down") << 0x0201u << 0xF0 << true;
        QTest::newRow("left up") << 0x0202u << 0xF0 << false;
        QTest::newRow("right down") << 0x0204u << 0xF1 << true;
        QTest::newRow("right up") << 0x0205u << 0xF1 << false;
        QTest::newRow("middle down") << 0x0207u << 0xF2 << true;
        QTest::newRow("middle up") << 0x0208u << 0xF2 << false;
        QTest::newRow("move") << 0x0200u << -1 << false;
        QTest::newRow("left double") << 0x0203u << -1 << false;
        QTest::newRow("right double") << 0x0206u << -1 << false;
        QTest::newRow("middle double") << 0x0209u << -1 << false;
        QTest::newRow("wheel") << 0x020Au << -1 << false;
        QTest::newRow("x down") << 0x020Bu << -1 << false;
        QTest::newRow("x up") << 0x020Cu << -1 << false;
        QTest::newRow("h-wheel") << 0x020Eu << -1 << false;
    }

    void mouseMessages() {
        QFETCH(uint, message);
        QFETCH(int, code);
        QFETCH(bool, pressed);
        const auto e = capture::mouseEventForMessage(message);
        QCOMPARE(codeOf(e), code);
        if (e)
            QCOMPARE(e->pressed, pressed);
    }

    void doubleClickIsTwoClicks() {
        // What the hook sees for a double click: down, up, double, up.
        QList<KeyEvent> seen;
        for (uint message : {0x0201u, 0x0202u, 0x0203u, 0x0202u, 0x0201u, 0x0202u})
            if (const auto e = capture::mouseEventForMessage(message))
                seen << *e;
        const QList<KeyEvent> expected{
            {0xF0, true}, {0xF0, false}, {0xF0, false}, {0xF0, true}, {0xF0, false}};
        QCOMPARE(seen, expected);
    }

    void xButtons() {
        QCOMPARE(capture::mouseEventForXButton(1, true),
                 std::optional<KeyEvent>(KeyEvent{0xF0, true}));
        QCOMPARE(capture::mouseEventForXButton(1, false),
                 std::optional<KeyEvent>(KeyEvent{0xF0, false}));
        QCOMPARE(capture::mouseEventForXButton(2, true),
                 std::optional<KeyEvent>(KeyEvent{0xF2, true}));
        QCOMPARE(capture::mouseEventForXButton(3, false),
                 std::optional<KeyEvent>(KeyEvent{0xF1, false}));
        for (unsigned b : {0u, 4u, 5u, 6u, 7u, 8u, 9u, 10u})
            QCOMPARE(capture::mouseEventForXButton(b, true), std::nullopt);
    }

    // evdev key -> HID key code, the whole way through the tables.
    void evdevKeys_data() {
        QTest::addColumn<uint>("evdev");
        QTest::addColumn<int>("code");
        QTest::newRow("KPENTER") << uint(KEY_KPENTER) << 0x58;
        QTest::newRow("ENTER") << uint(KEY_ENTER) << 0x28;
        QTest::newRow("RIGHTCTRL") << uint(KEY_RIGHTCTRL) << 0xE4;
        QTest::newRow("LEFTCTRL") << uint(KEY_LEFTCTRL) << 0xE0;
        QTest::newRow("RIGHTALT") << uint(KEY_RIGHTALT) << 0xE6;
        QTest::newRow("LEFTALT") << uint(KEY_LEFTALT) << 0xE2;
        QTest::newRow("RIGHTSHIFT") << uint(KEY_RIGHTSHIFT) << 0xE5;
        QTest::newRow("LEFTSHIFT") << uint(KEY_LEFTSHIFT) << 0xE1;
        QTest::newRow("LEFTMETA") << uint(KEY_LEFTMETA) << 0xE3;
        QTest::newRow("RIGHTMETA") << uint(KEY_RIGHTMETA) << -1;
        QTest::newRow("COMPOSE") << uint(KEY_COMPOSE) << 0x65;
        QTest::newRow("BACKSLASH") << uint(KEY_BACKSLASH) << 0x31;
        QTest::newRow("102ND") << uint(KEY_102ND) << 0x64;
        QTest::newRow("A") << uint(KEY_A) << 0x04;
        QTest::newRow("M") << uint(KEY_M) << 0x10;
        QTest::newRow("GRAVE") << uint(KEY_GRAVE) << 0x35;
        QTest::newRow("SPACE") << uint(KEY_SPACE) << 0x2C;
        QTest::newRow("CAPSLOCK") << uint(KEY_CAPSLOCK) << 0x39;
        QTest::newRow("F10") << uint(KEY_F10) << 0x43;
        QTest::newRow("F11") << uint(KEY_F11) << 0x44;
        QTest::newRow("F12") << uint(KEY_F12) << 0x45;
        QTest::newRow("F13") << uint(KEY_F13) << -1;
        QTest::newRow("F23") << uint(KEY_F23) << 0x72;
        QTest::newRow("NUMLOCK") << uint(KEY_NUMLOCK) << 0x53;
        QTest::newRow("PAUSE") << uint(KEY_PAUSE) << 0x48;
        QTest::newRow("SCROLLLOCK") << uint(KEY_SCROLLLOCK) << 0x47;
        QTest::newRow("SYSRQ") << uint(KEY_SYSRQ) << 0x46;
        QTest::newRow("KPASTERISK") << uint(KEY_KPASTERISK) << 0x55;
        QTest::newRow("KPSLASH") << uint(KEY_KPSLASH) << 0x54;
        QTest::newRow("SLASH") << uint(KEY_SLASH) << 0x38;
        QTest::newRow("KP0") << uint(KEY_KP0) << 0x62;
        QTest::newRow("KP7") << uint(KEY_KP7) << 0x5F;
        QTest::newRow("KPDOT") << uint(KEY_KPDOT) << 0x63;
        QTest::newRow("KPMINUS") << uint(KEY_KPMINUS) << 0x56;
        QTest::newRow("KPPLUS") << uint(KEY_KPPLUS) << 0x57;
        QTest::newRow("HOME") << uint(KEY_HOME) << 0x4A;
        QTest::newRow("END") << uint(KEY_END) << 0x4D;
        QTest::newRow("PAGEUP") << uint(KEY_PAGEUP) << 0x4B;
        QTest::newRow("PAGEDOWN") << uint(KEY_PAGEDOWN) << 0x4E;
        QTest::newRow("INSERT") << uint(KEY_INSERT) << 0x49;
        QTest::newRow("DELETE") << uint(KEY_DELETE) << 0x4C;
        QTest::newRow("UP") << uint(KEY_UP) << 0x52;
        QTest::newRow("DOWN") << uint(KEY_DOWN) << 0x51;
        QTest::newRow("LEFT") << uint(KEY_LEFT) << 0x50;
        QTest::newRow("RIGHT") << uint(KEY_RIGHT) << 0x4F;
        QTest::newRow("VOLUMEUP") << uint(KEY_VOLUMEUP) << -1;
        QTest::newRow("RESERVED") << uint(KEY_RESERVED) << -1;
    }

    void evdevKeys() {
        QFETCH(uint, evdev);
        QFETCH(int, code);
        KeyTranslator t;
        const auto scan = capture::scanCodeForEvdev(evdev);
        std::optional<KeyEvent> e;
        if (scan)
            e = t.translate(scan->scan, scan->extended, false, true);
        QCOMPARE(codeOf(e), code);
        // X11 key codes are evdev codes + 8.
        QCOMPARE(capture::scanCodeForXKeycode(evdev + 8), scan);
    }

    void evdevSpecificScanCodes() {
        using capture::ScanCode;
        QCOMPARE(capture::scanCodeForEvdev(KEY_KPENTER), std::optional(ScanCode{0x1C, true}));
        QCOMPARE(capture::scanCodeForEvdev(KEY_RIGHTCTRL), std::optional(ScanCode{0x1D, true}));
        QCOMPARE(capture::scanCodeForEvdev(KEY_RIGHTALT), std::optional(ScanCode{0x38, true}));
        QCOMPARE(capture::scanCodeForEvdev(KEY_BACKSLASH), std::optional(ScanCode{0x2B, false}));
        QCOMPARE(capture::scanCodeForEvdev(KEY_RIGHTMETA), std::optional(ScanCode{0x5C, true}));
        QCOMPARE(capture::scanCodeForEvdev(KEY_PAUSE), std::optional(ScanCode{0x45, false}));
        QCOMPARE(capture::scanCodeForEvdev(KEY_NUMLOCK), std::optional(ScanCode{0x45, true}));
        for (unsigned k = 0; k < 8; ++k)
            QCOMPARE(capture::scanCodeForXKeycode(k), std::nullopt);
    }

    // Every evdev row reaches a key code, except the keys the Windows tables leave out
    // too; no two rows give the same key code.
    void evdevRowsAgreeWithTheTables() {
        const std::set<unsigned> dropped{KEY_RIGHTMETA, KEY_RO,       KEY_KATAKANAHIRAGANA,
                                         KEY_HENKAN,    KEY_MUHENKAN, KEY_KPEQUAL,
                                         KEY_YEN,       KEY_F13,      KEY_F14,
                                         KEY_F15,       KEY_F16,      KEY_F17,
                                         KEY_F18,       KEY_F19,      KEY_F20,
                                         KEY_F21,       KEY_F22,      KEY_F24};
        std::set<int> codes;
        for (const auto& row : capture::evdevScanRows()) {
            KeyTranslator t;
            const auto e = t.translate(row.scanCode.scan, row.scanCode.extended, false, true);
            const QByteArray what = QByteArray::number(row.evdev);
            if (dropped.count(row.evdev)) {
                QVERIFY2(!e, what.constData());
            } else {
                QVERIFY2(e, what.constData());
                QVERIFY2(codes.insert(e->code).second, what.constData());
            }
        }
        QCOMPARE(codes.size(), capture::evdevScanRows().size() - dropped.size());
    }

    // Without an X display, installing fails and says so once; nothing else breaks.
    void noDisplay() {
        const QByteArray saved = qgetenv("DISPLAY");
        qputenv("DISPLAY", ":9731");
        QLoggingCategory::setFilterRules(QStringLiteral("platform.capture.debug=true"));
        capturedDebug.clear();
        const QtMessageHandler previous = qInstallMessageHandler(&collectDebug);
        {
            KeyCapture first;
            QVERIFY(!first.installed());
            QVERIFY(!first.installHooks());
            first.removeHooks();
            KeyCapture second(true);
            QVERIFY(!second.installed());
            QCOMPARE(second.translator().scanTableSize(), std::size_t(105));
        }
        qInstallMessageHandler(previous);
        if (saved.isNull())
            qunsetenv("DISPLAY");
        else
            qputenv("DISPLAY", saved);
        QCOMPARE(capturedDebug.size(), 1);
        QVERIFY2(capturedDebug.first().contains(QLatin1String("no X display")),
                 qPrintable(capturedDebug.first()));
    }
};

QTEST_GUILESS_MAIN(KeyTranslationTest)
#include "key_translation_test.moc"
