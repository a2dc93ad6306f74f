// The bottom menu: one button, back to the factory settings.
import QtQuick
import "../common"

Row {
    id: menu
    objectName: "Menu_Down"

    property int skinNo: 1
    property alias text: resetButton.text
    property int fontSize: 11
    property string fontFamily: "Arial"

    signal menuClicked(int index)

    Button {
        id: resetButton
        objectName: "Menu_Down_0"
        icon: Qt.resolvedUrl("../images/skin" + menu.skinNo + "/icon_reset.svg")
        fontSize: menu.fontSize
        fontFamily: menu.fontFamily
        height: 24
        onClicked: menu.menuClicked(0)
    }
}
