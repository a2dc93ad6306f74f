import QtQuick
import QtTest

// The macro editor as the user drives it, checked in the mouse's slots and in the files.
TestCase {
    name: "MacroEditor"

    property var page: testEnv.page
    property var editor: testEnv.item("MacroEditor")
    property var matrix: testEnv.item("KeyMatrix")

    // What macro slot i of the mouse holds, without the zeros after the image.
    function slot(i, length) {
        return testEnv.waitLinkFree() && testEnv.deviceState().macros[i].split(" ").slice(0, length).map(function (h) { return parseInt(h, 16) })
    }
    // The chosen macro's action lines as saved.
    function rows() { return ui_View.loadMacroIni(editor.selectedName).slice(0, -1) }
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
    // New macros, the first played by `button`; the editor is left open on the first.
    function newMacros(count, button) {
        for (var i = 0; i < count; ++i)
            verify(editor.newMacro())
        if (button !== undefined)
            page.assignMacro(button, "Macro_0", 0)
        testEnv.click(testEnv.item("launchMacroEditor"), 10, 10)
        editor.selectMacro(0)
    }

    function init() {
        editor.clock = function () { return Date.now() }
        if (editor.recording)
            editor.toggleRecord()
        editor.visible = testEnv.item("Mask").visible = false
        ui_View.getNameList(0).forEach(function (name) { ui_View.deleteMacroIni(name) })
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
        var now = 5000
        editor.clock = function () { return now }
        click(editor.recordButton)
        now += 1234                             // before the first event: no delay row
        key(0x04, true)
        now += 39                               // whole 10 ms ticks
        key(0x04, false)
        click(editor.recordButton)
        compare(ui_View.loadMacroIni("Macro_0"), ["1,A", "0,30", "2,A", "1"])
        compare(slot(3, 10), [0x00, 0x01, 0x03, 0x04, 0x81, 0x04, 0x00, 0x00, 0, 0])
        editRow(editor.actionRowAt(1), "1500")
        compare(slot(3, 12), [0, 1, 0x00, 0x04, 0x00, 0x01, 0x00, 0x4B, 0x81, 0x04, 0, 0])
        click(editor.loopsBox)
        setLoops("300")
        compare(slot(3, 2), [0x01, 0x2C])
        click(editor.loopsBox)
        compare(slot(3, 2), [0x00, 0x01], "unticked, the macro runs once")
        editor.selectedAction = 0
        verify(editor.menuAction(0))            // "Delete"
        compare(rows(), ["0,1500", "2,A"])
    }

    function test_badInputKeepsOldValues() {
        newMacros(1)
        verify(editor.openActionMenu(-1, 250, 100))
        testEnv.click(editor.menuRowAt(4), 20, 10)  // "Insert Delay"
        var delays = [["100001", "50"], ["abc", "50"], ["-5", "50"], ["2.5", "50"], ["\b", "50"], ["100000", "100000"]]
        for (var i = 0; i < delays.length; ++i) {
            editRow(editor.actionRowAt(0), delays[i][0])
            compare(rows(), ["0," + delays[i][1]], delays[i][0])
        }
        // Loops only while the box is ticked; out of range or not a number: the old one.
        verify(!editor.loopInput.enabled)
        click(editor.loopsBox)
        var loops = [["65535", "65535"], ["65536", "65535"], ["x", "65535"], ["-1", "65535"], ["\b", "1"]]
        for (var j = 0; j < loops.length; ++j) {
            setLoops(loops[j][0])
            compare(editor.loopInput.text, loops[j][1], loops[j][0])
        }
    }

    // Closing while recording asks first; "Cancel" keeps recording, "OK" drops it.
    function test_closingWhileRecording() {
        newMacros(1)
        // Where only the window's keys come (Wayland), the editor says so.
        verify(!testEnv.item("windowKeysHint").visible)
        ui_View.keysFromWindowOnly = true
        verify(testEnv.item("windowKeysHint").visible)
        ui_View.keysFromWindowOnly = false
        click(editor.recordButton)
        key(0x06, true)
        verify(testEnv.item("recordClock").text.indexOf("REC") >= 0)
        click(editor.closeButton)
        click(editor.cancelDialog.cancelButton)
        verify(editor.recording && editor.visible)
        click(editor.closeButton)
        click(editor.cancelDialog.okButton)
        verify(!editor.recording && !editor.visible && !testEnv.item("Mask").visible)
        compare(rows(), [])
        compare(testEnv.item("recordClock").text, "")
        verify(!editor.recordTimerRunning, "the recording clock runs only while recording")
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
        editRow(editor.macroRowAt(1), "Macro_0")
        compare(editor.selectedName, "Macro_1", "a name taken")
        editRow(editor.macroRowAt(1), "Walk")
        compare(ui_View.getNameList(0), ["Macro_0", "Walk", "Macro_2"])
        // Delete the second of three, asked first naming its button (5 on the page):
        // refused with Escape, then done; its button falls back, the third moves up.
        var box = testEnv.item("ConfirmBox")
        click(editor.deleteButton)
        verify(box.visible)
        verify(box.text.indexOf("Walk") >= 0 && box.text.indexOf("(5)") >= 0, box.text)
        testEnv.type("\u001b")
        verify(!box.visible)
        compare(ui_View.getNameList(0), ["Macro_0", "Walk", "Macro_2"])
        click(editor.deleteButton)
        click(testEnv.item("confirmOk"))
        verify(!box.visible && editor.visible)
        compare(ui_View.getNameList(0), ["Macro_0", "Macro_2"])
        compare(Number(ui_View.loadMacroIndex("Macro_2")), 1)
        compare(testEnv.setting("setting/p2.bin", "keydefine_Q7/4").map(Number), [1, 0, 243, 0])
        compare(testEnv.setting("setting/p2.bin", "keydefine_Q7/5").map(Number), [9, 0, 6, 0])
        while (editor.newMacro()) {}
        compare(ui_View.getNameList(0).length, 100, "at most a hundred macros")
    }
}
