// One DPI stage of the DPI panel: the value, a 154 px bar, the stage's check box and its
// colour square. The bar's filled height is the value: 250 at the bottom, 4000 at the top.
import QtQuick
import ".."
import MouseSuite.Model

Item {
    id: stage

    property int stageNo: 0
    property int value: 4000
    property bool checked: false
    property color stageColor: "#000000"
    property bool colorSelected: false
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily
    property color accent: Theme.accent

    readonly property int barHeight: 154
    readonly property alias bar: barArea
    readonly property alias colorSquare: square

    signal valueChange(int value)
    signal checkChange(bool checked)
    signal colorClicked()

    // The DPI button steps through this stage: the others are shown as out of reach.
    property bool stepped: true

    // The value a press at bar height h (from the bar's bottom) stands for: the known
    // value nearest to it, so that what shows is what the mouse runs.
    function valueAt(h) {
        h = Math.max(0, Math.min(barHeight, h))
        return DpiTable.nearest(3750 * h / 154 + 250)
    }
    // Shows a stored value as the mouse runs it (a stored 1850 runs as 2000).
    function initUI(v) {
        var n = Number(v)
        if (v === undefined || v === null || v === "" || !isFinite(n))
            return
        value = DpiTable.running(Math.round(n))
    }

    width: 38
    height: 233

    Text {
        id: valueText
        anchors.horizontalCenter: parent.horizontalCenter
        y: 4
        text: stage.value
        color: Theme.textTitle
        font.pixelSize: stage.fontSize
        font.family: stage.fontFamily
    }

    Rectangle {
        id: track
        anchors.horizontalCenter: parent.horizontalCenter
        y: 22
        width: 12
        height: stage.barHeight
        radius: 2
        color: Theme.field
        border.color: Theme.line

        Rectangle {
            id: fill
            anchors.bottom: parent.bottom
            width: parent.width
            height: (stage.value - 250) * 154 / 3750
            radius: 2
            gradient: Gradient {
                GradientStop { position: 0.0; color: stage.accent }
                GradientStop { position: 1.0; color: Theme.gaugeFoot }
            }
        }
        Rectangle {
            width: 18
            height: 4
            radius: 2
            anchors.horizontalCenter: parent.horizontalCenter
            y: Math.max(0, Math.min(parent.height - height, parent.height - fill.height - height / 2))
            color: Theme.textValue
        }
    }

    MouseArea {
        id: barArea
        // The bar's own height, a little wider than the track so it is easy to hit.
        x: 0
        y: track.y
        width: parent.width
        height: stage.barHeight
        preventStealing: true
        property int before: stage.value
        function follow(mouseY) {
            stage.value = stage.valueAt(stage.barHeight - mouseY)
        }
        onPressed: function (mouse) {
            before = stage.value
            follow(mouse.y)
        }
        onPositionChanged: function (mouse) { follow(mouse.y) }
        onReleased: {
            if (stage.value !== before)
                stage.valueChange(stage.value)
        }
        onCanceled: stage.value = before
        hoverEnabled: true
    }
    ToolTip {
        target: track
        shown: barArea.containsMouse && !barArea.pressed
        text: Strings.dpiBarTip
    }

    Rectangle {
        id: box
        objectName: "dpiCheck" + stage.stageNo
        anchors.horizontalCenter: parent.horizontalCenter
        y: track.y + track.height + 8
        width: 14
        height: 14
        radius: 2
        color: Theme.field
        opacity: stage.stepped ? 1 : 0.35
        border.color: boxArea.containsMouse && stage.stepped ? stage.accent : Theme.inactive
        Rectangle {
            anchors.centerIn: parent
            width: 8
            height: 8
            radius: 1
            visible: stage.checked && stage.stepped
            color: stage.accent
        }
        MouseArea {
            id: boxArea
            anchors.fill: parent
            anchors.margins: -3
            hoverEnabled: true
            onClicked: {
                if (!stage.stepped)
                    return
                stage.checked = !stage.checked
                stage.checkChange(stage.checked)
            }
        }
        ToolTip {
            objectName: "dpiCheckTip" + stage.stageNo
            shown: boxArea.containsMouse
            text: stage.stepped ? Strings.dpiTickTip : Strings.dpiStageOutOfReach
        }
    }

    Rectangle {
        id: square
        objectName: "dpiColor" + stage.stageNo
        anchors.horizontalCenter: parent.horizontalCenter
        y: box.y + box.height + 8
        width: 18
        height: 18
        radius: 2
        color: stage.stageColor
        border.width: stage.colorSelected ? 2 : 1
        border.color: stage.colorSelected || squareArea.containsMouse ? stage.accent : Theme.outline
        MouseArea {
            id: squareArea
            anchors.fill: parent
            hoverEnabled: true
            onClicked: stage.colorClicked()
        }
        ToolTip {
            shown: squareArea.containsMouse
            text: Strings.dpiColorTip
        }
    }
}
