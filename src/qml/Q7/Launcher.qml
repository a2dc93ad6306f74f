// The launcher box of the left column: opens the macro editor and the gun control.
import QtQuick
import "../common"

Rectangle {
    id: box
    objectName: "Launcher"

    property int skinNo: 1
    property string macroText: "Macro Manager"
    property string gunText: "Gun Manager"
    property bool macroAvailable: false
    property bool gunAvailable: false
    property int fontSize: 11
    property string fontFamily: "Arial"
    property color accent: "#FF00FFFF"

    signal openMacroEditor()
    signal openGunControl()

    width: 242
    height: 40
    color: "#b31a1a1a"

    Row {
        anchors.centerIn: parent
        spacing: 4
        Button {
            objectName: "launchMacroEditor"
            width: 117
            height: 26
            text: box.macroText
            icon: Qt.resolvedUrl("../images/skin" + box.skinNo + "/icon_macro.svg")
            enabled: box.macroAvailable
            fontSize: box.fontSize - 1
            fontFamily: box.fontFamily
            accent: box.accent
            onClicked: box.openMacroEditor()
        }
        Button {
            objectName: "launchGunControl"
            width: 117
            height: 26
            text: box.gunText
            icon: Qt.resolvedUrl("../images/skin" + box.skinNo + "/icon_gun.svg")
            enabled: box.gunAvailable
            fontSize: box.fontSize - 1
            fontFamily: box.fontFamily
            accent: box.accent
            onClicked: box.openGunControl()
        }
    }
}
