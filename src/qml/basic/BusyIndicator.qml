// "LOADING ......" blinking while the page is locked. The blink runs only while the
// indicator is actually shown, so a hidden or idle page costs no CPU.
import QtQuick
import ".."

Item {
    id: busy
    objectName: "BusyIndicator"

    property alias text: label.text
    property alias running: blink.running
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily
    property color accent: Theme.accent

    width: label.implicitWidth + 24
    height: 26

    Rectangle {
        anchors.fill: parent
        radius: 4
        color: Theme.popup
        border.color: Theme.border
    }

    Text {
        id: label
        anchors.centerIn: parent
        text: "LOADING ......"
        color: busy.accent
        font.pixelSize: busy.fontSize + 2
        font.family: busy.fontFamily
        font.bold: true
        font.letterSpacing: 1
    }

    SequentialAnimation {
        id: blink
        running: busy.visible
        loops: Animation.Infinite
        NumberAnimation { target: label; property: "opacity"; from: 1.0; to: 0.2; duration: 400 }
        NumberAnimation { target: label; property: "opacity"; from: 0.2; to: 1.0; duration: 400 }
        onRunningChanged: if (!running) label.opacity = 1.0
    }
}
