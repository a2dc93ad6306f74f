// A setting that did not reach the mouse, said where the user is: a bar naming it, with
// Retry. The profile keeps the choice; the program sends the whole profile again by itself
// once the mouse answers, and the bar goes when the mouse holds the profile again.
import QtQuick
import ".."

Rectangle {
    id: notice

    // The codes of the commands that failed since the bar showed, in order.
    property var codes: []
    readonly property alias retryButton: retryButton
    readonly property alias text: label.text

    signal retry()

    function failed(code) {
        if (codes.indexOf(code) < 0)
            codes = codes.concat([code])
        visible = true
    }
    function dismiss() {
        visible = false
        codes = []
    }

    visible: false
    width: 620
    height: 28
    radius: 4
    color: Theme.dialog
    border.color: Theme.warning

    Text {
        id: label
        anchors.verticalCenter: parent.verticalCenter
        x: 12
        width: retryButton.x - x - 10
        elide: Text.ElideRight
        color: Theme.textItem
        font.pixelSize: Theme.fontSize
        font.family: Theme.fontFamily
        text: Strings.sendFailed.arg(notice.codes.map(Strings.settingOfCommand).join(", "))
    }
    Button {
        id: retryButton
        objectName: "sendFailedRetry"
        anchors.verticalCenter: parent.verticalCenter
        x: closeButton.x - width - 6
        width: 70
        text: Strings.retry
        onClicked: {
            notice.dismiss()
            notice.retry()
        }
    }
    Button {
        id: closeButton
        objectName: "sendFailedClose"
        anchors.verticalCenter: parent.verticalCenter
        x: notice.width - width - 6
        width: 24
        text: "×"
        onClicked: notice.dismiss()
    }
}
