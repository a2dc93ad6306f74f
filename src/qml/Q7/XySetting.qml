// Axis sensitivity: X and Y, ten steps each. The mouse takes (step + 1) × 20, 20 to 200;
// the profile keeps the step.
import QtQuick
import ".."

Frame {
    id: panel
    objectName: "XySetting"
    readonly property alias xSlider: xSlider
    readonly property alias ySlider: ySlider

    title: Strings.axisSensitivity
    bodyHeight: 88

    function valueOf(step) {
        return (step + 1) * 20
    }

    function send() {
        ui_View.ui_0EH_SetXYSensitive(valueOf(xSlider.value), valueOf(ySlider.value))
    }

    function store() {
        ui_View.setXYSensitive(0, xSlider.value)
        ui_View.setXYSensitive(1, ySlider.value)
        send()
    }

    // A stored step out of 0 ... 9 is kept to it; one that is no number shows the middle.
    function stepOf(stored) {
        var n = Number(stored)
        if (String(stored).trim() === "" || !isFinite(n))
            return 4
        return Math.max(0, Math.min(9, Math.round(n)))
    }

    function init(doSend) {
        xSlider.value = stepOf(ui_View.getXYSensitive(0))
        ySlider.value = stepOf(ui_View.getXYSensitive(1))
        if (doSend)
            send()
    }

    // Ten steps along 230 px: the step boundaries lie at 30, 52, 74, 95, 116, 137, 159,
    // 180 and 200 px; the handle sits in the middle of its step.
    component AxisSlider: Item {
        id: slider
        property int value: 4
        property string label: ""
        readonly property var bounds: [30, 52, 74, 95, 116, 137, 159, 180, 200]
        signal stepChosen()

        function stepAt(x) {
            var step = 0
            while (step < bounds.length && x >= bounds[step])
                ++step
            return step
        }
        function centreOf(step) {
            return 19 + step * 192 / 9
        }

        width: 230
        height: 38

        Text {
            x: 4
            y: 2
            text: slider.label
            color: Theme.textLabel
            font.pixelSize: panel.fontSize
            font.family: panel.fontFamily
        }
        Text {
            anchors.right: parent.right
            anchors.rightMargin: 4
            y: 2
            text: panel.valueOf(slider.value)
            color: Theme.textBright
            font.pixelSize: panel.fontSize
            font.family: panel.fontFamily
            font.bold: true
        }
        Rectangle {
            id: groove
            x: slider.centreOf(0)
            y: 26
            width: slider.centreOf(9) - x
            height: 4
            radius: 2
            color: Theme.field
            border.color: Theme.line
            Rectangle {
                width: slider.centreOf(slider.value) - groove.x
                height: parent.height
                radius: 2
                color: panel.accent
            }
        }
        Repeater {
            model: 10
            delegate: Rectangle {
                required property int index
                x: slider.centreOf(index) - 1
                y: 33
                width: 2
                height: 3
                color: index <= slider.value ? Theme.outline : Theme.tickOff
            }
        }
        Rectangle {
            width: 12
            height: 12
            radius: 6
            x: slider.centreOf(slider.value) - width / 2
            y: groove.y + groove.height / 2 - height / 2
            color: Theme.textValue
            border.color: panel.accent
            border.width: 2
        }
        MouseArea {
            anchors.fill: parent
            preventStealing: true
            property int before: 0
            onPressed: function (mouse) {
                before = slider.value
                slider.value = slider.stepAt(mouse.x)
            }
            onPositionChanged: function (mouse) {
                if (pressed)
                    slider.value = slider.stepAt(mouse.x)
            }
            onReleased: {
                if (slider.value !== before)
                    slider.stepChosen()
            }
        }
    }

    Column {
        x: 6
        y: 5
        spacing: 4
        AxisSlider {
            id: xSlider
            objectName: "xAxisSlider"
            label: Strings.xAxis
            onStepChosen: panel.store()
        }
        AxisSlider {
            id: ySlider
            objectName: "yAxisSlider"
            label: Strings.yAxis
            onStepChosen: panel.store()
        }
    }
}
