// Double-click speed of the desktop, as a dial level 0 ... 11 kept in the profile.
import QtQuick
import "../common"

Frame {
    id: panel
    objectName: "DoubleClickSpeed"

    property var mainLang: []
    property int skinNo: 1
    property alias value: dial.value
    readonly property alias picture: dial.picture

    title: mainLang[11] !== undefined ? mainLang[11] : ""
    bodyHeight: 106

    function init(send) {
        var n = Number(ui_View.getDoubleClickSpeed())
        if (!isFinite(n))
            return
        dial.value = Math.max(0, Math.min(11, Math.round(n)))
        if (send)
            ui_View.setDoubleClickSpeed(dial.value)
    }

    Dial {
        id: dial
        y: 4
        skinNo: panel.skinNo
        slowText: panel.mainLang[13] !== undefined ? panel.mainLang[13] : ""
        fastText: panel.mainLang[14] !== undefined ? panel.mainLang[14] : ""
        fontSize: panel.fontSize
        fontFamily: panel.fontFamily
        accent: panel.accent
        onLevelChange: function (value) { ui_View.setDoubleClickSpeed(value) }
    }
}
