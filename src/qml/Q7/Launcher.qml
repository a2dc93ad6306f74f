// The launcher box of the left column: opens the macro editor and the gun control.
import QtQuick
import ".."

Rectangle {
    id: box
    objectName: "Launcher"

    property int skinNo: Theme.skinNo
    property string macroText: "Macro Manager"
    property string gunText: "Gun Manager"
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily
    property color accent: Theme.accent

    signal openMacroEditor()
    signal openGunControl()

    width: 242
    height: 40
    color: Theme.panel

    Row {
        anchors.centerIn: parent
        spacing: 4
        Button {
            objectName: "launchMacroEditor"
            width: 117
            height: 26
            text: box.macroText
            icon: Qt.resolvedUrl("../images/skin" + box.skinNo + "/icon_macro.svg")
            fontSize: box.fontSize - 1
            onClicked: box.openMacroEditor()
        }
        Button {
            objectName: "launchGunControl"
            width: 117
            height: 26
            text: box.gunText
            icon: Qt.resolvedUrl("../images/skin" + box.skinNo + "/icon_gun.svg")
            fontSize: box.fontSize - 1
            onClicked: box.openGunControl()
        }
    }
}
