// Double-click speed of the desktop.
import QtQuick
import ".."

DialPanel {
    objectName: "DoubleClickSpeed"
    title: Strings.doubleClickSpeed
    load: function () { return ui_View.getDoubleClickSpeed() }
    store: function (level) { ui_View.setDoubleClickSpeed(level) }
}
