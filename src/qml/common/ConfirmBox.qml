// Asks before something goes that cannot be had back, naming it. It sits over whatever
// overlay asked and hands the keyboard back to it afterwards; Enter is OK, Escape Cancel.
import QtQuick
import ".."

Overlay {
    id: box
    objectName: "ConfirmBox"

    property string text: ""
    // What OK does; what asked gets the keyboard back.
    property var onYes: null
    property Item asker: null

    function ask(title, text, yes, asker) {
        box.title = title
        box.text = text
        box.onYes = yes
        box.asker = asker || null
        x = (parent.width - width) / 2
        y = (parent.height - height) / 2
        visible = true
    }
    function finish(yes) {
        var action = onYes
        onYes = null
        visible = false
        if (asker)
            asker.forceActiveFocus()
        asker = null
        if (yes && action)
            action()
    }

    width: 340
    height: 150
    z: 100
    okName: "confirmOk"
    cancelName: "confirmCancel"
    onOkClicked: finish(true)
    onCancelClicked: finish(false)

    Text {
        x: 20
        y: 40
        width: parent.width - 40
        height: 70
        text: box.text
        wrapMode: Text.WordWrap
        elide: Text.ElideRight
        color: Theme.textBright
        font.pixelSize: box.fontSize + 1
        font.family: box.fontFamily
    }
}
