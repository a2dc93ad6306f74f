// The mouse seen from above and from the side; the button with the selected index lights
// up (0 left, 1 right, 2 middle, 3 forward, 4 back, 5 DPI +, 6 DPI -).
import QtQuick
import ".."

Item {
    id: mouse
    objectName: "Mouse"

    property int selectIndex: -1
    property int skinNo: Theme.skinNo
    property string topText: ""
    property string sideText: ""
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily

    readonly property string skinPath: "../images/skin" + skinNo + "/"

    width: 440
    height: 470

    Item {
        id: topView
        x: 10
        y: 0
        width: 180
        height: 300
        Image {
            anchors.fill: parent
            source: mouse.skinPath + "mouse_top.svg"
            sourceSize: Qt.size(180, 300)
        }
        Repeater {
            model: [0, 1, 2, 5, 6]
            delegate: Image {
                required property int modelData
                anchors.fill: parent
                visible: mouse.selectIndex === modelData
                source: visible ? mouse.skinPath + "mouse_top_lit" + modelData + ".svg" : ""
                sourceSize: Qt.size(180, 300)
            }
        }
    }
    Text {
        anchors.horizontalCenter: topView.horizontalCenter
        y: topView.y + topView.height + 10
        text: mouse.topText
        color: Theme.textDim
        font.pixelSize: mouse.fontSize + 1
        font.family: mouse.fontFamily
    }

    Item {
        id: sideView
        x: 140
        y: 330
        width: 300
        height: 150
        Image {
            anchors.fill: parent
            source: mouse.skinPath + "mouse_side.svg"
            sourceSize: Qt.size(300, 150)
        }
        Repeater {
            model: [3, 4]
            delegate: Image {
                required property int modelData
                anchors.fill: parent
                visible: mouse.selectIndex === modelData
                source: visible ? mouse.skinPath + "mouse_side_lit" + modelData + ".svg" : ""
                sourceSize: Qt.size(300, 150)
            }
        }
    }
    Text {
        anchors.horizontalCenter: sideView.horizontalCenter
        y: sideView.y + sideView.height - 6
        text: mouse.sideText
        color: Theme.textDim
        font.pixelSize: mouse.fontSize + 1
        font.family: mouse.fontFamily
    }
}
