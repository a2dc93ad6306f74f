// The help menu under the top menu's help button: our help pages, the firmware updater
// and the version.
import QtQuick
import ".."

Rectangle {
    id: menu
    objectName: "HelpMenu"

    property string helpAddress: ""
    property string helpText: "Help"
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily

    signal helpChosen()
    signal updateChosen()

    function rowAt(i) {
        return rows.itemAt(i)
    }

    width: 159
    height: 64
    color: Theme.helpFill
    border.color: Theme.helpBorder
    visible: false

    Column {
        x: 1
        y: 1
        Repeater {
            id: rows
            model: [menu.helpText, "update", "verison:1.0"]
            delegate: Rectangle {
                required property string modelData
                required property int index
                width: 157
                height: 21
                color: area.containsMouse && index < 2 ? Theme.helpBorder : "transparent"
                Text {
                    x: 8
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData
                    color: index < 2 ? Theme.textBright : Theme.helpMuted
                    font.pixelSize: menu.fontSize + 1
                    font.family: menu.fontFamily
                }
                MouseArea {
                    id: area
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: {
                        if (index === 0) {
                            menu.visible = false
                            menu.helpChosen()
                        } else if (index === 1) {
                            menu.visible = false
                            menu.updateChosen()
                        }
                    }
                }
            }
        }
    }
}
