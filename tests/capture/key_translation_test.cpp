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

// The key is reported as `code` (or, for -1, not at all) when pressed and when released.
void pressAndRelease(KeyTranslator& t, std::uint32_t scan, bool extended, bool altDown, int code) {
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

    // Scan codes only the Windows hook delivers: the Alt and Ctrl forms, and codes no row has.
    void scanOnlyKeyCodes_data() {
        QTest::addColumn<uint>("scan");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<bool>("altDown");
        QTest::addColumn<int>("code"); // -1: not reported

        QTest::newRow("A with Alt") << 0x1Eu << false << true << 0x04;
        QTest::newRow("Ctrl+Break") << 0x46u << true << false << 0x48;
        QTest::newRow("Alt+Print Screen") << 0x54u << false << true << 0x46;
        QTest::newRow("Alt+Print Screen ext") << 0x54u << true << true << 0x46;
        QTest::newRow("54 without Alt") << 0x54u << false << false << -1;
        QTest::newRow("plain 36") << 0x36u << false << false << -1;
        QTest::newRow("unknown 7F") << 0x7Fu << false << false << -1;
        QTest::newRow("scan above a byte") << 0x11Cu << false << false << -1;
    }

    void scanOnlyKeyCodes() {
        QFETCH(uint, scan);
        QFETCH(bool, extended);
        QFETCH(bool, altDown);
        QFETCH(int, code);
        KeyTranslator t;
        pressAndRelease(t, scan, extended, altDown, code);
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
        // A release without a press is dropped.
        QCOMPARE(t.translate(0x1D, true, false, false), std::nullopt);
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

    // What the hook sees for a double click is down, up, double, up: the double is dropped.
    void mouseMessages() {
        const std::pair<std::uint32_t, int> downs[] = {
            {0x0201, 0xF0}, {0x0204, 0xF1}, {0x0207, 0xF2}};
        for (const auto& [message, code] : downs) {
            QCOMPARE(capture::mouseEventForMessage(message),
                     std::optional<KeyEvent>(KeyEvent{std::uint8_t(code), true}));
            QCOMPARE(capture::mouseEventForMessage(message + 1),
                     std::optional<KeyEvent>(KeyEvent{std::uint8_t(code), false}));
        }
        // Moves, double clicks, wheels and the side buttons.
        for (std::uint32_t message :
             {0x0200, 0x0203, 0x0206, 0x0209, 0x020A, 0x020B, 0x020C, 0x020E})
            QCOMPARE(capture::mouseEventForMessage(message), std::nullopt);
    }

    // evdev key -> HID key code, the whole way through the tables.
    // One row for each kind of key: rows that differ only in the extended flag, the keys
    // the tables leave out, and both ends of the runs.
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
        QTest::newRow("LEFTMETA") << uint(KEY_LEFTMETA) << 0xE3;
        QTest::newRow("RIGHTMETA") << uint(KEY_RIGHTMETA) << -1;
        QTest::newRow("COMPOSE") << uint(KEY_COMPOSE) << 0x65;
        QTest::newRow("BACKSLASH") << uint(KEY_BACKSLASH) << 0x31;
        QTest::newRow("102ND") << uint(KEY_102ND) << 0x64;
        QTest::newRow("A") << uint(KEY_A) << 0x04;
        QTest::newRow("M") << uint(KEY_M) << 0x10;
        QTest::newRow("ESC") << uint(KEY_ESC) << 0x29;
        QTest::newRow("1") << uint(KEY_1) << 0x1E;
        QTest::newRow("0") << uint(KEY_0) << 0x27;
        QTest::newRow("F1") << uint(KEY_F1) << 0x3A;
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
        QTest::newRow("HOME") << uint(KEY_HOME) << 0x4A;
        QTest::newRow("KP7") << uint(KEY_KP7) << 0x5F;
        QTest::newRow("DELETE") << uint(KEY_DELETE) << 0x4C;
        QTest::newRow("KPDOT") << uint(KEY_KPDOT) << 0x63;
        QTest::newRow("VOLUMEUP") << uint(KEY_VOLUMEUP) << -1;
        QTest::newRow("RESERVED") << uint(KEY_RESERVED) << -1;
    }

    void evdevKeys() {
        QFETCH(uint, evdev);
        QFETCH(int, code);
        const auto scan = capture::scanCodeForEvdev(evdev);
        // X11 key codes are evdev codes + 8.
        QCOMPARE(capture::scanCodeForXKeycode(evdev + 8), scan);
        if (!scan) {
            QCOMPARE(code, -1);
            return;
        }
        KeyTranslator t;
        pressAndRelease(t, scan->scan, scan->extended, false, code);
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
        for (unsigned k = 0; k < 8; ++k)
            QCOMPARE(capture::scanCodeForXKeycode(k), std::nullopt);
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
