// A slider with a few fixed positions (0 ... steps - 1), set by a press or a drag.
import QtQuick

Item {
    id: slider

    property int steps: 5
    property int value: steps - 1
    property color accent: "#FF00FFFF"
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
        color: "#0c0e11"
        border.color: "#343a42"
        Rectangle {
            width: parent.width * slider.value / (slider.steps - 1)
            height: parent.height
            radius: 2
            color: slider.active ? slider.accent : "#5a616c"
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
            color: "#5a616c"
        }
    }
    Rectangle {
        width: 10
        height: 10
        radius: 5
        anchors.verticalCenter: parent.verticalCenter
        x: 6 + slider.value * (slider.width - 12) / (slider.steps - 1) - width / 2
        color: slider.active ? "#f0f4f8" : "#9aa3ad"
        border.color: slider.accent
    }
    MouseArea {
        anchors.fill: parent
        preventStealing: true
        property int before: 0
        onPressed: function (mouse) {
            before = slider.value
            slider.value = slider.positionAt(mouse.x)
        }
        onPositionChanged: function (mouse) { slider.value = slider.positionAt(mouse.x) }
        onReleased: slider.moved(slider.value)
    }
}
