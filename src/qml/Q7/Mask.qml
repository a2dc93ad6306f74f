// Lies over the page while an overlay is open: the page behind takes no input, and
// dragging the mask drags the window, as the empty page does.
import QtQuick
import ".."

Rectangle {
    id: mask
    objectName: "Mask"

    // An item under the mask that still takes presses (the profile button closes the
    // overlay it opened).
    property Item passThrough: null

    signal pressed()

    color: Theme.mask
    visible: false

    MouseArea {
        anchors.fill: parent
        property point pressedAt
        onPressed: function (mouse) {
            var through = mask.passThrough
            if (through && through.visible && through.enabled
                    && through.contains(through.mapFromItem(mask, mouse.x, mouse.y))) {
                mouse.accepted = false
                return
            }
            pressedAt = Qt.point(mouse.x, mouse.y)
            mask.pressed()
        }
        onPositionChanged: function (mouse) {
            if (!pressed)
                return
            ui_Ctl.onXChanged(mouse.x - pressedAt.x)
            ui_Ctl.onYChanged(mouse.y - pressedAt.y)
        }
        onWheel: function (wheel) { wheel.accepted = true }
    }
}
