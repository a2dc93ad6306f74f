// The bottom menu: one button, back to the factory settings.
import QtQuick
import ".."

Row {
    id: menu
    objectName: "Menu_Down"

    property int skinNo: Theme.skinNo
    property alias text: resetButton.text
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily

    signal menuClicked(int index)

    Button {
        id: resetButton
        objectName: "Menu_Down_0"
        icon: Qt.resolvedUrl("../images/skin" + menu.skinNo + "/icon_reset.svg")
        height: 24
        onClicked: menu.menuClicked(0)
    }
}
