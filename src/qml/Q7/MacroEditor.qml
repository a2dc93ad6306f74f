// The macro manager: create, name, record, edit, loop and delete macros. Every change is
// saved at once through the macro library and re-sent to the buttons of the current
// profile that play the macro.
//
// Macro slots: a button that plays a macro plays it from the mouse's macro slot numbered
// like the button (the button panel stores 09 mode button 00). So a macro is sent to the
// slots of the buttons using it, never to a slot numbered by its place in the list; the
// mouse has twelve slots and the list holds up to a hundred macros.
//
// The image a macro slot gets: loop count (high byte first), one pair per action (A: the
// pause after the action in 10 ms units, 0x80 for a release; B: the key or mouse code),
// a pause too long for A as two more pairs (0, scale) (count high, count low), and 00 00.
import QtQuick
import ".."
import MouseSuite.Model

Overlay {
    id: editor
    objectName: "MacroEditor"
    menuOpen: actionMenu.visible
    onMenuDismissed: actionMenu.visible = false
    // The button panel, re-sent after a rename so that its texts show the new name.
    // Renaming a macro renames it on the buttons that play it.
    required property Item keyMatrix

    readonly property int maxMacros: 100
    // One macro slot of the mouse; an image never grows beyond it.
    readonly property int slotBytes: 128
    readonly property int maxDelay: 100000
    readonly property int maxLoops: 65535

    // The macros, sorted by `no` (their place in the library); the macro-key overlay
    // lists them.
    property alias macroList: macroModel
    property alias actionList: actionModel
    property int selectedMacro: -1
    readonly property string selectedName: selectedMacro >= 0 && selectedMacro < macroModel.count
        ? String(macroModel.get(selectedMacro).macroName) : ""
    property int selectedAction: -1
    property string loopText: "1"
    property bool loopsTimer: false
    property bool recTime: false
    property bool recording: false
    // 10 ms ticks between the last two recorded events (the delay a "Rec Time" row gets).
    property int counter: 0
    // When the counter was last zeroed, in ms of `clock`. Recording reads the time at each
    // event instead of counting ticks, so nothing wakes while nothing is typed.
    property real counterStart: 0
    // Ticks shown on the recording clock, refreshed once a second while recording.
    property int shownTicks: 0
    property var clock: function () { return Date.now() }
    readonly property alias recordTimerRunning: recordTimer.running
    // Keys pressed while recording whose release is still to come.
    property var heldKeys: ({})
    // Row being edited in place, -1 for none.
    property int editingName: -1
    property int editingDelay: -1
    // The key the key box shows, "" until a key is pressed.
    property string boxKey: ""
    // Bytes the selected macro's image takes now.
    property int usedBytes: 2

    readonly property alias recordButton: recordButton
    readonly property alias newButton: newButton
    readonly property alias deleteButton: deleteButton
    readonly property alias recTimeBox: recTimeBox
    readonly property alias loopsBox: loopsBox
    readonly property alias loopInput: loopInput
    readonly property alias actionMenu: actionMenu
    readonly property alias keyBox: keyBox
    readonly property alias cancelDialog: cancelDialog

    signal deleteMacroSignal(string macroName)
    // A question before something goes: OK runs `yes`.
    signal confirm(string title, string text, var yes)
    signal closeRequested()
    function macroRowAt(i) {
        macroView.positionViewAtIndex(i, ListView.Contain)
        return macroView.itemAtIndex(i)
    }
    function actionRowAt(i) {
        actionView.positionViewAtIndex(i, ListView.Contain)
        return actionView.itemAtIndex(i)
    }
    function menuRowAt(i) {
        return menuRows.itemAt(i)
    }

    // ------------------------------------------------------------ the list of macros

    function names() {
        var list = []
        for (var i = 0; i < macroModel.count; ++i)
            list.push(String(macroModel.get(i).macroName))
        return list
    }

    function init() {
        macroModel.clear()
        var list = NameLists.names(ui_View.getNameList(0))
        for (var i = 0; i < list.length && macroModel.count < maxMacros; ++i) {
            var name = String(list[i])
            if (name === "")
                continue
            var row = { macroName: name, no: Number(ui_View.loadMacroIndex(name)),
                        macroType: Number(ui_View.loadMacroType(name)) }
            var at = 0
            while (at < macroModel.count && macroModel.get(at).no <= row.no)
                ++at
            macroModel.insert(at, row)
        }
        selectMacro(macroModel.count > 0 ? 0 : -1)
    }

    function selectMacro(index) {
        if (recording)
            return
        editingName = -1
        editingDelay = -1
        actionMenu.visible = false
        selectedMacro = index >= 0 && index < macroModel.count ? index : -1
        selectedAction = -1
        setActions([])
        loopText = "1"
        loopsTimer = false
        if (selectedMacro < 0) {
            usedBytes = 2
            return
        }
        var stored = readMacro(selectedName)
        setActions(stored.rows)
        loopText = String(stored.loops)
        loopsTimer = stored.loops !== 1
        usedBytes = recordCount(rows())
    }

    // A macro file as rows and a loop count; no rows and loop count 1 without a file.
    function readMacro(name) {
        var lines = ui_View.loadMacroIni(name)
        var result = { rows: [], loops: 1, found: lines && lines.length > 0 }
        if (!result.found)
            return result
        for (var i = 0; i < lines.length - 1; ++i) {
            var line = String(lines[i])
            result.rows.push({ type: Number(line.charAt(0)), info: line.substr(2) })
        }
        var loops = Number(lines[lines.length - 1])
        result.loops = isLoopCount(loops) ? loops : 1
        return result
    }

    function newMacro() {
        if (recording || macroModel.count >= maxMacros)
            return false
        var used = names()
        var n = 0
        while (n < maxMacros && used.indexOf("Macro_" + n) >= 0)
            ++n
        if (n >= maxMacros)
            return false
        var name = "Macro_" + n
        var no = macroModel.count
        macroModel.append({ macroName: name, no: no, macroType: 0 })
        ui_View.createMacroIni(name, no)
        ui_View.updataNameList(0, names())
        selectMacro(no)
        return true
    }

    // A macro of this name in the list, made as "New" makes one when there is none yet
    // (for an import). "" when it is there, else why not.
    function ensureMacro(name) {
        name = String(name)
        if (names().indexOf(name) >= 0)
            return ""
        if (recording)
            return "a macro is being recorded"
        if (NameLists.isPadding(name) || name.trim() === "")
            return "\"" + name + "\" cannot name a macro"
        if (macroModel.count >= maxMacros)
            return "the macro list is full (" + maxMacros + ")"
        var no = macroModel.count
        if (!ui_View.createMacroIni(name, no))
            return "the macro \"" + name + "\" cannot be stored"
        macroModel.append({ macroName: name, no: no, macroType: 0 })
        ui_View.updataNameList(0, names())
        return ""
    }

    // A macro's file was replaced: the editor shows it afresh and the buttons of the
    // current profile that play it get it again.
    function macroReplaced(name) {
        name = String(name)
        if (name === selectedName && !recording)
            selectMacro(selectedMacro)
        for (var b = 0; b < 16; ++b) {
            var slot = macroSlotOf(b, name)
            if (slot >= 0)
                sendMacro(slot, name)
        }
    }

    // The library keeps the name as a file name and refuses what a file system would;
    // the filler of the name list is no name either.
    function renameMacro(index, newName) {
        editingName = -1
        if (index < 0 || index >= macroModel.count)
            return false
        newName = String(newName)
        var old = String(macroModel.get(index).macroName)
        if (newName === old)
            return false
        if (newName === "" || NameLists.isPadding(newName) || names().indexOf(newName) >= 0)
            return false
        if (!ui_View.modifyMacroName(old, newName))
            return false
        macroModel.setProperty(index, "macroName", newName)
        ui_View.updataNameList(0, names())
        keyMatrix.refreashUI()
        sendAllMacro()
        return true
    }

    // The macro goes with its file, and the buttons that play it go back to their factory
    // functions: asked first, naming them.
    function askDeleteMacro() {
        if (recording || selectedMacro < 0)
            return
        var name = selectedName
        // The buttons of every profile that play it, counted from 1 as the page shows them.
        var use = ui_View.isMacroUse(name).slice(1)
        var numbers = []
        for (var i = 0; i < use.length; ++i)
            if (numbers.indexOf(Number(use[i]) + 1) < 0)
                numbers.push(Number(use[i]) + 1)
        var buttons = numbers.sort(function (a, b) { return a - b }).join(", ")
        confirm(Strings.deleteMacro,
                buttons === "" ? Strings.deleteMacroQuestion.arg(name)
                               : Strings.deleteMacroInUseQuestion.arg(name).arg(buttons),
                function () { if (selectedName === name) deleteMacro() })
    }

    function deleteMacro() {
        if (recording || selectedMacro < 0)
            return false
        var position = selectedMacro
        var name = selectedName
        deleteMacroSignal(name)
        ui_View.deleteMacroIni(name)
        setActions([])
        macroModel.remove(position)
        for (var i = position; i < macroModel.count; ++i)
            macroModel.setProperty(i, "no", macroModel.get(i).no - 1)
        for (var j = 0; j < macroModel.count; ++j)
            ui_View.setMacroIndex(String(macroModel.get(j).macroName), macroModel.get(j).no)
        ui_View.changeMacroFileIndex(position + 1)
        ui_View.updataNameList(0, names())
        selectedMacro = -1
        selectMacro(Math.min(position, macroModel.count - 1))
        return true
    }

    // ------------------------------------------------------------ the bytes of a macro

    // The image of these rows for a mouse macro slot, built by the model: the pause after
    // an action is the sum of the delay rows up to the next action, in ms, rounded once to
    // 10 ms, halves up (14 ms + 11 ms make 3 units), so that split pauses lose nothing.
    function deCode(list, loops) {
        return MacroImages.encode(list, loops)
    }

    // Bytes the image of these rows takes: loop count, the pairs, four more per long
    // pause and the end mark; 2 without actions.
    function recordCount(list) {
        return MacroImages.byteCount(list)
    }

    function fits(list) {
        return recordCount(list) <= slotBytes
    }

    // The actions as plain rows {type, info}: a copy that callers may change. The list
    // model is the one place the actions are kept.
    function rows() {
        var list = []
        for (var i = 0; i < actionModel.count; ++i) {
            var r = actionModel.get(i)
            list.push({ type: r.type, info: r.info })
        }
        return list
    }

    function setActions(list) {
        actionModel.clear()
        insertActions(0, list)
    }
    function insertActions(at, add) {
        for (var i = 0; i < add.length; ++i)
            actionModel.insert(at + i, { type: Number(add[i].type), info: String(add[i].info) })
    }
    function removeAction(at) {
        actionModel.remove(at)
    }

    function loops() {
        var n = Number(loopText)
        return isLoopCount(n) ? n : 1
    }
    function isLoopCount(n) {
        return Number.isInteger(n) && n >= 0 && n <= maxLoops
    }

    // ------------------------------------------------------------ saving and sending

    function autoSave() {
        usedBytes = recordCount(rows())
        if (selectedMacro < 0)
            return
        var name = selectedName
        var list = rows()
        var lines = list.map(function (r) { return r.type + "," + r.info })
        ui_View.saveMacroIni(name, lines, deCode(list, loops()), loops())
        // Buttons of other profiles are listed too, but the mouse's slots belong to the
        // current profile: only its buttons that play this macro get it.
        var uses = ui_View.isMacroUse(name)
        var sent = []
        for (var i = 1; uses && i < uses.length; ++i) {
            var button = Number(uses[i])
            if (sent.indexOf(button) >= 0)
                continue
            var slot = macroSlotOf(button, name)
            if (slot >= 0) {
                sent.push(button)
                sendMacro(slot, name)
            }
        }
    }

    // The slot a button of the current profile plays `name` from, -1 when it plays no
    // macro or another one.
    function macroSlotOf(button, name) {
        var e = ui_View.getKeydefine(button)
        if (!e || e.length < 4 || Number(e[0]) !== 0x09)
            return -1
        if (String(ui_View.getMacroKey(button)) !== String(name))
            return -1
        return Number(e[2]) - 1
    }

    function sendMacro(slot, name) {
        var stored = readMacro(String(name))
        if (!stored.found)
            return
        if (String(name) === selectedName && !recording)
            loopText = String(stored.loops)
        ui_View.sendMacroData(deCode(stored.rows, stored.loops), Number(slot))
    }

    // Every macro button of the current profile gets its macro into its slot.
    function sendAllMacro() {
        for (var b = 0; b < 16; ++b) {
            var e = ui_View.getKeydefine(b)
            if (!e || e.length < 4 || Number(e[0]) !== 0x09)
                continue
            var name = String(ui_View.getMacroKey(b))
            if (name !== "")
                sendMacro(Number(e[2]) - 1, name)
        }
    }

    // ------------------------------------------------------------ recording

    function toggleRecord() {
        if (recording) {
            stopRecording()
            autoSave()
            return
        }
        if (selectedMacro < 0)
            return
        actionMenu.visible = false
        editingDelay = -1
        editingName = -1
        setActions([])
        selectedAction = -1
        heldKeys = {}
        zeroCounter()
        recording = true
        usedBytes = 2
        macroEditorFocus()
    }

    function zeroCounter() {
        counter = 0
        counterStart = clock()
    }
    function ticksSinceZero() {
        return Math.max(0, Math.floor((clock() - counterStart) / 10))
    }

    // Keys still down when the recording stops are released at once, so that the mouse
    // never plays a key it does not let go.
    function stopRecording() {
        recording = false
        var add = []
        for (var code in heldKeys) {
            var c = Number(code)
            add.push({ type: c < 0xF0 ? 2 : 4,
                       info: c < 0xF0 ? keys.keycodeTostr(c) : keys.mousecodeTostr(c) })
        }
        insertActions(actionModel.count, add)
        heldKeys = {}
        usedBytes = recordCount(rows())
    }

    // The keyboard while the editor shows: the key box takes a press; a recording takes
    // every key.
    function detectKeyboard(isDown, usbCode) {
        var code = Number(usbCode)
        if (keyBox.visible) {
            if (isDown && code < 0xF0)
                boxKey = keys.keycodeTostr(code)
            return
        }
        if (recording)
            detectInput(isDown, code)
    }

    // One recorded event. A press is taken only while the image keeps room for it and the
    // release of every key then down (each at most a pair and a long pause), so that a
    // full macro never holds a key; releases of keys pressed before the recording began
    // are dropped.
    function detectInput(isDown, usbCode) {
        if (!recording)
            return false
        var code = Number(usbCode)
        var mouse = code >= 0xF0
        var name = mouse ? keys.mousecodeTostr(code) : keys.keycodeTostr(code)
        if (name === "")
            return false
        if (!isDown && !heldKeys[code])
            return false
        var list = rows()
        counter = ticksSinceZero()
        var add = []
        if (list.length > 0 && recTime)
            add.push({ type: 0, info: String(counter * 10) })
        add.push({ type: mouse ? (isDown ? 3 : 4) : (isDown ? 1 : 2), info: name })
        var held = 0
        for (var k in heldKeys)
            ++held
        var reserve = 6 * (isDown ? held + 1 : held - 1)
        if (recordCount(list.concat(add)) + reserve > slotBytes)
            return false
        if (list.length === 0 || recTime)
            zeroCounter()
        insertActions(list.length, add)
        var next = Object.assign({}, heldKeys)
        if (isDown)
            next[code] = true
        else
            delete next[code]
        heldKeys = next
        usedBytes = recordCount(list.concat(add))
        actionView.positionViewAtEnd()
        return true
    }

    function macroEditorFocus() {
        forceActiveFocus()
    }

    // ------------------------------------------------------------ editing the actions

    function insertRows(at, add, select) {
        var list = rows()
        var next = list.slice(0, at).concat(add).concat(list.slice(at))
        if (!fits(next))
            return false
        insertActions(at, add)
        selectedAction = select
        autoSave()
        return true
    }

    // The context menu's entries: 0 delete, 1 left, 2 middle, 3 right button, 4 delay,
    // 5 keys.
    function menuAction(entry) {
        actionMenu.visible = false
        if (selectedMacro < 0 || recording)
            return false
        var sel = selectedAction
        var count = actionModel.count
        if (entry === 0) {
            if (sel < 0 || sel >= count)
                return false
            removeAction(sel)
            selectedAction = Math.min(sel, actionModel.count - 1)
            autoSave()
            return true
        }
        if (entry >= 1 && entry <= 3) {
            var button = ["MS-L", "MS-M", "MS-R"][entry - 1]
            var after = sel < 0 || sel >= count ? count : sel + 1
            return insertRows(after, [{ type: 3, info: button }, { type: 4, info: button }], after + 1)
        }
        var at = sel < 0 || sel >= count ? count : sel
        if (entry === 4)
            return insertRows(at, [{ type: 0, info: "50" }], sel < 0 ? -1 : sel + 1)
        if (entry === 5) {
            boxKey = ""
            keyBox.insertAt = at
            keyBox.visible = true
            macroEditorFocus()
            return true
        }
        return false
    }

    function acceptKeyBox() {
        var name = boxKey
        var at = keyBox.insertAt
        keyBox.visible = false
        if (name === "" || keys.strTokeycode(name) === undefined)
            return false
        at = Math.max(0, Math.min(at, actionModel.count))
        return insertRows(at, [{ type: 1, info: name }, { type: 2, info: name }], at)
    }

    // Right click on the action list: row -1 is the empty space below the rows.
    function openActionMenu(row, x, y) {
        if (recording || selectedMacro < 0)
            return false
        editingDelay = -1
        selectedAction = row >= 0 && row < actionModel.count ? row : -1
        var roomy = fits(rows().concat([{ type: 3, info: "MS-L" }, { type: 0, info: String(maxDelay) },
                                        { type: 4, info: "MS-L" }]))
        actionMenu.canInsert = roomy
        actionMenu.canDelete = selectedAction >= 0
        actionMenu.x = Math.min(x, editor.width - actionMenu.width - 4)
        actionMenu.y = Math.min(y, editor.height - actionMenu.height - 4)
        actionMenu.visible = true
        return true
    }

    // A delay must be a whole number of milliseconds from 0 to 100000, and must not push
    // the image beyond its slot; anything else keeps the old value.
    function setDelay(index, text) {
        editingDelay = -1
        if (index < 0 || index >= actionModel.count || actionModel.get(index).type !== 0)
            return false
        text = String(text).trim()
        if (!/^[0-9]+$/.test(text))
            return false
        var ms = Number(text)
        if (ms > maxDelay)
            return false
        var list = rows()
        list[index].info = String(ms)
        if (!fits(list))
            return false
        actionModel.setProperty(index, "info", String(ms))
        autoSave()
        return true
    }

    // The loop count: 0 to 65535; an empty input means 1, anything else keeps the old one.
    function setLoops(text) {
        text = String(text).trim()
        if (text === "")
            text = "1"
        var ok = /^[0-9]+$/.test(text) && isLoopCount(Number(text))
        if (ok && String(Number(text)) !== loopText) {
            loopText = String(Number(text))
            autoSave()
        }
        // What was typed gives way to the count in force.
        loopInput.text = Qt.binding(function () { return editor.loopText })
        return ok
    }

    function setLoopsTimer(on) {
        loopsTimer = on
        if (!on && loopText !== "1") {
            loopText = "1"
            autoSave()
        }
    }

    // ------------------------------------------------------------ closing

    function requestClose() {
        if (recording) {
            cancelDialog.visible = true
            return
        }
        actionMenu.visible = false
        keyBox.visible = false
        closeRequested()
    }

    // The recording is dropped: the macro goes back to what was saved.
    function cancelRecord() {
        cancelDialog.visible = false
        recording = false
        heldKeys = {}
        selectMacro(selectedMacro)
        closeRequested()
    }

    width: 600
    height: 400
    title: Strings.macroEditorTitle
    closeBox: true
    closeBoxName: "macroEditorClose"
    hasOk: false
    hasCancel: false
    // While recording, Escape is recorded like any other key.
    closesOnEscape: !recording
    onCancelClicked: requestClose()
    onTitlePressed: actionMenu.visible = false
    onBodyPressed: {
        actionMenu.visible = false
        macroEditorFocus()
    }

    // Keys go to the desktop-wide capture; here they only must not reach the page.
    Keys.onPressed: function (event) { event.accepted = true }

    KeyCodeString {
        id: keys
    }

    ListModel {
        id: macroModel
    }
    ListModel {
        id: actionModel
    }

    Timer {
        id: recordTimer
        // Whole seconds: redrawing the page costs more than the label is worth.
        interval: 1000
        repeat: true
        running: editor.recording && editor.visible
        onRunningChanged: editor.shownTicks = editor.ticksSinceZero()
        onTriggered: editor.shownTicks = editor.ticksSinceZero()
    }

    // A text edited in place: Enter or leaving it commits once, Escape cancels.
    component InPlaceInput: TextInput {
        id: input
        property bool editing: false
        property string value: ""
        property bool done: true
        signal commit(string text)
        signal cancel()
        anchors.verticalCenter: parent.verticalCenter
        clip: true
        color: Theme.textBright
        selectionColor: Theme.pressed
        font.pixelSize: editor.fontSize + 1
        font.family: editor.fontFamily
        function finish() {
            if (done)
                return
            done = true
            commit(text)
        }
        onEditingChanged: {
            if (editing) {
                text = value
                done = false
                selectAll()
                forceActiveFocus()
            } else {
                done = true
            }
        }
        onAccepted: finish()
        onActiveFocusChanged: if (!activeFocus) finish()
        Keys.onEscapePressed: {
            done = true
            cancel()
            editor.macroEditorFocus()
        }
    }

    // A thin bar at the right edge of a list that is longer than its box.
    component ScrollMark: Rectangle {
        property Flickable view: null
        readonly property real span: view ? Math.max(1, view.contentHeight - view.height) : 1
        x: view ? view.x + view.width - width - 1 : 0
        y: view ? view.y + 1 + (view.height - 2 - height) * (view.contentY - view.originY) / span : 0
        width: 4
        radius: 2
        height: view ? Math.max(16, (view.height - 2) * view.visibleArea.heightRatio) : 0
        visible: view !== null && view.contentHeight > view.height + 1
        color: Theme.inactive
    }

    component Heading: Text {
        color: Theme.textOption
        font.pixelSize: editor.fontSize
        font.family: editor.fontFamily
        font.bold: true
    }

    component CheckRow: Item {
        id: check
        property bool checked: false
        property string label: ""
        signal toggled()
        width: 150
        height: 20
        opacity: enabled ? 1 : 0.4
        Rectangle {
            y: 3
            width: 14
            height: 14
            radius: 2
            color: Theme.field
            border.color: check.checked ? editor.accent : Theme.inactive
            Text {
                anchors.centerIn: parent
                text: "✓"
                visible: check.checked
                color: editor.accent
                font.pixelSize: 12
                font.bold: true
            }
        }
        Text {
            x: 22
            anchors.verticalCenter: parent.verticalCenter
            text: check.label
            color: check.checked ? Theme.textBright : Theme.textOption
            font.pixelSize: editor.fontSize
            font.family: editor.fontFamily
        }
        MouseArea {
            anchors.fill: parent
            onClicked: check.toggled()
        }
    }

    // ---- the macros
    Heading {
        x: 16
        y: 34
        text: Strings.macroList
    }
    Rectangle {
        x: 16
        y: 52
        width: 170
        height: 298
        color: Theme.field
        border.color: Theme.line
        ListView {
            id: macroView
            objectName: "macroList"
            anchors.fill: parent
            anchors.margins: 1
            clip: true
            model: macroModel
            boundsBehavior: Flickable.StopAtBounds
            delegate: Rectangle {
                id: macroRow
                required property int index
                required property string macroName
                readonly property bool selected: editor.selectedMacro === index
                readonly property bool editing: editor.editingName === index
                width: ListView.view.width
                height: 22
                color: selected ? Theme.rowSelected : (rowArea.containsMouse ? Theme.rowHover : "transparent")
                Text {
                    x: 8
                    width: parent.width - 16
                    anchors.verticalCenter: parent.verticalCenter
                    visible: !macroRow.editing
                    text: macroRow.macroName
                    elide: Text.ElideRight
                    color: macroRow.selected ? Theme.textBright : Theme.textItem
                    font.pixelSize: editor.fontSize + 1
                    font.family: editor.fontFamily
                }
                MouseArea {
                    id: rowArea
                    anchors.fill: parent
                    hoverEnabled: true
                    enabled: !editor.recording
                    // A click on the chosen macro's name edits it in place.
                    onClicked: {
                        editor.actionMenu.visible = false
                        if (macroRow.selected)
                            editor.editingName = macroRow.index
                        else
                            editor.selectMacro(macroRow.index)
                    }
                    onDoubleClicked: editor.editingName = macroRow.index
                }
                // Kept in the row rather than loaded: the input must outlive its own
                // handlers, which end the editing.
                Rectangle {
                    anchors.fill: parent
                    visible: macroRow.editing
                    color: Theme.field
                    border.color: editor.accent
                    InPlaceInput {
                        objectName: "macroNameInput"
                        x: 7
                        width: parent.width - 14
                        editing: macroRow.editing
                        value: macroRow.macroName
                        maximumLength: 64
                        onCommit: function (text) { editor.renameMacro(macroRow.index, text) }
                        onCancel: editor.editingName = -1
                    }
                }
            }
        }
        ScrollMark {
            view: macroView
        }
    }
    Row {
        x: 16
        y: 360
        spacing: 10
        Button {
            id: newButton
            objectName: "macroNew"
            width: 80
            text: Strings.newMacro
            enabled: !editor.recording && macroModel.count < editor.maxMacros
            onClicked: editor.newMacro()
        }
        Button {
            id: deleteButton
            objectName: "macroDelete"
            width: 80
            text: Strings.deleteMacro
            enabled: !editor.recording && editor.selectedMacro >= 0
            onClicked: editor.askDeleteMacro()
        }
    }

    // ---- the actions of the chosen macro
    Heading {
        x: 200
        y: 34
        text: Strings.sequence
    }
    Rectangle {
        id: actionBox
        x: 200
        y: 52
        width: 230
        height: 330
        color: Theme.field
        border.color: editor.recording ? Theme.recording : Theme.line
        ListView {
            id: actionView
            objectName: "actionList"
            anchors.fill: parent
            anchors.margins: 1
            clip: true
            model: actionModel
            boundsBehavior: Flickable.StopAtBounds
            delegate: Rectangle {
                id: actionRow
                required property int index
                required property int type
                required property string info
                readonly property bool selected: editor.selectedAction === index
                readonly property bool editing: editor.editingDelay === index
                objectName: "actionRow" + index
                width: ListView.view.width
                height: 20
                color: selected ? Theme.rowSelected : (actionArea.containsMouse ? Theme.rowHover : "transparent")
                Text {
                    x: 4
                    width: 26
                    anchors.verticalCenter: parent.verticalCenter
                    horizontalAlignment: Text.AlignRight
                    text: actionRow.index + 1
                    color: Theme.inactive
                    font.pixelSize: editor.fontSize - 1
                    font.family: editor.fontFamily
                }
                // Press ↓, release ↑, pause ◷; mouse buttons in the accent colour.
                Text {
                    x: 38
                    width: 14
                    anchors.verticalCenter: parent.verticalCenter
                    horizontalAlignment: Text.AlignHCenter
                    text: actionRow.type === 0 ? "◷" : (actionRow.type === 1 || actionRow.type === 3 ? "↓" : "↑")
                    color: actionRow.type === 0 ? Theme.textDim
                         : actionRow.type >= 3 ? editor.accent
                         : actionRow.type === 1 ? Theme.delayMark : Theme.keyMark
                    font.pixelSize: editor.fontSize + 2
                    font.bold: true
                }
                Text {
                    x: 58
                    width: parent.width - 64
                    anchors.verticalCenter: parent.verticalCenter
                    visible: !actionRow.editing
                    text: actionRow.type === 0 ? actionRow.info + " ms" : actionRow.info
                    elide: Text.ElideRight
                    color: actionRow.type === 0 ? Theme.textDim : Theme.textTitle
                    font.pixelSize: editor.fontSize + 1
                    font.family: editor.fontFamily
                    font.italic: actionRow.type === 0
                }
                MouseArea {
                    id: actionArea
                    anchors.fill: parent
                    hoverEnabled: true
                    enabled: !editor.recording
                    acceptedButtons: Qt.LeftButton | Qt.RightButton
                    // A click on the chosen delay edits it in place.
                    onClicked: function (mouse) {
                        if (mouse.button === Qt.RightButton) {
                            var at = actionRow.mapToItem(editor, mouse.x, mouse.y)
                            editor.openActionMenu(actionRow.index, at.x, at.y)
                            return
                        }
                        editor.actionMenu.visible = false
                        if (actionRow.selected && actionRow.type === 0)
                            editor.editingDelay = actionRow.index
                        else
                            editor.selectedAction = actionRow.index
                    }
                }
                Rectangle {
                    x: 54
                    width: 90
                    height: parent.height
                    visible: actionRow.editing
                    color: Theme.field
                    border.color: editor.accent
                    InPlaceInput {
                        objectName: "delayInput"
                        x: 4
                        width: parent.width - 8
                        editing: actionRow.editing
                        value: actionRow.info
                        maximumLength: 9
                        onCommit: function (text) { editor.setDelay(actionRow.index, text) }
                        onCancel: editor.editingDelay = -1
                    }
                }
            }
            // The space below the rows: the menu inserts at the end there.
            footer: Item {
                width: ListView.view ? ListView.view.width : 0
                height: Math.max(0, actionBox.height - 2 - actionModel.count * 20)
                MouseArea {
                    anchors.fill: parent
                    enabled: !editor.recording
                    acceptedButtons: Qt.LeftButton | Qt.RightButton
                    onClicked: function (mouse) {
                        if (mouse.button === Qt.RightButton) {
                            var at = mapToItem(editor, mouse.x, mouse.y)
                            editor.openActionMenu(-1, at.x, at.y)
                        } else {
                            editor.actionMenu.visible = false
                            editor.selectedAction = -1
                        }
                    }
                }
            }
        }
        ScrollMark {
            view: actionView
        }
    }
    Text {
        x: 200
        y: 384
        width: 230
        horizontalAlignment: Text.AlignRight
        text: editor.usedBytes + " / " + editor.slotBytes + " B"
        color: editor.usedBytes + 6 > editor.slotBytes ? Theme.warning : Theme.inactive
        font.pixelSize: editor.fontSize - 1
        font.family: editor.fontFamily
    }

    // ---- options
    Heading {
        x: 446
        y: 34
        text: Strings.options
    }
    Column {
        x: 446
        y: 52
        spacing: 10
        Button {
            id: recordButton
            objectName: "macroRecord"
            width: 138
            height: 30
            text: editor.recording ? Strings.stopRecord : Strings.startRecord
            enabled: editor.selectedMacro >= 0
            accent: editor.recording ? Theme.warning : editor.accent
            border.color: editor.recording ? Theme.recording : (hovered ? accent : Theme.border)
            onClicked: editor.toggleRecord()
            Rectangle {
                x: 10
                anchors.verticalCenter: parent.verticalCenter
                width: 10
                height: editor.recording ? 10 : 10
                radius: editor.recording ? 1 : 5
                color: Theme.warning
            }
        }
        // The recording clock: seconds since the last recorded event.
        Text {
            objectName: "recordClock"
            width: 138
            horizontalAlignment: Text.AlignHCenter
            text: editor.recording ? "● REC  " + Math.floor(editor.shownTicks / 100) + " s" : ""
            color: Theme.warning
            font.pixelSize: editor.fontSize + 1
            font.family: editor.fontFamily
            height: 16
        }
        CheckRow {
            id: recTimeBox
            objectName: "recTimeBox"
            label: Strings.recTime
            checked: editor.recTime
            enabled: !editor.recording
            onToggled: editor.recTime = !editor.recTime
        }
        CheckRow {
            id: loopsBox
            objectName: "loopsBox"
            label: Strings.loopsTimer
            checked: editor.loopsTimer
            enabled: !editor.recording && editor.selectedMacro >= 0
            onToggled: editor.setLoopsTimer(!editor.loopsTimer)
        }
        Rectangle {
            x: 22
            width: 116
            height: 22
            radius: 2
            color: Theme.field
            border.color: loopInput.activeFocus ? editor.accent : Theme.line
            opacity: loopInput.enabled ? 1 : 0.4
            TextInput {
                id: loopInput
                objectName: "loopInput"
                x: 6
                width: parent.width - 12
                anchors.verticalCenter: parent.verticalCenter
                text: editor.loopText
                enabled: editor.loopsTimer && !editor.recording
                maximumLength: 7
                color: Theme.textBright
                selectionColor: Theme.pressed
                font.pixelSize: editor.fontSize + 1
                font.family: editor.fontFamily
                onEditingFinished: editor.setLoops(text)
            }
        }
        // A Wayland desktop gives the program only the keys of its own window.
        Text {
            objectName: "windowKeysHint"
            visible: ui_View.keysFromWindowOnly
            width: 138
            wrapMode: Text.WordWrap
            text: Strings.windowKeysOnly
            color: Theme.inactive
            font.pixelSize: editor.fontSize - 1
            font.family: editor.fontFamily
        }
    }

    // ---- the action context menu
    MouseArea {
        anchors.fill: parent
        visible: actionMenu.visible
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        onPressed: actionMenu.visible = false
    }
    Rectangle {
        id: actionMenu
        objectName: "macroActionMenu"
        property bool canInsert: true
        property bool canDelete: false
        width: 170
        height: menuColumn.height + 4
        visible: false
        color: Theme.menu
        border.color: Theme.border
        Column {
            id: menuColumn
            x: 2
            y: 2
            Repeater {
                id: menuRows
                model: 6
                delegate: Rectangle {
                    id: menuRow
                    required property int index
                    readonly property bool usable: index === 0 ? actionMenu.canDelete : actionMenu.canInsert
                    width: 166
                    height: 22
                    color: menuArea.containsMouse && usable ? Theme.rowSelected : "transparent"
                    Text {
                        x: 10
                        anchors.verticalCenter: parent.verticalCenter
                        text: Strings.sequenceMenu(menuRow.index)
                        color: menuRow.usable ? (menuArea.containsMouse ? Theme.textBright : Theme.textItem) : Theme.inactive
                        font.pixelSize: editor.fontSize + 1
                        font.family: editor.fontFamily
                    }
                    Rectangle {
                        visible: menuRow.index === 0
                        y: parent.height - 1
                        x: 6
                        width: parent.width - 12
                        height: 1
                        color: Theme.line
                    }
                    MouseArea {
                        id: menuArea
                        anchors.fill: parent
                        hoverEnabled: true
                        onClicked: if (menuRow.usable) editor.menuAction(menuRow.index)
                    }
                }
            }
        }
    }

    // ---- small dialogs inside the editor
    component Dialog: Overlay {
        id: dialog
        default property alias inner: innerBody.data
        signal ok()
        signal cancel()
        x: parent ? (parent.width - width) / 2 : 0
        y: parent ? (parent.height - height) / 2 : 0
        width: 240
        height: 150
        color: Theme.dialog
        border.color: editor.accent
        okText: Strings.macroOk
        cancelText: Strings.macroCancel
        buttonWidth: 70
        buttonMargin: 12
        onOkClicked: ok()
        onCancelClicked: cancel()
        Item {
            id: innerBody
            y: 32
            width: parent.width
            height: 60
        }
    }

    Dialog {
        id: keyBox
        objectName: "macroKeyBox"
        property int insertAt: 0
        title: Strings.insertKeys
        okEnabled: editor.boxKey !== ""
        // The key wanted may be Escape itself.
        closesOnEscape: false
        onOk: editor.acceptKeyBox()
        onCancel: {
            keyBox.visible = false
            editor.macroEditorFocus()
        }
        Rectangle {
            x: 40
            y: 4
            width: 160
            height: 40
            radius: 3
            color: Theme.field
            border.color: editor.boxKey !== "" ? editor.accent : Theme.line
            Text {
                anchors.centerIn: parent
                text: editor.boxKey
                color: Theme.textBright
                font.pixelSize: editor.fontSize + 8
                font.family: editor.fontFamily
                font.bold: true
            }
        }
    }

    Dialog {
        id: cancelDialog
        objectName: "cancelRecordDialog"
        title: Strings.macroEditorTitle
        onOk: editor.cancelRecord()
        onCancel: {
            cancelDialog.visible = false
            editor.macroEditorFocus()
        }
        Text {
            x: 14
            y: 12
            width: parent.width - 28
            text: Strings.cancelRecord
            color: Theme.textItem
            font.pixelSize: editor.fontSize + 1
            font.family: editor.fontFamily
        }
    }
}
