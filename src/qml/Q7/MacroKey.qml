// Gives a button a macro and the way it plays: once, in a loop until any button is
// pressed, or in a loop while the button is held. The macros are the macro editor's list
// (its `macroList`, rows with `macroName`).
import QtQuick
import ".."

Overlay {
    id: overlay
    objectName: "MacroKey"
    // The macro names are the editor's list.
    required property Item macroEditor
    property int button: -1
    // 0 once, 1 until any button, 2 while held.
    property int mode: 0
    property int selectedRow: -1
    readonly property var macros: macroEditor.macroList
    readonly property string selectedName: selectedRow >= 0 && selectedRow < list.count
        ? String(macros.get(selectedRow).macroName) : ""

    // (button, macro name, play mode)
    signal accepted(int button, string macroName, int mode)
    signal rejected()
    function rowAt(i) {
        list.positionViewAtIndex(i, ListView.Contain)
        return list.itemAtIndex(i)
    }
    function modeAt(m) {
        return modes.itemAt(m)
    }

    function open(forButton) {
        button = forButton
        mode = 0
        selectedRow = -1
        visible = true
    }

    function accept() {
        if (selectedName === "")
            return false
        accepted(button, selectedName, mode)
        return true
    }

    width: 300
    height: 344
    title: Strings.macroKeyTitle
    okText: Strings.keyOk
    cancelText: Strings.keyCancel
    okName: "macroKeyOk"
    cancelName: "macroKeyCancel"
    okEnabled: selectedName !== ""
    onOkClicked: accept()
    onCancelClicked: rejected()

    Text {
        x: 16
        y: 32
        text: Strings.selectMacro
        color: Theme.textOption
        font.pixelSize: overlay.fontSize
        font.family: overlay.fontFamily
    }

    Rectangle {
        x: 16
        y: 50
        width: parent.width - 32
        height: 122
        color: Theme.field
        border.color: Theme.line
        ListView {
            id: list
            objectName: "macroKeyList"
            anchors.fill: parent
            anchors.margins: 1
            clip: true
            model: overlay.macros
            boundsBehavior: Flickable.StopAtBounds
            delegate: Rectangle {
                id: macroRow
                required property int index
                required property string macroName
                width: ListView.view.width
                height: 20
                color: overlay.selectedRow === index ? Theme.rowSelected : (rowArea.containsMouse ? Theme.rowHover : "transparent")
                Text {
                    x: 8
                    width: parent.width - 16
                    anchors.verticalCenter: parent.verticalCenter
                    text: macroRow.macroName
                    elide: Text.ElideRight
                    color: overlay.selectedRow === macroRow.index ? Theme.textBright : Theme.textItem
                    font.pixelSize: overlay.fontSize + 1
                    font.family: overlay.fontFamily
                }
                MouseArea {
                    id: rowArea
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: overlay.selectedRow = macroRow.index
                }
            }
        }
    }

    Column {
        x: 16
        y: 182
        spacing: 4
        Repeater {
            id: modes
            model: 3
            delegate: Item {
                id: modeRow
                required property int index
                width: 268
                height: 32
                Rectangle {
                    id: radio
                    y: 3
                    width: 14
                    height: 14
                    radius: 7
                    color: Theme.field
                    border.color: overlay.mode === modeRow.index ? overlay.accent : Theme.inactive
                    Rectangle {
                        anchors.centerIn: parent
                        width: 6
                        height: 6
                        radius: 3
                        color: overlay.accent
                        visible: overlay.mode === modeRow.index
                    }
                }
                Text {
                    x: 22
                    y: 1
                    width: parent.width - 22
                    text: Strings.playMode(modeRow.index)
                    color: overlay.mode === modeRow.index ? Theme.textBright : Theme.textOption
                    font.pixelSize: overlay.fontSize
                    font.family: overlay.fontFamily
                    lineHeight: 0.95
                }
                MouseArea {
                    anchors.fill: parent
                    onClicked: overlay.mode = modeRow.index
                }
            }
        }
    }
}
