// A hint shown while the pointer rests on a control whose meaning is not written beside
// it. The bubble is drawn on the page's top item, so that neighbouring panels never cover
// it; nothing runs while the pointer is elsewhere.
import QtQuick
import ".."

Item {
    id: tip

    property string text: ""
    // The pointer is on the control (its MouseArea's containsMouse).
    property bool shown: false
    // The control it explains.
    property Item target: parent
    readonly property bool showing: bubble.visible

    function place() {
        var top = target
        while (top.parent)
            top = top.parent
        bubble.parent = top
        var below = target.mapToItem(top, target.width / 2, target.height + 6)
        bubble.x = Math.max(2, Math.min(top.width - bubble.width - 2, below.x - bubble.width / 2))
        bubble.y = below.y + bubble.height <= top.height - 2
                   ? below.y : target.mapToItem(top, 0, 0).y - bubble.height - 6
        bubble.visible = true
    }

    onShownChanged: if (!shown) bubble.visible = false

    Timer {
        interval: 500
        running: tip.shown && tip.text !== "" && !bubble.visible
        onTriggered: tip.place()
    }

    Rectangle {
        id: bubble
        visible: false
        z: 1000
        width: label.width + 16
        height: label.implicitHeight + 10
        radius: 3
        color: Theme.dialog
        border.color: Theme.border
        Text {
            id: label
            x: 8
            y: 5
            width: Math.min(implicitWidth, 300)
            wrapMode: Text.WordWrap
            text: tip.text
            color: Theme.textItem
            font.pixelSize: Theme.fontSize
            font.family: Theme.fontFamily
        }
    }
}
