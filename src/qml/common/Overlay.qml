// The frame every overlay shares: a title bar (icon, title, an optional close box) that
// drags the overlay inside its parent and never out of it, a body that keeps presses from
// the mask behind, OK and Cancel at the bottom right, and Escape as Cancel. The overlay's
// own content goes in as children, placed in the overlay's coordinates.
import QtQuick
import ".."

Rectangle {
    id: overlay

    property string title: ""
    // An icon left of the title ("" for none).
    property url icon: ""
    property bool closeBox: false
    property string closeBoxName: ""
    property bool hasOk: true
    property bool hasCancel: true
    property string okText: Strings.ok
    property string cancelText: Strings.cancel
    property string okName: ""
    property string cancelName: ""
    property bool okEnabled: true
    property int buttonWidth: 80
    property int buttonMargin: 14
    // Escape is Cancel, except where the overlay takes keys as its input (a key being
    // assigned or recorded).
    property bool closesOnEscape: true
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily
    property color accent: Theme.accent
    readonly property alias titleBar: titleBar
    readonly property alias okButton: okButton
    readonly property alias cancelButton: cancelButton
    readonly property alias closeButton: closeButton
    default property alias content: body.data

    signal okClicked()
    // Cancel, Escape and the close box.
    signal cancelClicked()
    signal titlePressed()
    signal bodyPressed()

    radius: 4
    color: Theme.overlay
    border.color: Theme.border
    visible: false

    // An overlay that shows takes the keyboard, so that Escape reaches it.
    onVisibleChanged: if (visible) forceActiveFocus()

    // Enter is OK while the overlay itself has the keyboard (an input inside it takes its
    // own Enter).
    Keys.onReturnPressed: function (event) { enterPressed(event) }
    Keys.onEnterPressed: function (event) { enterPressed(event) }
    function enterPressed(event) {
        if (overlay.activeFocus && hasOk && okEnabled && okButton.visible)
            okClicked()
        else
            event.accepted = false
    }

    // A menu open inside the overlay: Escape closes it, not the overlay.
    property bool menuOpen: false
    signal menuDismissed()

    Keys.onEscapePressed: function (event) {
        if (menuOpen)
            menuDismissed()
        else if (closesOnEscape)
            cancelClicked()
        else
            event.accepted = false
    }

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        onPressed: overlay.bodyPressed()
    }

    Rectangle {
        id: titleBar
        width: parent.width
        height: 24
        radius: overlay.radius
        color: Theme.titleBar
        Rectangle {
            width: 2
            height: parent.height
            color: overlay.accent
        }
        Image {
            id: titleIcon
            x: 10
            anchors.verticalCenter: parent.verticalCenter
            source: overlay.icon
            sourceSize: Qt.size(14, 14)
            visible: overlay.icon.toString() !== ""
        }
        Text {
            x: titleIcon.visible ? 30 : 10
            width: parent.width - x - (overlay.closeBox ? 30 : 10)
            elide: Text.ElideRight
            anchors.verticalCenter: parent.verticalCenter
            text: overlay.title
            color: Theme.textTitle
            font.pixelSize: overlay.fontSize + 1
            font.family: overlay.fontFamily
            font.bold: true
        }
        MouseArea {
            anchors.fill: parent
            drag.target: overlay
            drag.axis: Drag.XAndYAxis
            drag.minimumX: 0
            drag.minimumY: 0
            drag.maximumX: overlay.parent ? overlay.parent.width - overlay.width : 0
            drag.maximumY: overlay.parent ? overlay.parent.height - overlay.height : 0
            drag.threshold: 1
            onPressed: {
                overlay.forceActiveFocus()
                overlay.titlePressed()
            }
        }
        Rectangle {
            id: closeButton
            objectName: overlay.closeBoxName
            width: 20
            height: 20
            radius: 2
            anchors.right: parent.right
            anchors.rightMargin: 3
            anchors.verticalCenter: parent.verticalCenter
            visible: overlay.closeBox
            color: closeArea.containsMouse ? Theme.hover : "transparent"
            Image {
                anchors.centerIn: parent
                source: "../images/skin" + Theme.skinNo + "/icon_close.svg"
                sourceSize: Qt.size(12, 12)
            }
            MouseArea {
                id: closeArea
                anchors.fill: parent
                hoverEnabled: true
                onClicked: overlay.cancelClicked()
            }
        }
    }

    Row {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: overlay.buttonMargin
        spacing: 10
        Button {
            id: okButton
            objectName: overlay.okName
            visible: overlay.hasOk
            width: overlay.buttonWidth
            text: overlay.okText
            enabled: overlay.okEnabled
            fontSize: overlay.fontSize
            fontFamily: overlay.fontFamily
            accent: overlay.accent
            onClicked: overlay.okClicked()
        }
        Button {
            id: cancelButton
            objectName: overlay.cancelName
            visible: overlay.hasCancel
            width: overlay.buttonWidth
            text: overlay.cancelText
            fontSize: overlay.fontSize
            fontFamily: overlay.fontFamily
            accent: overlay.accent
            onClicked: overlay.cancelClicked()
        }
    }

    // The overlay's content, above the frame so that its pop-ups cover the buttons.
    Item {
        id: body
        anchors.fill: parent
    }
}
