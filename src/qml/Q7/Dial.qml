// A dial from slow (left) to fast (right). The level comes from the angle of the press
// around the dial's centre (half the picture's width, 70 px down): 0 at the far left,
// one more per 18 degrees, 11 at the far right. Presses below the centre count as on the
// horizontal of their side.
import QtQuick
import ".."

Item {
    id: dial

    property int value: 5
    property int skinNo: Theme.skinNo
    property string slowText: ""
    property string fastText: ""
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily
    property color accent: Theme.accent
    readonly property alias picture: picture
    // Held by the pointer: what lies around it waits with changes of its size.
    readonly property alias pressed: area.pressed

    signal levelChange(int value)

    function levelAt(x, y) {
        var cx = picture.width / 2
        var cy = 70
        var angle
        if (y >= cy)
            angle = x < cx ? 0 : 180
        else
            angle = Math.atan2(cy - y, cx - x) * 180 / Math.PI
        if (angle <= 0)
            return 0
        return Math.min(11, Math.trunc(angle / 18) + 1)
    }

    function angleOf(level) {
        if (level <= 0)
            return 0
        if (level >= 11)
            return 180
        return (level - 0.5) * 18
    }

    width: 226
    height: 100

    Image {
        id: picture
        x: (parent.width - width) / 2
        width: 200
        height: 100
        source: "../images/skin" + dial.skinNo + "/dial.svg"
        sourceSize: Qt.size(200, 100)

        Rectangle {
            // The needle, pivoting on the dial's centre; at 0 degrees it points left.
            x: 100 - width
            y: 70 - height / 2
            width: 52
            height: 3
            radius: 1.5
            color: dial.accent
            antialiasing: true
            transformOrigin: Item.Right
            rotation: dial.angleOf(dial.value)
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            y: 80
            text: dial.value
            color: Theme.textBright
            font.pixelSize: dial.fontSize + 3
            font.family: dial.fontFamily
            font.bold: true
        }
        MouseArea {
            id: area
            anchors.fill: parent
            preventStealing: true
            function follow(mouse) {
                var level = dial.levelAt(mouse.x, mouse.y)
                if (level !== dial.value) {
                    dial.value = level
                    dial.levelChange(level)
                }
            }
            onPressed: function (mouse) { follow(mouse) }
            onPositionChanged: function (mouse) { follow(mouse) }
        }
    }
    Text {
        x: picture.x + 18
        y: 78
        text: dial.slowText
        color: Theme.textDim
        font.pixelSize: dial.fontSize
        font.family: dial.fontFamily
    }
    Text {
        x: picture.x + picture.width - 18 - width
        y: 78
        text: dial.fastText
        color: Theme.textDim
        font.pixelSize: dial.fontSize
        font.family: dial.fontFamily
    }
}
