// Under a desktop setting the desktop did not take: the profile keeps the choice, and the
// user learns where the setting lives instead of a dial that changed nothing.
import QtQuick
import ".."

Text {
    objectName: "desktopNote"
    property int fontSize: 11
    property string fontFamily: ""
    x: 8
    width: parent ? parent.width - 16 : 200
    wrapMode: Text.WordWrap
    text: Strings.desktopKeeps
    color: Theme.warning
    font.pixelSize: fontSize
    font.family: fontFamily
}
