// A slider with a few fixed positions (0 ... steps - 1), set by a press or a drag.
import QtQuick
import ".."

Item {
    id: slider

    property int steps: 5
    property int value: steps - 1
    property color accent: Theme.accent
    property bool active: true

    signal moved(int value)

    function positionAt(x) {
        var span = width - 12
        var p = Math.round((x - 6) / span * (steps - 1))
        return Math.max(0, Math.min(steps - 1, p))
    }

    height: 16

    Rectangle {
        id: groove
        x: 6
        width: parent.width - 12
        height: 4
        radius: 2
        anchors.verticalCenter: parent.verticalCenter
        color: Theme.field
        border.color: Theme.line
        Rectangle {
            width: parent.width * slider.value / (slider.steps - 1)
            height: parent.height
            radius: 2
            color: slider.active ? slider.accent : Theme.inactive
        }
    }
    Repeater {
        model: slider.steps
        delegate: Rectangle {
            required property int index
            x: 6 + index * (slider.width - 12) / (slider.steps - 1) - 1
            y: slider.height - 3
            width: 2
            height: 3
            color: Theme.inactive
        }
    }
    Rectangle {
        width: 10
        height: 10
        radius: 5
        anchors.verticalCenter: parent.verticalCenter
        x: 6 + slider.value * (slider.width - 12) / (slider.steps - 1) - width / 2
        color: slider.active ? Theme.textValue : Theme.textDim
        border.color: slider.accent
    }
    // A hint while the pointer rests on it ("" for none).
    property string tip: ""
    ToolTip {
        shown: sliderArea.containsMouse && !sliderArea.pressed
        text: slider.tip
    }
    MouseArea {
        id: sliderArea
        anchors.fill: parent
        preventStealing: true
        hoverEnabled: slider.tip !== ""
        property int before: 0
        onPressed: function (mouse) {
            before = slider.value
            slider.value = slider.positionAt(mouse.x)
        }
        onPositionChanged: function (mouse) { slider.value = slider.positionAt(mouse.x) }
        onReleased: slider.moved(slider.value)
    }
}
