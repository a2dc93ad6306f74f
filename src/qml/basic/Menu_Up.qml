// The top menu: minimise (0), close (1), help (2).
import QtQuick
import ".."

Row {
    id: menu
    objectName: "Menu_Up"

    property int skinNo: Theme.skinNo
    property color accent: Theme.accent

    signal menuClicked(int index)

    spacing: 4

    Repeater {
        model: ["icon_minimize", "icon_close", "icon_help"]
        delegate: Rectangle {
            required property string modelData
            required property int index
            objectName: "Menu_Up_" + index
            width: 26
            height: 20
            radius: 3
            color: area.pressed ? Theme.pressed : (area.containsMouse ? Theme.hover : "transparent")
            border.color: area.containsMouse ? menu.accent : "transparent"
            Image {
                anchors.centerIn: parent
                source: "../images/skin" + menu.skinNo + "/" + modelData + ".svg"
                sourceSize: Qt.size(16, 16)
            }
            MouseArea {
                id: area
                anchors.fill: parent
                hoverEnabled: true
                onClicked: menu.menuClicked(index)
            }
            ToolTip {
                shown: area.containsMouse
                text: [Strings.minimizeTip, Strings.closeTip, Strings.helpTip][index]
            }
        }
    }
}
