import QtQuick
import QtTest
import MouseSuite.Model
import "qrc:/modules/qml"

// Button assignment through the panel, key menu and overlays, checked on the mouse and on disk.
TestCase {
    name: "KeyMatrix"

    property var page: testEnv.page
    property var matrix: testEnv.item("KeyMatrix")
    property var menu: testEnv.item("KeyMenu")
    property var single: testEnv.item("SingleKey")
    property var macroKey: testEnv.item("MacroKey")

    // The button table the mouse holds now: 16 entries of 4 bytes.
    function table() {
        verify(testEnv.waitLinkFree())
        return testEnv.deviceState().button_table.split(" ").map(function (h) { return parseInt(h, 16) })
    }
    function entry(i) { return table().slice(4 * i, 4 * i + 4) }
    function stored(i) { return testEnv.setting("setting/p1.bin", "keydefine_Q7/" + i).map(Number) }
    function texts() { return testEnv.value(matrix, "texts") }
    // Opens the key menu on a button's row and picks a first-level row, then a sub-row.
    function pick(button, row, subRow) {
        testEnv.click(matrix.rowAt(button), 120, 10)
        testEnv.click(menu.rowAt(row), 20, 10)
        if (subRow !== undefined)
            testEnv.click(menu.subRowAt(subRow), 20, 10)
    }
    function setTable(changes) {
        var list = []
        for (var i = 0; i < 16; ++i)
            list = list.concat(changes[i] || matrix.bytesOf(matrix.defaultCodes[i]))
        ui_View.ui_12H_SetKeyMatrix(list)
        matrix.init(false)
        testEnv.clearTraffic()
        return list
    }
    // A macro made behind the macro editor's back, which then reads the library again.
    function newMacro(name) {
        ui_View.createMacroIni(name, 0)
        ui_View.updataNameList(0, [name])
        testEnv.item("MacroEditor").init()
    }

    function init() {
        ui_View.resetProfile(0)
        matrix.init(false)
        testEnv.clearTraffic()
    }

    function test_menuChoice_data() {
        return [{ tag: "Copy", button: 1, row: 8, sub: 2, entry: [0, 0, 0xE0, 0x06], text: "Copy", others: true },
                { tag: "Mute", button: 4, row: 7, sub: 5, entry: [3, 0, 0xE2, 0], text: "Mute" },
                { tag: "gun key", button: 5, row: 12, sub: 1, entry: [8, 0, 1, 0], text: "Fn" }]
    }
    function test_menuChoice(row) {
        // A macro in slot 3, an entry the panel does not show: both are handed back as they are.
        var list = row.others ? setTable({ 2: [9, 1, 3, 0], 7: [4, 9, 8, 7] }) : []
        pick(row.button, row.row, row.sub)
        verify(!menu.visible && page.selectedButton === -1)
        compare(entry(row.button), row.entry)
        compare(stored(row.button), row.entry)
        compare(texts()[row.button], row.text)
        if (row.others) {
            compare(entry(2), [9, 1, 3, 0])
            compare(table().slice(28), list.slice(28))
        }
    }

    // The command line names the menu's functions: every row that assigns at once means the
    // same code there as here, under the name the English menu shows.
    function test_commandLineNamesMatchTheMenu() {
        var rows = menu.firstLevel
        for (var s = 0; s < 4; ++s)
            rows = rows.concat(menu.subMenus[s])
        var checked = 0
        for (var i = 0; i < rows.length; ++i) {
            var code = rows[i][1]
            if (!/^[0-9a-f]{8}$/.test(code))
                continue
            compare(ButtonTable.functionCode(Strings.englishKeyMenu[rows[i][0]]), code,
                    Strings.englishKeyMenu[rows[i][0]])
            ++checked
        }
        compare(checked, 35)
    }

    function test_brokenProfileEntriesTakeTheFactoryFunction() {
        var factory = testEnv.readFile("setting/pD.bin")
        testEnv.writeFile("setting/pD.bin", "[keydefine_Q7]\n1=3, 0, 226, 0\n2=x, 0, 1, 0\n3=1, 0\n")
        ui_View.resetProfile(0)
        testEnv.writeFile("setting/pD.bin", factory)
        matrix.init(true)
        compare(table().slice(0, 16), [1, 0, 0xF0, 0, 3, 0, 0xE2, 0, 1, 0, 0xF2, 0, 1, 0, 0xF4, 0])
    }

    function test_lastLeftButtonStays() {
        pick(0, 1)                       // Right Button
        newMacro("Jump")
        pick(0, 11)
        testEnv.click(macroKey.rowAt(0), 20, 10)
        testEnv.click(macroKey.okButton, 5, 5)
        verify(!macroKey.visible && !testEnv.item("Mask").visible)
        compare(testEnv.setting("setting/p1.bin", "macro/0"), undefined, "a refused macro was stored")
        // A left button on an entry the panel does not show cannot stand in for it.
        setTable({ 7: [1, 0, 0xF0, 0] })
        pick(0, 2)
        compare(testEnv.sent(0x12).length, 0)
        // With a second left button either can go, but then the other one stays.
        pick(2, 0)
        pick(0, 1)
        compare(table().slice(0, 12), [1, 0, 0xF1, 0, 1, 0, 0xF1, 0, 1, 0, 0xF0, 0])
        testEnv.clearTraffic()
        pick(2, 13)
        compare(testEnv.sent(0x12).length, 0)
    }

    function test_macroSlotCountsFromZeroOnThePanel() {
        newMacro("Walk")
        pick(3, 11)
        verify(macroKey.visible && !macroKey.okButton.enabled)
        compare(macroKey.macros.count, 1, "the name list's filler is no macro")
        testEnv.click(macroKey.rowAt(0), 20, 10)
        testEnv.click(macroKey.modeAt(2), 5, 5)
        testEnv.click(macroKey.okButton, 5, 5)
        compare(entry(3), [9, 2, 4, 0])
        compare(stored(3), [9, 2, 4, 0])
        compare(testEnv.setting("setting/p1.bin", "macro/3"), "Walk")
        matrix.init(false)
        compare(testEnv.value(matrix, "entries")[3], [9, 2, 3, 0])
        compare(texts()[3], "Macro: Walk")
        // Deleting it gives the button back; a name no button plays changes nothing.
        matrix.deleteMacroProc("Nobody")
        compare(entry(3), [9, 2, 4, 0])
        matrix.deleteMacroProc("Walk")
        compare(entry(3), [1, 0, 0xF4, 0])
    }

    function test_typedKeyAssigned() {
        pick(2, 10)
        compare(testEnv.item("Mouse").selectIndex, 2)
        if (!testEnv.typeOnDisplay("backslash"))
            skip("no X display with the keystroke capture (./test.sh provides one)")
        // The backslash key comes as 0x31 and is sent as 0x32, like every page does.
        tryCompare(single, "keyName", "\\ |", 5000)
        page.detectKeyboard(false, 0x05)   // a release does not take the last key's place
        page.detectKeyboard(true, 0x74)    // a key without a name cannot be given
        testEnv.click(single.okButton, 5, 5)
        verify(single.visible)
        page.detectKeyboard(true, 0x31)
        testEnv.click(single.okButton, 5, 5)
        verify(!single.visible)
        compare(entry(2), [0, 0, 0x32, 0])
        compare(texts()[2], "Keyboard Key-\\ |")
        // Closed, the overlay takes no more keys.
        page.detectKeyboard(true, 0x04)
        compare(single.keyName, "\\ |")
    }
}
