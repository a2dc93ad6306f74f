// Report rate: a picture in four quadrants, each a polling interval in ms.
import QtQuick
import ".."

Frame {
    id: panel
    objectName: "ReportRate"
    property int value: 1
    readonly property alias picture: picture

    title: Strings.reportRate
    bodyHeight: 108

    // Top left 8 ms, top right 1, bottom left 4, bottom right 2.
    function valueAt(x, y) {
        var right = x >= picture.width / 2
        var bottom = y >= picture.height / 2
        if (!bottom)
            return right ? 1 : 8
        return right ? 2 : 4
    }

    function set(v) {
        if (v === value)
            return
        value = v
        ui_View.ui_01H_SetReportRate(value)
    }

    // Anything above 8 ms is taken as 8; what is not a rate at all leaves the panel as it is.
    function init(send) {
        var stored = ui_View.ui_81H_GetReportRate()
        var n = Number(stored)
        if (stored === undefined || stored === null || stored === "" || !isFinite(n))
            return
        value = Math.max(1, Math.min(8, Math.round(n)))
        if (send)
            ui_View.ui_01H_SetReportRate(value)
    }

    Item {
        id: picture
        x: 8
        y: 8
        width: 226
        height: 92

        Grid {
            columns: 2
            spacing: 2
            Repeater {
                model: [[8, "125 Hz"], [1, "1000 Hz"], [4, "250 Hz"], [2, "500 Hz"]]
                delegate: Rectangle {
                    required property var modelData
                    readonly property bool selected: panel.value === modelData[0]
                    width: 112
                    height: 45
                    radius: 3
                    color: selected ? Theme.pressed : Theme.tile
                    border.color: selected ? panel.accent : Theme.line
                    Text {
                        anchors.centerIn: parent
                        text: modelData[1]
                        color: parent.selected ? panel.accent : Theme.textLabel
                        font.pixelSize: panel.fontSize + 3
                        font.family: panel.fontFamily
                        font.bold: parent.selected
                    }
                    Text {
                        anchors.right: parent.right
                        anchors.bottom: parent.bottom
                        anchors.margins: 3
                        text: modelData[0] + " ms"
                        color: Theme.marker
                        font.pixelSize: panel.fontSize - 2
                        font.family: panel.fontFamily
                    }
                }
            }
        }
        MouseArea {
            anchors.fill: parent
            onClicked: function (mouse) { panel.set(panel.valueAt(mouse.x, mouse.y)) }
        }
    }
}
