// Root page placeholder: the contract the program relies on (initUI, run, setProtectUI,
// detectKeyboard, detectMouse on a 1000 x 640 root that stays invisible until initUI),
// with a panel that shows the link is alive. The real pages replace it.
import QtQuick

Item {
    id: root
    width: 1000
    height: 640
    visible: false

    // What the program has asked of the page so far; the shell's tests read these.
    property int initCount: 0
    property int runCount: 0
    property int protectTime: -1
    property var lastKey: []
    property var lastMouse: []
    property string firmware: ""

    function initUI() {
        initCount += 1
        visible = true
    }

    function run() {
        runCount += 1
        firmware = ui_View.ui_80H_GetFWVersion()
    }

    function setProtectUI(busyTime) {
        protectTime = busyTime
    }

    function detectKeyboard(isDown, code) {
        lastKey = [isDown, code]
    }

    function detectMouse(isDown, code, x, y) {
        lastMouse = [isDown, code, x, y]
    }

    Rectangle {
        id: panel
        objectName: "panel"
        anchors.fill: parent
        radius: 24
        color: "#f01d2026"
        border.color: "#4a505a"
        border.width: 1

        MouseArea {
            // Dragging the frameless window by its panel.
            anchors.fill: parent
            property point pressedAt
            onPressed: function (mouse) { pressedAt = Qt.point(mouse.x, mouse.y) }
            onPositionChanged: function (mouse) {
                ui_Ctl.onXChanged(mouse.x - pressedAt.x)
                ui_Ctl.onYChanged(mouse.y - pressedAt.y)
            }
        }

        Rectangle {
            id: accent
            anchors.top: parent.top
            anchors.topMargin: 56
            anchors.horizontalCenter: parent.horizontalCenter
            width: 64
            height: 4
            radius: 2
            color: "#ff6a1a"
        }

        Text {
            id: title
            objectName: "titleText"
            anchors.top: accent.bottom
            anchors.topMargin: 24
            anchors.horizontalCenter: parent.horizontalCenter
            text: "HALDORA SKARN MOUSE R418"
            color: "#eef0f3"
            font.pixelSize: 34
            font.bold: true
            font.letterSpacing: 2
        }

        Text {
            id: status
            objectName: "statusText"
            anchors.centerIn: parent
            text: root.runCount > 0 ? "Mouse ready" : "Waiting for the mouse"
            color: root.runCount > 0 ? "#6fd08c" : "#f0a04b"
            font.pixelSize: 26
        }

        Text {
            objectName: "firmwareText"
            anchors.top: status.bottom
            anchors.topMargin: 16
            anchors.horizontalCenter: parent.horizontalCenter
            text: root.firmware.length > 0 ? "Firmware " + root.firmware : ""
            color: "#9aa3ad"
            font.pixelSize: 18
        }

        Text {
            objectName: "closeButton"
            anchors.top: parent.top
            anchors.right: parent.right
            anchors.margins: 20
            text: "\u2715"
            color: "#9aa3ad"
            font.pixelSize: 22
            MouseArea {
                anchors.fill: parent
                onClicked: ui_Ctl.onClose()
            }
        }
    }
}
