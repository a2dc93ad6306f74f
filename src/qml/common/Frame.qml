// The panel frame of both columns: a 242 x 18 title bar (title left, a dash right) over
// a translucent body. Clicking the bar folds the body away and back.
import QtQuick
import ".."

Item {
    id: frame

    property string title: ""
    property int bodyHeight: 100
    property bool opened: true
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily
    property color accent: Theme.accent
    property int animationSpeed: Theme.animationSpeed
    default property alias content: body.data
    // Folding animates; a body that grows or shrinks for its content (a note) does not, so
    // the column never moves under a pointer for the length of an animation.
    property bool folding: false

    signal openCloseMenu()
    signal clickFrame()

    width: 242
    height: titleBar.height + body.height
    clip: true

    Rectangle {
        id: titleBar
        width: parent.width
        height: 18
        color: Theme.titleBar

        Rectangle {
            width: 2
            height: parent.height
            color: frame.accent
        }

        Text {
            x: 8
            anchors.verticalCenter: parent.verticalCenter
            text: frame.title
            color: Theme.textTitle
            font.pixelSize: frame.fontSize + 1
            font.family: frame.fontFamily
            font.bold: true
        }

        Rectangle {
            width: 9
            height: 2
            anchors.right: parent.right
            anchors.rightMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            color: titleArea.containsMouse ? frame.accent : Theme.textDim
        }

        MouseArea {
            id: titleArea
            anchors.fill: parent
            hoverEnabled: true
            onClicked: {
                frame.folding = true
                frame.opened = !frame.opened
                frame.openCloseMenu()
                frame.clickFrame()
            }
        }
    }

    Rectangle {
        id: body
        y: titleBar.height
        width: parent.width
        height: frame.opened ? frame.bodyHeight : 0
        color: Theme.panel
        clip: true
        Behavior on height {
            enabled: frame.folding
            NumberAnimation {
                duration: frame.animationSpeed
                easing.type: Easing.OutCubic
                onRunningChanged: if (!running) frame.folding = false
            }
        }
    }
}
