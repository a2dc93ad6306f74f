// Gives a button one keyboard key: while it shows, the next key pressed anywhere on the
// desktop (the keystroke capture, through the main page) is named here, and OK gives it to
// the button. A key without a name cannot be given.
import QtQuick
import ".."

Rectangle {
    id: overlay
    objectName: "SingleKey"

    property int button: -1
    property string keyName: ""
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily
    property color accent: Theme.accent
    readonly property alias okButton: okButton
    readonly property alias cancelButton: cancelButton

    // (button, HID keyboard usage)
    signal accepted(int button, int usage)
    signal rejected()

    function open(forButton) {
        button = forButton
        keyName = ""
        visible = true
        forceActiveFocus()
    }

    // Only presses count: a release of an earlier key must not take the place of the
    // key pressed last.
    function detectKeyboard(isDown, usbCode) {
        if (visible && isDown)
            keyName = keys.keycodeTostr(Number(usbCode))
    }

    function accept() {
        var usage = keyName === "" ? undefined : keys.strTokeycode(keyName)
        if (usage === undefined)
            return false
        accepted(button, usage)
        return true
    }

    width: 260
    height: 170
    radius: 4
    color: Theme.overlay
    border.color: Theme.border
    visible: false

    // The keys go to the desktop-wide capture; here they only must not reach the page.
    Keys.onPressed: function (event) { event.accepted = true }

    KeyCodeString {
        id: keys
    }

    MouseArea {
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
            color: overlay.accent
        }
        Text {
            x: 10
            anchors.verticalCenter: parent.verticalCenter
            text: Strings.singleKeyTitle
            color: Theme.textTitle
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
        x: 20
        y: 36
        width: parent.width - 40
        horizontalAlignment: Text.AlignHCenter
        text: Strings.assignKeyHint
        color: Theme.textOption
        font.pixelSize: overlay.fontSize + 1
        font.family: overlay.fontFamily
    }

    Rectangle {
        objectName: "singleKeyBox"
        x: 40
        y: 62
        width: parent.width - 80
        height: 44
        radius: 3
        color: Theme.field
        border.color: overlay.keyName !== "" ? overlay.accent : Theme.line
        Text {
            anchors.centerIn: parent
            width: parent.width - 12
            horizontalAlignment: Text.AlignHCenter
            elide: Text.ElideRight
            text: overlay.keyName
            color: Theme.textBright
            font.pixelSize: overlay.fontSize + 9
            font.family: overlay.fontFamily
            font.bold: true
        }
    }

    Row {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 14
        spacing: 10
        Button {
            id: okButton
            objectName: "singleKeyOk"
            width: 80
            text: Strings.keyOk
            enabled: overlay.keyName !== ""
            onClicked: overlay.accept()
        }
        Button {
            id: cancelButton
            objectName: "singleKeyCancel"
            width: 80
            text: Strings.keyCancel
            onClicked: overlay.rejected()
        }
    }
}
