// The page's background: the dark body of the window, drawn once.
import QtQuick
import ".."

Item {
    id: environment
    objectName: "Environment"

    property int skinNo: Theme.skinNo

    width: 1000
    height: 640

    Image {
        anchors.fill: parent
        source: "../images/skin" + environment.skinNo + "/background.svg"
        sourceSize: Qt.size(environment.width, environment.height)
        cache: false
    }
}
