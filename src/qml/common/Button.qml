// A flat push button of the dark skin: text and/or an icon, lit on hover and press.
import QtQuick
import ".."

Rectangle {
    id: button

    property alias text: label.text
    property url icon: ""
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily
    property color accent: Theme.accent
    property bool hovered: area.containsMouse

    signal clicked()

    implicitWidth: Math.max(label.implicitWidth + (icon.toString() !== "" ? 30 : 16), 24)
    implicitHeight: 22
    radius: 3
    opacity: enabled ? 1.0 : 0.4
    color: area.pressed ? Theme.pressed : (hovered ? Theme.hover : Theme.buttonFace)
    border.color: hovered ? accent : Theme.border
    border.width: 1

    Image {
        id: iconImage
        visible: button.icon.toString() !== ""
        source: button.icon
        sourceSize: Qt.size(16, 16)
        anchors.verticalCenter: parent.verticalCenter
        x: label.text === "" ? (parent.width - width) / 2 : 6
    }

    Text {
        id: label
        anchors.verticalCenter: parent.verticalCenter
        x: button.icon.toString() !== "" ? iconImage.x + 19 : (parent.width - width) / 2
        width: Math.min(implicitWidth, button.width - (button.icon.toString() !== "" ? 27 : 8))
        elide: Text.ElideRight
        color: button.hovered ? button.accent : Theme.textItem
        font.pixelSize: button.fontSize + 1
        font.family: button.fontFamily
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        onClicked: button.clicked()
    }
}
