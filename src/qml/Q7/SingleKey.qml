// Gives a button one keyboard key: while it shows, the next key pressed anywhere on the
// desktop (the keystroke capture, through the main page) is named here, and OK gives it to
// the button. A key without a name cannot be given.
import QtQuick
import ".."

Overlay {
    id: overlay
    objectName: "SingleKey"

    property int button: -1
    property string keyName: ""

    // (button, HID keyboard usage)
    signal accepted(int button, int usage)
    signal rejected()

    function open(forButton) {
        button = forButton
        keyName = ""
        visible = true
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
    title: Strings.singleKeyTitle
    okText: Strings.keyOk
    cancelText: Strings.keyCancel
    okName: "singleKeyOk"
    cancelName: "singleKeyCancel"
    okEnabled: keyName !== ""
    // Escape is a key like any other here.
    closesOnEscape: false
    onOkClicked: accept()
    onCancelClicked: rejected()

    // The keys go to the desktop-wide capture; here they only must not reach the page.
    Keys.onPressed: function (event) { event.accepted = true }

    KeyCodeString {
        id: keys
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
}
