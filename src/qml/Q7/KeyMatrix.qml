// Button assignment, first in the left column: what each of the six buttons the user can
// change does. The mouse keeps sixteen 4-byte entries (kind, then bytes 1 to 3); entries
// 6 to 15 are read from the profile and sent back untouched. Every change goes out as the
// whole list of 64 values, which the view host also stores in the current profile.
//
// A macro entry is 09, play mode, slot, 00. The page counts macro slots from 0 like the
// macro editor; the mouse and the profile count them from 1, so the slot is lowered by
// one on reading and raised by one on sending.
import QtQuick
import ".."
import MouseSuite.Model

Frame {
    id: panel
    objectName: "KeyMatrix"
    // Simplified Chinese assignment names instead of the English ones.
    // The gun overlay, whose selected gun names the gun key; null until it exists.
    // The gun-key button shows the selected gun's name.
    required property Item gunControl
    // The button lit on the mouse picture, framed here as well.
    property int selectedButton: -1

    // What a button does when nothing else is known of it (entry 0 ... 15).
    readonly property var defaultCodes: ButtonTable.factoryCodes
    readonly property int shownButtons: 6

    // Sixteen [kind, b1, b2, b3], macro slots counted from 0; their texts and the codes
    // the texts stand for (the key menu marks a button's current choice by it); the labels.
    property var entries: []
    property var texts: []
    property var tags: []
    property var labels: []

    signal rowClicked(int index)
    signal rowEntered(int index)
    signal rowExited(int index)

    title: Strings.buttonAssignment
    bodyHeight: shownButtons * 21 + 8

    function rowAt(i) {
        return rows.itemAt(i)
    }

    function hex2(v) {
        var s = (Number(v) & 0xFF).toString(16)
        return s.length < 2 ? "0" + s : s
    }
    function codeOf(e) {
        return hex2(e[0]) + hex2(e[1]) + hex2(e[2]) + hex2(e[3])
    }
    function bytesOf(code) {
        return [0, 2, 4, 6].map(function (at) { return parseInt(code.substr(at, 2), 16) })
    }
    function isLeft(e) {
        return ButtonTable.isLeft(e)
    }

    // Where the key menu opens for a row: beside the panel, level with the row.
    function getx(index) {
        return 249
    }
    function gety(index) {
        return index >= 0 && index <= 6 ? 131 + 21 * index : 278
    }

    function setText(index, text, tag) {
        var t = texts.slice()
        var g = tags.slice()
        t[index] = text
        g[index] = tag
        texts = t
        tags = g
    }

    function gunName() {
        var name = gunControl.selectGunName
        return name === undefined || name === null ? "" : String(name)
    }

    // The shown text of an entry: the first rule that fits.
    function textOf(e) {
        var kind = e[0], b1 = e[1], b2 = e[2], b3 = e[3]
        if (kind === 0x09)
            return Strings.macroPrefix + ui_View.getMacroKey(b2)
        if (kind === 0x08) {
            var gun = gunName()
            return gun === "" ? "Fn" : "Fn ( " + gun + " ) "
        }
        if (kind === 0 && b1 === 0 && b2 === 0)
            return Strings.deactivated
        if (kind === 0 && b1 === 0 && b3 === 0) {
            // A key without a name is shown as nothing rather than half a text.
            var name = keys.keycodeTostr(b2)
            return name === "" ? "" : Strings.keyboardKeyPrefix + name
        }
        if (kind === 0x0A && b1 === 0xF0)
            return Strings.doubleClick
        return keys.assignTostr(codeOf(e), Strings.chinese)
    }

    // Left-button assignments among the buttons the user can change.
    function checkLeftKey() {
        return ButtonTable.leftButtons(entries)
    }

    // Replaces one shown entry. The last left button is never given away, so the mouse
    // always keeps a button that clicks. False when the change was refused.
    function modifyData(index, b0, b1, b2, b3) {
        var next = ButtonTable.replaced(entries, index, [Number(b0), Number(b1), Number(b2), Number(b3)])
        if (next.length === 0)
            return false
        entries = next
        return true
    }

    function modifyCode(index, code) {
        var b = bytesOf(code)
        return modifyData(index, b[0], b[1], b[2], b[3])
    }

    // A gun chosen or renamed shows on the gun-key buttons at once.
    Connections {
        target: gunControl
        function onSelectGunNameChanged() {
            for (var i = 0; i < 16; ++i)
                if (entries[i] && entries[i][0] === 0x08)
                    setText(i, textOf(entries[i]), codeOf(entries[i]))
        }
    }

    // Texts afresh, then the whole list to the mouse and the profile.
    function refreashUI() {
        for (var i = 0; i < 16; ++i)
            setText(i, textOf(entries[i]), codeOf(entries[i]))
        ui_View.ui_12H_SetKeyMatrix(ButtonTable.wireValues(entries))
    }

    // From the current profile; an entry that is missing or not four numbers takes its
    // default. With send the list goes to the mouse as it was read.
    function init(send) {
        var names = []
        for (var b = 0; b < shownButtons; ++b)
            names.push(Strings.buttonPrefix + (b + 1))
        labels = names

        var read = []
        for (var i = 0; i < 16; ++i)
            read.push(ButtonTable.entryFromStored(ui_View.getKeydefine(i), i))
        entries = read
        texts = []
        tags = []
        for (var j = 0; j < 16; ++j)
            setText(j, textOf(read[j]), codeOf(read[j]))
        if (send)
            ui_View.ui_12H_SetKeyMatrix(ButtonTable.wireValues(read))
    }

    // A macro was deleted: the buttons that played it do what they did at the factory.
    function deleteMacroProc(macroName) {
        var changed = false
        for (var i = 0; i < shownButtons; ++i) {
            var e = entries[i]
            if (e && e[0] === 0x09 && String(ui_View.getMacroKey(e[2])) === String(macroName))
                changed = modifyCode(i, defaultCodes[i]) || changed
        }
        if (changed)
            refreashUI()
    }

    KeyCodeString {
        id: keys
    }

    Column {
        x: 6
        y: 4
        Repeater {
            id: rows
            model: panel.shownButtons
            delegate: Item {
                id: row
                required property int index
                readonly property string text: panel.texts[index] !== undefined ? panel.texts[index] : ""
                readonly property bool lit: panel.selectedButton === index
                objectName: "keyRow" + index
                width: 230
                height: 21

                Text {
                    x: 4
                    width: 66
                    anchors.verticalCenter: parent.verticalCenter
                    text: panel.labels[row.index] !== undefined ? panel.labels[row.index] : ""
                    elide: Text.ElideRight
                    color: row.lit ? panel.accent : Theme.textOption
                    font.pixelSize: panel.fontSize
                    font.family: panel.fontFamily
                }
                Rectangle {
                    id: box
                    x: 72
                    y: 2
                    width: parent.width - x
                    height: parent.height - 4
                    radius: 2
                    color: area.containsMouse || row.lit ? Theme.rowHover : Theme.field
                    border.color: row.lit ? panel.accent : Theme.line
                    Text {
                        x: 6
                        width: parent.width - 22
                        anchors.verticalCenter: parent.verticalCenter
                        text: row.text
                        elide: Text.ElideRight
                        color: Theme.textTitle
                        font.pixelSize: panel.fontSize
                        font.family: panel.fontFamily
                    }
                    // The drop-down mark: this row opens the key menu.
                    Canvas {
                        width: 8
                        height: 5
                        anchors.right: parent.right
                        anchors.rightMargin: 6
                        anchors.verticalCenter: parent.verticalCenter
                        property color fill: row.lit || area.containsMouse ? panel.accent : Theme.marker
                        onFillChanged: requestPaint()
                        onPaint: {
                            var ctx = getContext("2d")
                            ctx.reset()
                            ctx.fillStyle = fill
                            ctx.beginPath()
                            ctx.moveTo(0, 0)
                            ctx.lineTo(width, 0)
                            ctx.lineTo(width / 2, height)
                            ctx.closePath()
                            ctx.fill()
                        }
                    }
                }
                MouseArea {
                    id: area
                    anchors.fill: parent
                    hoverEnabled: true
                    onEntered: panel.rowEntered(row.index)
                    onExited: panel.rowExited(row.index)
                    onClicked: panel.rowClicked(row.index)
                }
            }
        }
    }
}
