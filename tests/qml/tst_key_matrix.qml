import QtQuick
import QtTest

// Button assignment as the user drives it: the panel's rows, the key menu, the single-key
// and macro-key overlays, checked in the mouse's button table and in the profile file.
TestCase {
    name: "KeyMatrix"

    property var page: testEnv.page
    property var matrix: testEnv.item("KeyMatrix")
    property var menu: testEnv.item("KeyMenu")

    function item(name) {
        var it = testEnv.item(name)
        verify(it !== null, name + " is missing")
        return it
    }
    function bytes(text) {
        return text.split(" ").map(function (h) { return parseInt(h, 16) })
    }
    // The button table the mouse holds now: 16 entries of 4 bytes.
    function table() {
        verify(testEnv.waitLinkFree())
        return bytes(testEnv.deviceState().button_table)
    }
    function entry(i) {
        return table().slice(4 * i, 4 * i + 4)
    }
    function keyMatrixFrames() {
        verify(testEnv.waitLinkFree())
        return testEnv.traffic().filter(function (r) {
            return r.dir === "to_device" && r.kind === "feature" && bytes(r.plain)[1] === 0x12
        }).map(function (r) { return bytes(r.plain).slice(1, 8) })
    }
    function stored(i) {
        return testEnv.setting("setting/p1.bin", "keydefine_Q7/" + i).map(Number)
    }
    function texts() {
        return testEnv.value(matrix, "texts")
    }
    // Opens the key menu on a button's row and picks a first-level row, then a sub-row.
    function pick(button, row, subRow) {
        testEnv.click(matrix.rowAt(button), 120, 10)
        verify(menu.visible)
        testEnv.click(menu.rowAt(row), 20, 10)
        if (subRow !== undefined)
            testEnv.click(menu.subRowAt(subRow), 20, 10)
    }
    function setTable(changes) {
        var list = []
        for (var i = 0; i < 16; ++i)
            list = list.concat(changes[i] !== undefined ? changes[i]
                                                        : matrix.bytesOf(matrix.defaultCodes[i]))
        ui_View.ui_12H_SetKeyMatrix(list)
        matrix.init(false)
        verify(testEnv.waitLinkFree())
        testEnv.clearTraffic()
        return list
    }
    // A macro made behind the macro editor's back, which then reads the library again.
    function newMacro(name) {
        ui_View.createMacroIni(name, 0)
        ui_View.updataNameList(0, [name])
        item("MacroEditor").init()
    }

    // Every test starts on profile 0 with the factory buttons.
    function init() {
        tryVerify(function () { return item("DpiSetting").visible }, 10000)
        tryCompare(ui_View, "enabled", true, 5000)
        ui_View.resetProfile(0)
        matrix.init(true)
        verify(testEnv.waitLinkFree())
        testEnv.clearTraffic()
    }

    function test_wholeListOnTheWire() {
        // A macro in the mouse's slot 3, a key without a name, a kind no table names, and
        // hidden entries the panel must hand back as they are.
        ui_View.setMacroKey(2, "Walk")
        var list = setTable({ 2: [9, 1, 3, 0], 4: [0, 0, 0x74, 0], 5: [0x0C, 1, 2, 3],
                              7: [4, 9, 8, 7], 15: [255, 255, 255, 255] })
        matrix.init(true)
        compare(keyMatrixFrames(), [[0x12, 1, 0x40, 8, 0, 0, 0]])
        compare(table(), list)
        compare(testEnv.value(matrix, "entries")[2], [9, 1, 2, 0])
        var shown = texts()
        compare(shown.slice(0, 6), ["Left Button", "Right Button", "Macro: Walk", "Forward", "", ""])
        compare(testEnv.value(matrix, "labels")[5], "Button 6")

        pick(1, 8, 2)                    // Basic Commands, Copy
        compare(entry(1), [0, 0, 0xE0, 0x06])
        compare(entry(2), [9, 1, 3, 0])
        compare(table().slice(28), list.slice(28))
        compare(stored(2), [9, 1, 3, 0])
        compare(stored(7), [4, 9, 8, 7])
        compare(texts()[1], "Copy")
        verify(!menu.visible)

        // A profile whose entries are missing or not numbers gives those buttons their
        // factory function, never a table of zeros without a left button.
        var factory = testEnv.readFile("setting/pD.bin")
        testEnv.writeFile("setting/pD.bin", "[keydefine_Q7]\n1=3, 0, 226, 0\n2=x, 0, 1, 0\n3=1, 0\n")
        ui_View.resetProfile(0)
        testEnv.writeFile("setting/pD.bin", factory)
        matrix.init(true)
        compare(table().slice(0, 16), [1, 0, 0xF0, 0, 3, 0, 0xE2, 0, 1, 0, 0xF2, 0, 1, 0, 0xF4, 0])
        compare(table().slice(56), [4, 0, 1, 0, 4, 0, 2, 0])
    }

    function test_lastLeftButtonStays() {
        pick(0, 1)                       // Right Button
        compare(keyMatrixFrames().length, 0)
        compare(entry(0), [1, 0, 0xF0, 0])
        verify(!menu.visible && page.selectedButton === -1)

        var single = item("SingleKey")
        pick(0, 10)
        page.detectKeyboard(true, 0x04)
        compare(single.keyName, "A")
        testEnv.click(single.okButton, 5, 5)
        verify(!single.visible && !item("Mask").visible)

        newMacro("Jump")
        var macroKey = item("MacroKey")
        pick(0, 11)
        testEnv.click(macroKey.rowAt(0), 20, 10)
        testEnv.click(macroKey.okButton, 5, 5)
        verify(!macroKey.visible)
        compare(testEnv.setting("setting/p1.bin", "macro/0"), undefined, "a refused macro was stored")
        compare(keyMatrixFrames().length, 0)
        compare(entry(0), [1, 0, 0xF0, 0])

        // A left button on an entry the panel does not show cannot stand in for it.
        setTable({ 7: [1, 0, 0xF0, 0] })
        pick(0, 2)
        compare(keyMatrixFrames().length, 0)

        // With a second left button either can go, but then the other one stays.
        pick(2, 0)
        pick(0, 1)
        compare(table().slice(0, 12), [1, 0, 0xF1, 0, 1, 0, 0xF1, 0, 1, 0, 0xF0, 0])
        testEnv.clearTraffic()
        pick(2, 13)
        compare(keyMatrixFrames().length, 0)
    }

    function test_macroSlotOffByOne() {
        newMacro("Walk")
        var macroKey = item("MacroKey")
        pick(3, 11)
        verify(macroKey.visible)
        // The name list's filler after a lone name is no macro.
        compare(macroKey.macros.count, 1)
        verify(!macroKey.okButton.enabled)
        testEnv.click(macroKey.rowAt(0), 20, 10)
        testEnv.click(macroKey.modeAt(2), 5, 5)
        testEnv.click(macroKey.okButton, 5, 5)
        compare(entry(3), [9, 2, 4, 0])
        compare(stored(3), [9, 2, 4, 0])
        compare(testEnv.setting("setting/p1.bin", "macro/3"), "Walk")
        compare(texts()[3], "Macro: Walk")

        matrix.init(false)
        compare(testEnv.value(matrix, "entries")[3], [9, 2, 3, 0])
        compare(texts()[3], "Macro: Walk")
        matrix.refreashUI()
        compare(entry(3), [9, 2, 4, 0])
    }

    function test_deletedMacroGivesButtonsBack() {
        ui_View.setMacroKey(1, "Walk")
        ui_View.setMacroKey(2, "Run")
        ui_View.setMacroKey(4, "Walk")
        setTable({ 1: [9, 0, 2, 0], 2: [9, 1, 3, 0], 4: [9, 2, 5, 0] })
        matrix.deleteMacroProc("Nobody")
        compare(keyMatrixFrames().length, 0)
        matrix.deleteMacroProc("Walk")
        compare(table().slice(4, 20), [1, 0, 0xF1, 0, 9, 1, 3, 0, 1, 0, 0xF4, 0, 1, 0, 0xF3, 0])
        compare(texts().slice(1, 5), ["Right Button", "Macro: Run", "Forward", "Back"])
    }

    function test_typedKeyAssigned() {
        var single = item("SingleKey")
        pick(2, 10)
        verify(single.visible && item("Mask").visible)
        compare(item("Mouse").selectIndex, 2)
        if (!testEnv.typeOnDisplay("k"))
            skip("no X display with the keystroke capture (./test.sh provides one)")
        tryCompare(single, "keyName", "K", 5000)
        // The release of a key pressed earlier does not take the place of the last one.
        page.detectKeyboard(false, 0x05)
        compare(single.keyName, "K")
        // A key without a name shows nothing and cannot be given.
        page.detectKeyboard(true, 0x74)
        compare(single.keyName, "")
        testEnv.click(single.okButton, 5, 5)
        verify(single.visible)
        // The backslash key comes as 0x31 and is sent as 0x32, like every page does.
        verify(testEnv.typeOnDisplay("backslash"))
        tryCompare(single, "keyName", "\\ |", 5000)
        testEnv.click(single.okButton, 5, 5)
        verify(!single.visible)
        compare(entry(2), [0, 0, 0x32, 0])
        compare(texts()[2], "Keyboard Key-\\ |")
        // Closed, the overlay takes no more keys.
        page.detectKeyboard(true, 0x04)
        compare(single.keyName, "\\ |")
    }

    function test_keyMenu() {
        var picture = item("Mouse")
        testEnv.move(matrix.rowAt(2), 120, 10)
        compare(picture.selectIndex, 2)
        testEnv.move(item("emptyArea"), 500, 600)
        compare(picture.selectIndex, -1)

        testEnv.click(matrix.rowAt(4), 120, 10)
        compare([menu.x, menu.y], [249, 215])
        compare([matrix.getx(6), matrix.gety(6), matrix.gety(7)], [249, 257, 278])
        // While the menu is open, pointing at another row leaves the lit button alone.
        testEnv.move(matrix.rowAt(0), 120, 10)
        compare(picture.selectIndex, 4)
        testEnv.click(menu.rowAt(7), 20, 10)    // Multimedia Commands
        testEnv.click(menu.subRowAt(5), 20, 10) // Mute
        compare(entry(4), [3, 0, 0xE2, 0])
        compare(picture.selectIndex, -1)

        // The gun key's rows: start it, then off gives the button its factory function.
        pick(5, 12, 1)
        compare(entry(5), [8, 0, 1, 0])
        compare(texts()[5], "Fn")
        pick(5, 12, 2)
        compare(entry(5), [7, 0, 1, 0])

        matrix.language = true
        matrix.refreashUI()
        compare(texts().slice(3, 6), ["前进", "静音", "DPI +"])
        matrix.language = false
        // Both languages' names lead back to the code; a code in neither table has no name.
        var names = item("KeyCodeString")
        compare(testEnv.value(names, "str2assigncode")["静音"], "0300e200")
        compare(testEnv.value(names, "str2assigncode")["Mute"], "0300e200")
    }
}
