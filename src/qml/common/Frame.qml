// The panel frame of both columns: a 242 x 18 title bar (title left, a dash right) over
// a translucent body. Clicking the bar folds the body away and back.
import QtQuick

Item {
    id: frame

    property string title: ""
    property int bodyHeight: 100
    property bool opened: true
    property int fontSize: 11
    property string fontFamily: "Arial"
    property color accent: "#FF00FFFF"
    property int animationSpeed: 300
    default property alias content: body.data

    signal openCloseMenu()
    signal clickFrame()

    width: 242
    height: titleBar.height + body.height
    clip: true

    Rectangle {
        id: titleBar
        width: parent.width
        height: 18
        color: "#1a1a1a"

        Rectangle {
            width: 2
            height: parent.height
            color: frame.accent
        }

        Text {
            x: 8
            anchors.verticalCenter: parent.verticalCenter
            text: frame.title
            color: "#e6ebf0"
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
            color: titleArea.containsMouse ? frame.accent : "#9aa3ad"
        }

        MouseArea {
            id: titleArea
            anchors.fill: parent
            hoverEnabled: true
            onClicked: {
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
        color: "#b31a1a1a"
        clip: true
        Behavior on height {
            NumberAnimation { duration: frame.animationSpeed; easing.type: Easing.OutCubic }
        }
    }
}
