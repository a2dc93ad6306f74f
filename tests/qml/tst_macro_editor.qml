import QtQuick
import QtTest

// The macro editor as the user drives it, checked in the mouse's macro slots, the macro
// files, the name list and the profiles.
TestCase {
    name: "MacroEditor"

    property var page: testEnv.page
    property var editor: testEnv.item("MacroEditor")
    property var matrix: testEnv.item("KeyMatrix")

    function bytes(text) {
        return text.split(" ").map(function (h) { return parseInt(h, 16) })
    }
    // What macro slot i of the mouse holds, without the zeros after the image.
    function slot(i, length) {
        verify(testEnv.waitLinkFree())
        return bytes(testEnv.deviceState().macros[i]).slice(0, length)
    }
    // The mouse macro ids (slot + 1) the 0x13 frames since the last clearTraffic went to.
    function macroFrames() {
        verify(testEnv.waitLinkFree())
        return testEnv.traffic().filter(function (r) {
            return r.dir === "to_device" && r.kind === "feature" && bytes(r.plain)[1] === 0x13
        }).map(function (r) { return bytes(r.plain)[2] })
    }
    // The chosen macro's action lines and the names, as saved.
    function rows() {
        return ui_View.loadMacroIni(editor.selectedName).slice(0, -1)
    }
    function names() {
        var list = ui_View.getNameList(0)
        return list.length === 2 && list[1] === "loaderpellam" ? list.slice(0, 1) : list
    }
    function openEditor() {
        testEnv.click(testEnv.item("launchMacroEditor"), 10, 10)
        verify(editor.visible)
    }
    function closeEditor() {
        testEnv.click(editor.closeButton, 5, 5)
        verify(!editor.visible)
    }
    // Gives a button the macro in row `row` through the key menu and the macro-key overlay.
    function bind(button, row) {
        var macroKey = testEnv.item("MacroKey")
        testEnv.click(matrix.rowAt(button), 120, 10)
        testEnv.click(testEnv.item("KeyMenu").rowAt(11), 20, 10)
        testEnv.click(macroKey.rowAt(row), 20, 10)
        testEnv.click(macroKey.okButton, 5, 5)
        verify(!macroKey.visible)
    }
    function key(code, down) {
        page.detectKeyboard(down, code)
    }
    // A click on the chosen row edits it in place; the text replaces what was there.
    function editRow(rowItem, text) {
        testEnv.click(rowItem, 150, 10)
        if (editor.editingName < 0 && editor.editingDelay < 0)
            testEnv.click(rowItem, 150, 10)
        testEnv.type(text + "\n")
    }
    // Profile 1, not the current one: macro names and assignments of its buttons.
    function setProfile1(macros, entries) {
        ui_View.ui_02H_SetCurrentProfile(1)
        var codes = testEnv.value(matrix, "defaultCodes")
        var list = []
        for (var i = 0; i < 16; ++i) {
            if (macros[i] !== undefined)
                ui_View.setMacroKey(i, macros[i])
            list = list.concat(entries[i] !== undefined ? entries[i] : [0, 2, 4, 6].map(
                function (at) { return parseInt(codes[i].substr(at, 2), 16) }))
        }
        ui_View.ui_12H_SetKeyMatrix(list)
        ui_View.ui_02H_SetCurrentProfile(0)
    }
    function setLoops(text) {
        editor.loopInput.forceActiveFocus()
        editor.loopInput.selectAll()
        testEnv.type(text + "\n")
    }

    // Every test starts with no macros, factory buttons on profile 0 and the editor shut.
    function init() {
        tryVerify(function () { return testEnv.item("DpiSetting").visible }, 10000)
        tryCompare(ui_View, "enabled", true, 5000)
        if (editor.recording)
            editor.toggleRecord()
        editor.visible = false
        testEnv.item("Mask").visible = false
        var old = ui_View.getNameList(0)
        for (var i = 0; i < old.length; ++i)
            ui_View.deleteMacroIni(old[i])
        ui_View.updataNameList(0, [])
        editor.init()
        editor.recTime = false
        ui_View.resetProfile(0)
        matrix.init(true)
        verify(testEnv.waitLinkFree())
        testEnv.clearTraffic()
    }

    function test_recordedMacroOnTheWire() {
        openEditor()
        testEnv.click(editor.newButton, 5, 5)
        closeEditor()
        bind(3, 0)
        compare(macroFrames(), [4])
        // Another profile's button 5 plays it too, but slot 5 belongs to this profile.
        setProfile1({ 5: "Macro_0" }, { 5: [9, 0, 6, 0] })
        matrix.init(true)
        testEnv.clearTraffic()

        openEditor()
        testEnv.click(editor.recTimeBox, 5, 5)
        testEnv.click(editor.recordButton, 5, 5)
        verify(editor.recording)
        key(0x04, true)
        editor.counter = 3
        key(0x04, false)
        testEnv.click(editor.recordButton, 5, 5)
        verify(!editor.recording)
        compare(ui_View.loadMacroIni("Macro_0"), ["1,A", "0,30", "2,A", "1"])
        compare(macroFrames(), [4])
        compare(slot(3, 10), [0x00, 0x01, 0x03, 0x04, 0x81, 0x04, 0x00, 0x00, 0, 0])
        compare(slot(5, 4), [0x00, 0x01, 0x00, 0x00])

        // 1500 ms is too long for the pair: a 20 ms-unit count follows.
        editRow(editor.actionRowAt(1), "1500")
        compare(slot(3, 12), [0, 1, 0x00, 0x04, 0x00, 0x01, 0x00, 0x4B, 0x81, 0x04, 0, 0])
        testEnv.click(editor.loopsBox, 5, 5)
        setLoops("300")
        compare(slot(3, 2), [0x01, 0x2C])
        // Unticking the box goes back to one run.
        testEnv.click(editor.loopsBox, 5, 5)
        compare(slot(3, 2), [0x00, 0x01])

        // Delays alone are no macro: the loop count only.
        editor.selectedAction = 0
        editor.menuAction(0)
        editor.selectedAction = 1
        editor.menuAction(0)
        compare(rows(), ["0,1500"])
        compare(slot(3, 4), [0x00, 0x01, 0x00, 0x00])
    }

    // Delays between two actions are summed in ms and rounded once to 10 ms, halves up.
    function test_delayRounding() {
        openEditor()
        testEnv.click(editor.newButton, 5, 5)
        closeEditor()
        bind(2, 0)
        openEditor()
        testEnv.click(editor.recordButton, 5, 5)
        key(0x05, true)
        key(0x05, false)
        testEnv.click(editor.recordButton, 5, 5)
        compare(rows(), ["1,B", "2,B"])
        // Right click on the release, "Insert Delay": the delay goes before it.
        verify(editor.openActionMenu(1, 250, 100))
        testEnv.click(editor.menuRowAt(4), 20, 10)
        verify(!editor.actionMenu.visible)
        editor.openActionMenu(2, 250, 100)
        testEnv.click(editor.menuRowAt(4), 20, 10)
        compare(rows(), ["1,B", "0,50", "0,50", "2,B"])
        var cases = [["14", "11", [0x03]], ["14", "10", [0x02]], ["4", "0", [0x01]],
                     ["1254", "10", [0x7E]], ["1254", "11", [0x00, 0x05, 0x00, 0x01, 0x00, 0x3F]]]
        for (var i = 0; i < cases.length; ++i) {
            editRow(editor.actionRowAt(1), cases[i][0])
            editRow(editor.actionRowAt(2), cases[i][1])
            var expect = [0, 1].concat(cases[i][2].length > 1 ? cases[i][2] : [cases[i][2][0], 0x05])
            compare(slot(2, expect.length + 4), expect.concat([0x81, 0x05, 0, 0]), String(cases[i]))
        }
    }

    function test_badInputKeepsOldValues() {
        openEditor()
        testEnv.click(editor.newButton, 5, 5)
        editor.openActionMenu(-1, 250, 100)
        testEnv.click(editor.menuRowAt(4), 20, 10)
        compare(rows(), ["0,50"])
        var refused = ["100001", "abc", "-5", "2.5", ""]
        for (var i = 0; i < refused.length; ++i) {
            editRow(editor.actionRowAt(0), refused[i] === "" ? "\b" : refused[i])
            compare(rows(), ["0,50"], refused[i])
        }
        editRow(editor.actionRowAt(0), "100000")
        compare(ui_View.loadMacroIni("Macro_0"), ["0,100000", "1"])

        // Loops only while the box is ticked; out of range or not a number: the old one.
        verify(!editor.loopInput.enabled)
        testEnv.click(editor.loopsBox, 5, 5)
        setLoops("65535")
        var loops = ["65536", "x", "-1"]
        for (var j = 0; j < loops.length; ++j) {
            setLoops(loops[j])
            compare(editor.loopInput.text, "65535", loops[j])
        }
        setLoops("\b")
        compare(editor.loopInput.text, "1")
        compare(ui_View.loadMacroIni("Macro_0"), ["0,100000", "1"])
    }

    function test_typedKeysRecorded() {
        openEditor()
        testEnv.click(editor.newButton, 5, 5)
        testEnv.click(editor.recordButton, 5, 5)
        compare(testEnv.item("recordClock").text.indexOf("REC"), 2)
        if (!testEnv.typeOnDisplay("a b"))
            skip("no X display with the keystroke capture (./test.sh provides one)")
        tryCompare(editor.actionList, "count", 4, 5000)
        // Mouse buttons of the desktop are not recorded.
        page.detectMouse(true, 0xF0, 10, 10)
        page.detectMouse(false, 0xF0, 10, 10)
        testEnv.click(editor.recordButton, 5, 5)
        compare(rows(), ["1,A", "2,A", "1,B", "2,B"])

        // Closing while recording asks first; "Cancel" keeps recording, "OK" drops it.
        testEnv.click(editor.recordButton, 5, 5)
        key(0x06, true)
        testEnv.click(editor.closeButton, 5, 5)
        verify(editor.cancelDialog.visible && editor.visible && editor.recording)
        testEnv.click(editor.cancelDialog.cancelButton, 5, 5)
        verify(editor.recording && editor.visible)
        testEnv.click(editor.closeButton, 5, 5)
        testEnv.click(editor.cancelDialog.okButton, 5, 5)
        verify(!editor.recording && !editor.visible && !testEnv.item("Mask").visible)
        compare(editor.actionList.count, 4)
        compare(rows(), ["1,A", "2,A", "1,B", "2,B"])
    }

    // A full macro takes no more events, never leaves a key down and never sends more
    // than the slot holds.
    function test_fullMacro() {
        openEditor()
        testEnv.click(editor.newButton, 5, 5)
        closeEditor()
        bind(4, 0)
        openEditor()
        testEnv.click(editor.recordButton, 5, 5)
        key(0xE1, true)                        // L Shift held throughout
        for (var i = 0; i < 80; ++i) {
            key(0x04 + i % 26, true)
            key(0x04 + i % 26, false)
        }
        testEnv.click(editor.recordButton, 5, 5)
        var image = slot(4, 128)
        var end = image.length
        while (end > 2 && image[end - 1] === 0 && image[end - 2] === 0)
            end -= 2
        verify(end + 2 <= 128 && end > 100, "image of " + end)
        compare(image.slice(end - 2, end), [0x81, 0xE1])
        compare(editor.usedBytes, end + 2)
        compare(editor.actionList.count, rows().length)
    }

    function test_newRenameDelete() {
        openEditor()
        for (var i = 0; i < 3; ++i)
            testEnv.click(editor.newButton, 5, 5)
        closeEditor()
        bind(2, 1)
        bind(3, 2)
        // Profile 1 (not current): button 4 plays Macro_1, button 5 Macro_2.
        setProfile1({ 4: "Macro_1", 5: "Macro_2" }, { 4: [9, 0, 5, 0], 5: [9, 0, 6, 0] })
        matrix.init(true)
        testEnv.clearTraffic()

        openEditor()
        editor.selectMacro(1)
        var refused = ["Macro_0", "\b", "a/b", "x:y", "loaderpellam"]
        for (var r = 0; r < refused.length; ++r) {
            editRow(editor.macroRowAt(1), refused[r])
            compare(names(), ["Macro_0", "Macro_1", "Macro_2"], refused[r])
            compare(editor.selectedName, "Macro_1")
        }
        editRow(editor.macroRowAt(1), "Walk")
        compare(names(), ["Macro_0", "Walk", "Macro_2"])
        compare(editor.selectedName, "Walk")
        compare(testEnv.value(matrix, "texts")[2], "Macro: Walk")
        verify(testEnv.waitLinkFree())
        verify(testEnv.traffic().some(function (r) {
            return r.dir === "to_device" && r.kind === "feature" && bytes(r.plain)[1] === 0x12
        }), "the button list was not re-sent")

        // Delete the second of three: its button falls back, the third moves up.
        testEnv.click(editor.deleteButton, 5, 5)
        compare(names(), ["Macro_0", "Macro_2"])
        compare(Number(ui_View.loadMacroIndex("Macro_2")), 1)
        compare(ui_View.loadMacroIni("Walk"), [])
        verify(testEnv.waitLinkFree())
        compare(bytes(testEnv.deviceState().button_table).slice(8, 16), [1, 0, 0xF2, 0, 9, 0, 4, 0])
        compare(testEnv.setting("setting/p2.bin", "keydefine_Q7/4").map(Number), [1, 0, 243, 0])
        compare(testEnv.setting("setting/p2.bin", "keydefine_Q7/5").map(Number), [9, 0, 6, 0])

        // At most a hundred macros.
        while (editor.macroList.count < 100)
            verify(editor.newMacro())
        verify(!editor.newButton.enabled)
        verify(!editor.newMacro())
        compare(editor.macroList.count, 100)
        compare(ui_View.getNameList(0).length, 100)
    }
}
