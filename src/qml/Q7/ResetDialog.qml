// Asks before the current profile goes back to the factory settings. It can be dragged
// by its title, never out of the page.
import QtQuick
import ".."

Overlay {
    id: dialog
    objectName: "ResetDialog"

    property string text: ""

    signal accepted()
    signal rejected()

    width: 300
    height: 140
    okName: "resetOk"
    cancelName: "resetCancel"
    onOkClicked: accepted()
    onCancelClicked: rejected()

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
}
