import QtQuick
import QtTest

// The macro editor as the user drives it, checked in the mouse's macro slots, the macro
// files, the name list and the profiles.
TestCase {
    name: "MacroEditor"

    property var page: testEnv.page
    property var editor: testEnv.item("MacroEditor")
    property var matrix: testEnv.item("KeyMatrix")

    function bytes(text) { return text.split(" ").map(function (h) { return parseInt(h, 16) }) }
    // What macro slot i of the mouse holds, without the zeros after the image.
    function slot(i, length) {
        verify(testEnv.waitLinkFree())
        return bytes(testEnv.deviceState().macros[i]).slice(0, length)
    }
    // The chosen macro's action lines as saved.
    function rows() { return ui_View.loadMacroIni(editor.selectedName).slice(0, -1) }
    function names() {
        var list = ui_View.getNameList(0)
        return list[1] === "loaderpellam" ? list.slice(0, 1) : list
    }
    function key(code, down) { page.detectKeyboard(down, code) }
    function click(it) { testEnv.click(it, 5, 5) }
    // A click on the chosen row edits it in place; the text replaces what was there.
    function editRow(rowItem, text) {
        testEnv.click(rowItem, 150, 10)
        if (editor.editingName < 0 && editor.editingDelay < 0)
            testEnv.click(rowItem, 150, 10)
        testEnv.type(text + "\n")
    }
    function setLoops(text) {
        editor.loopInput.forceActiveFocus()
        editor.loopInput.selectAll()
        testEnv.type(text + "\n")
    }
    // New macros made in the editor, the first bound to `button` through the key menu and
    // the macro-key overlay; the editor is left open on the first.
    function newMacros(count, button) {
        testEnv.click(testEnv.item("launchMacroEditor"), 10, 10)
        verify(editor.visible)
        for (var i = 0; i < count; ++i)
            click(editor.newButton)
        click(editor.closeButton)
        verify(!editor.visible)
        if (button !== undefined) {
            testEnv.click(matrix.rowAt(button), 120, 10)
            testEnv.click(testEnv.item("KeyMenu").rowAt(11), 20, 10)
            testEnv.click(testEnv.item("MacroKey").rowAt(0), 20, 10)
            click(testEnv.item("MacroKey").okButton)
        }
        testEnv.click(testEnv.item("launchMacroEditor"), 10, 10)
        editor.selectMacro(0)
    }
    function record(codes) {
        click(editor.recordButton)
        for (var i = 0; i < codes.length; ++i) {
            key(codes[i], true)
            key(codes[i], false)
        }
        click(editor.recordButton)
    }

    // Every test starts with no macros, factory buttons on profile 0 and the editor shut.
    function init() {
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
        matrix.init(false)
        testEnv.clearTraffic()
    }

    function test_recordedMacroOnTheWire() {
        newMacros(1, 3)
        compare(testEnv.sent(0x13).map(function (s) { return s.frame[1] }), [4])
        click(editor.recTimeBox)
        click(editor.recordButton)
        key(0x04, true)
        editor.counter = 3
        key(0x04, false)
        click(editor.recordButton)
        compare(ui_View.loadMacroIni("Macro_0"), ["1,A", "0,30", "2,A", "1"])
        compare(slot(3, 10), [0x00, 0x01, 0x03, 0x04, 0x81, 0x04, 0x00, 0x00, 0, 0])
        // 1500 ms is too long for the pair: a 20 ms-unit count follows.
        editRow(editor.actionRowAt(1), "1500")
        compare(slot(3, 12), [0, 1, 0x00, 0x04, 0x00, 0x01, 0x00, 0x4B, 0x81, 0x04, 0, 0])
        click(editor.loopsBox)
        setLoops("300")
        compare(slot(3, 2), [0x01, 0x2C])
        click(editor.loopsBox)
        compare(slot(3, 2), [0x00, 0x01], "unticked, the macro runs once")
        // "Delete" on the selected action.
        editor.selectedAction = 0
        verify(editor.menuAction(0))
        compare(rows(), ["0,1500", "2,A"])
    }

    // Delays between two actions are summed in ms and rounded once to 10 ms, halves up;
    // past what one byte holds, a 20 ms-unit count follows.
    function test_delayRounding_data() {
        return [{ tag: "25 ms", a: "14", b: "11", image: [0x03, 0x05] },
                { tag: "24 ms", a: "14", b: "10", image: [0x02, 0x05] },
                { tag: "4 ms", a: "4", b: "0", image: [0x01, 0x05] },
                { tag: "1264 ms", a: "1254", b: "10", image: [0x7E, 0x05] },
                { tag: "1265 ms", a: "1254", b: "11", image: [0x00, 0x05, 0x00, 0x01, 0x00, 0x3F] },
                { tag: "delays alone are no macro", a: "10", b: "10", image: [], keys: false }]
    }
    function test_delayRounding(row) {
        var rows = [{ type: 1, info: "B" }, { type: 0, info: row.a }, { type: 0, info: row.b }, { type: 2, info: "B" }]
        if (row.keys === false)
            rows = rows.slice(1, 3)
        compare(testEnv.call(editor, "deCode", [rows, 1]), [0, 1].concat(row.image, row.keys === false ? [] : [0x81, 0x05, 0, 0]))
    }

    function test_badInputKeepsOldValues() {
        newMacros(1)
        // Right click, "Insert Delay".
        verify(editor.openActionMenu(-1, 250, 100))
        testEnv.click(editor.menuRowAt(4), 20, 10)
        compare(rows(), ["0,50"])
        var refused = ["100001", "abc", "-5", "2.5", "\b"]
        for (var i = 0; i < refused.length; ++i) {
            editRow(editor.actionRowAt(0), refused[i])
            compare(rows(), ["0,50"], refused[i])
        }
        editRow(editor.actionRowAt(0), "100000")
        compare(rows(), ["0,100000"])
        // Loops only while the box is ticked; out of range or not a number: the old one.
        verify(!editor.loopInput.enabled)
        click(editor.loopsBox)
        var loops = [["65535", "65535"], ["65536", "65535"], ["x", "65535"], ["-1", "65535"], ["\b", "1"]]
        for (var j = 0; j < loops.length; ++j) {
            setLoops(loops[j][0])
            compare(editor.loopInput.text, loops[j][1], loops[j][0])
        }
    }

    function test_typedKeysRecorded() {
        newMacros(1)
        click(editor.recordButton)
        if (!testEnv.typeOnDisplay("a b"))
            skip("no X display with the keystroke capture (./test.sh provides one)")
        tryCompare(editor.actionList, "count", 4, 5000)
        // Mouse buttons of the desktop are not recorded.
        page.detectMouse(true, 0xF0, 10, 10)
        page.detectMouse(false, 0xF0, 10, 10)
        click(editor.recordButton)
        compare(rows(), ["1,A", "2,A", "1,B", "2,B"])
        // Closing while recording asks first; "Cancel" keeps recording, "OK" drops it.
        click(editor.recordButton)
        key(0x06, true)
        click(editor.closeButton)
        verify(editor.cancelDialog.visible && editor.visible && editor.recording)
        click(editor.cancelDialog.cancelButton)
        verify(editor.recording && editor.visible)
        click(editor.closeButton)
        click(editor.cancelDialog.okButton)
        verify(!editor.recording && !editor.visible && !testEnv.item("Mask").visible)
        compare(rows(), ["1,A", "2,A", "1,B", "2,B"])
    }

    // A full macro takes no more events, never leaves a key down and never sends more
    // than the slot holds.
    function test_fullMacro() {
        newMacros(1, 4)
        click(editor.recordButton)
        key(0xE1, true)                        // L Shift held throughout
        for (var i = 0; i < 80; ++i) {
            key(0x04 + i % 26, true)
            key(0x04 + i % 26, false)
        }
        click(editor.recordButton)
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
        newMacros(3)
        // Profile 1 (not current): button 4 plays Macro_1, button 5 Macro_2.
        ui_View.ui_02H_SetCurrentProfile(1)
        ui_View.setMacroKey(4, "Macro_1")
        ui_View.setMacroKey(5, "Macro_2")
        ui_View.ui_12H_SetKeyMatrix([1, 0, 0xF0, 0, 1, 0, 0xF1, 0, 1, 0, 0xF2, 0, 1, 0, 0xF4, 0, 9, 0, 5, 0, 9, 0, 6, 0])
        ui_View.ui_02H_SetCurrentProfile(0)
        editor.selectMacro(1)
        var refused = ["Macro_0", "\b", "a/b", "x:y", "loaderpellam"]
        for (var r = 0; r < refused.length; ++r) {
            editRow(editor.macroRowAt(1), refused[r])
            compare(editor.selectedName, "Macro_1", refused[r])
        }
        editRow(editor.macroRowAt(1), "Walk")
        compare(names(), ["Macro_0", "Walk", "Macro_2"])
        compare(editor.selectedName, "Walk")
        // Delete the second of three: its button falls back, the third moves up.
        click(editor.deleteButton)
        compare(names(), ["Macro_0", "Macro_2"])
        compare(Number(ui_View.loadMacroIndex("Macro_2")), 1)
        compare(ui_View.loadMacroIni("Walk"), [])
        compare(testEnv.setting("setting/p2.bin", "keydefine_Q7/4").map(Number), [1, 0, 243, 0])
        compare(testEnv.setting("setting/p2.bin", "keydefine_Q7/5").map(Number), [9, 0, 6, 0])
        // At most a hundred macros.
        while (editor.newMacro()) {}
        verify(!editor.newButton.enabled)
        compare(ui_View.getNameList(0).length, 100)
    }
}
