// Gives a button a macro and the way it plays: once, in a loop until any button is
// pressed, or in a loop while the button is held. The macros are the macro editor's list
// when the editor is there (its `macroList`, rows with `macroName`); otherwise the names
// stored in the name list.
import QtQuick
import MouseSuite.Model
import "../common"

Rectangle {
    id: overlay
    objectName: "MacroKey"

    readonly property var englishLang: ["Macro Key", "Select Macro",
        "Macro runs once after \npressing button", "Macro loops until any \nbutton is pressed",
        "Macro loops until button \nis released", "OK", "Cancel", "Key", "Please assign a Key", ""]
    property var macroKeyLang: englishLang
    property Item macroEditor: null
    property int button: -1
    // 0 once, 1 until any button, 2 while held.
    property int mode: 0
    property int selectedRow: -1
    property int fontSize: 11
    property string fontFamily: "Arial"
    property color accent: "#FF00FFFF"
    readonly property var macros: macroEditor && macroEditor.macroList ? macroEditor.macroList : storedNames
    readonly property string selectedName: selectedRow >= 0 && selectedRow < list.count
        ? String(macros.get(selectedRow).macroName) : ""
    readonly property alias okButton: okButton
    readonly property alias cancelButton: cancelButton

    // (button, macro name, play mode)
    signal accepted(int button, string macroName, int mode)
    signal rejected()

    function text(i) {
        return macroKeyLang[i] !== undefined ? macroKeyLang[i] : ""
    }
    function rowAt(i) {
        list.positionViewAtIndex(i, ListView.Contain)
        return list.itemAtIndex(i)
    }
    function modeAt(m) {
        return modes.itemAt(m)
    }

    // The names of the name list, without the filler a one-name list carries.
    function loadStoredNames() {
        storedNames.clear()
        var names = NameLists.names(ui_View.getNameList(0))
        for (var i = 0; i < names.length; ++i)
            storedNames.append({ macroName: String(names[i]) })
    }

    function open(forButton) {
        button = forButton
        mode = 0
        selectedRow = -1
        if (!(macroEditor && macroEditor.macroList))
            loadStoredNames()
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
    radius: 4
    color: "#f01a1a1a"
    border.color: "#3a4049"
    visible: false

    ListModel {
        id: storedNames
    }

    MouseArea {
        anchors.fill: parent
    }

    Rectangle {
        id: titleBar
        width: parent.width
        height: 24
        radius: 4
        color: "#1a1a1a"
        Rectangle {
            width: 2
            height: parent.height
            color: overlay.accent
        }
        Text {
            x: 10
            anchors.verticalCenter: parent.verticalCenter
            text: overlay.text(0)
            color: "#e6ebf0"
            font.pixelSize: overlay.fontSize + 1
            font.family: overlay.fontFamily
            font.bold: true
        }
        MouseArea {
            anchors.fill: parent
            drag.target: overlay
            drag.minimumX: 0
            drag.minimumY: 0
            drag.maximumX: overlay.parent ? overlay.parent.width - overlay.width : 0
            drag.maximumY: overlay.parent ? overlay.parent.height - overlay.height : 0
            drag.threshold: 1
        }
    }

    Text {
        x: 16
        y: 32
        text: overlay.text(1)
        color: "#b8c0c8"
        font.pixelSize: overlay.fontSize
        font.family: overlay.fontFamily
    }

    Rectangle {
        x: 16
        y: 50
        width: parent.width - 32
        height: 122
        color: "#0c0e11"
        border.color: "#343a42"
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
                color: overlay.selectedRow === index ? "#1f4a4d" : (rowArea.containsMouse ? "#262b32" : "transparent")
                Text {
                    x: 8
                    width: parent.width - 16
                    anchors.verticalCenter: parent.verticalCenter
                    text: macroRow.macroName
                    elide: Text.ElideRight
                    color: overlay.selectedRow === macroRow.index ? "#ffffff" : "#d8dee6"
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
                    color: "#0c0e11"
                    border.color: overlay.mode === modeRow.index ? overlay.accent : "#5a616c"
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
                    text: overlay.text(2 + modeRow.index)
                    color: overlay.mode === modeRow.index ? "#ffffff" : "#b8c0c8"
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

    Row {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 14
        spacing: 10
        Button {
            id: okButton
            objectName: "macroKeyOk"
            width: 80
            text: overlay.text(5)
            enabled: overlay.selectedName !== ""
            fontSize: overlay.fontSize
            fontFamily: overlay.fontFamily
            accent: overlay.accent
            onClicked: overlay.accept()
        }
        Button {
            id: cancelButton
            objectName: "macroKeyCancel"
            width: 80
            text: overlay.text(6)
            fontSize: overlay.fontSize
            fontFamily: overlay.fontFamily
            accent: overlay.accent
            onClicked: overlay.rejected()
        }
    }
}
