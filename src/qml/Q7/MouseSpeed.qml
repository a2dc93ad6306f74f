// Pointer speed of the desktop.
import QtQuick
import ".."

DialPanel {
    objectName: "MouseSpeed"
    title: Strings.mouseSpeed
    load: function () { return ui_View.getCursorSpeed() }
    store: function (level) { ui_View.setCursorSpeed(level) }
}
