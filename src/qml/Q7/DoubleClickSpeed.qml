// Double-click speed of the desktop, as a dial level 0 ... 11 kept in the profile.
import QtQuick
import ".."

Frame {
    id: panel
    objectName: "DoubleClickSpeed"
    property int skinNo: Theme.skinNo
    property alias value: dial.value
    readonly property alias picture: dial.picture

    title: Strings.doubleClickSpeed
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
        slowText: Strings.slow
        fastText: Strings.fast
        onLevelChange: function (value) { ui_View.setDoubleClickSpeed(value) }
    }
}
