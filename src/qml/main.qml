// Root page. For now a single panel that tells whether the mouse was found at start-up;
// `mouseFound` is set by the program before the page loads.
import QtQuick

Item {
    id: root
    width: 1000
    height: 640

    Rectangle {
        id: panel
        objectName: "panel"
        anchors.fill: parent
        radius: 24
        color: "#f01d2026"
        border.color: "#4a505a"
        border.width: 1

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
            text: mouseFound ? "Mouse found" : "No mouse"
            color: mouseFound ? "#6fd08c" : "#f0a04b"
            font.pixelSize: 26
        }
    }
}
