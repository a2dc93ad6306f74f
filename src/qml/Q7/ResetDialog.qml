// Asks before the current profile goes back to the factory settings. It can be dragged
// by its title, never out of the page.
import QtQuick
import ".."

Rectangle {
    id: dialog
    objectName: "ResetDialog"

    property string title: ""
    property string text: ""
    property string okText: ""
    property string cancelText: ""
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily
    property color accent: Theme.accent
    readonly property alias titleBar: titleBar
    readonly property alias okButton: okButton
    readonly property alias cancelButton: cancelButton

    signal accepted()
    signal rejected()

    width: 300
    height: 140
    radius: 4
    color: Theme.overlay
    border.color: Theme.border
    visible: false

    MouseArea {
        // The dialog's body swallows presses so the mask behind it does not drag the window.
        anchors.fill: parent
    }

    Rectangle {
        id: titleBar
        width: parent.width
        height: 24
        radius: 4
        color: Theme.titleBar
        Rectangle {
            width: 2
            height: parent.height
            color: dialog.accent
        }
        Text {
            x: 10
            anchors.verticalCenter: parent.verticalCenter
            text: dialog.title
            color: Theme.textTitle
            font.pixelSize: dialog.fontSize + 1
            font.family: dialog.fontFamily
            font.bold: true
        }
        MouseArea {
            anchors.fill: parent
            drag.target: dialog
            drag.axis: Drag.XAndYAxis
            drag.minimumX: 0
            drag.minimumY: 0
            drag.maximumX: dialog.parent ? dialog.parent.width - dialog.width : 0
            drag.maximumY: dialog.parent ? dialog.parent.height - dialog.height : 0
            drag.threshold: 1
        }
    }

    Text {
        x: 20
        y: 44
        width: parent.width - 40
        text: dialog.text
        wrapMode: Text.WordWrap
        color: Theme.textBright
        font.pixelSize: dialog.fontSize + 3
        font.family: dialog.fontFamily
    }

    Row {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 14
        spacing: 10
        Button {
            id: okButton
            objectName: "resetOk"
            width: 80
            text: dialog.okText
            onClicked: dialog.accepted()
        }
        Button {
            id: cancelButton
            objectName: "resetCancel"
            width: 80
            text: dialog.cancelText
            onClicked: dialog.rejected()
        }
    }
}
