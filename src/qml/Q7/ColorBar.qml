// The colour picker of the DPI panel: six preset colours, and R, G, B as numbers 0 ... 255.
// A number that is not one of those is refused and the last good one shows again.
import QtQuick
import ".."

Rectangle {
    id: bar
    objectName: "ColorBar"

    property color current: "#ff0000"
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily
    property color accent: Theme.accent
    readonly property var presets: ["#ff0000", "#00ff00", "#0000ff", "#ffff00", "#00ffff", "#ff00ff"]

    signal colorPicked(color picked)

    function presetAt(i) {
        return presetRepeater.itemAt(i)
    }
    function inputAt(channel) {
        return [rInput, gInput, bInput][channel].input
    }

    function toByte(c) {
        return Math.round(c * 255)
    }

    // Shows the colour of the square that opened the bar.
    function open(color) {
        current = color
        rInput.input.text = toByte(current.r)
        gInput.input.text = toByte(current.g)
        bInput.input.text = toByte(current.b)
        visible = true
    }

    function pick(color) {
        open(color)
        colorPicked(current)
    }

    // One channel typed in: 0 ... 255 is taken, anything else restores the shown value.
    function commit(channel, field) {
        var text = field.text.trim()
        var n = Number(text)
        var old = toByte([current.r, current.g, current.b][channel])
        if (text === "" || !/^[0-9]+$/.test(text) || n > 255) {
            field.text = old
            field.selectAll()
            return false
        }
        field.text = n
        if (n === old)
            return true
        var rgb = [toByte(current.r), toByte(current.g), toByte(current.b)]
        rgb[channel] = n
        current = Qt.rgba(rgb[0] / 255, rgb[1] / 255, rgb[2] / 255, 1)
        colorPicked(current)
        return true
    }

    width: 218
    height: 78
    radius: 4
    color: Theme.popup
    border.color: accent
    visible: false

    // A press inside must not reach the page behind (which would close the bar).
    MouseArea {
        anchors.fill: parent
    }

    Row {
        id: presetRow
        x: 10
        y: 10
        spacing: 9
        Repeater {
            id: presetRepeater
            model: bar.presets
            delegate: Rectangle {
                required property string modelData
                width: 25
                height: 18
                radius: 2
                color: modelData
                border.color: presetArea.containsMouse ? Theme.textBright : Theme.line
                MouseArea {
                    id: presetArea
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: bar.pick(parent.color)
                }
            }
        }
    }

    component Channel: Row {
        id: channel
        property string label: ""
        property int channelNo: 0
        property alias input: field
        spacing: 4
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: channel.label
            color: Theme.textLabel
            font.pixelSize: bar.fontSize
            font.family: bar.fontFamily
        }
        Rectangle {
            width: 36
            height: 20
            radius: 2
            color: Theme.field
            border.color: field.activeFocus ? bar.accent : Theme.inactive
            TextInput {
                id: field
                anchors.fill: parent
                anchors.margins: 3
                horizontalAlignment: TextInput.AlignHCenter
                verticalAlignment: TextInput.AlignVCenter
                maximumLength: 3
                validator: RegularExpressionValidator { regularExpression: /[0-9]{0,3}/ }
                color: Theme.textBright
                selectionColor: Theme.selection
                selectByMouse: true
                font.pixelSize: bar.fontSize + 1
                font.family: bar.fontFamily
                onAccepted: bar.commit(channel.channelNo, field)
                onActiveFocusChanged: {
                    if (activeFocus)
                        Qt.callLater(function () { field.selectAll() })
                    else
                        bar.commit(channel.channelNo, field)
                }
            }
        }
    }

    Row {
        x: 10
        y: 42
        spacing: 8
        Channel { id: rInput; label: "R"; channelNo: 0 }
        Channel { id: gInput; label: "G"; channelNo: 1 }
        Channel { id: bInput; label: "B"; channelNo: 2 }
        Rectangle {
            width: 22
            height: 20
            radius: 2
            color: bar.current
            border.color: Theme.outline
        }
    }
}
