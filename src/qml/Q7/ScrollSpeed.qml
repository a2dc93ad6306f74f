// Wheel scrolling of the desktop: a number of rows (1 ... 100) or one screen a notch,
// which the desktop takes as 1000 rows.
import QtQuick
import ".."

Frame {
    id: panel
    objectName: "ScrollSpeed"
    property bool screen: false
    property int rows: 3
    // The desktop refused the last value sent (see DesktopNote).
    property bool desktopRefused: false
    readonly property alias rowsOption: rowsOption
    readonly property alias screenOption: screenOption
    readonly property alias input: input

    signal inputFocusChanged(bool focused)

    title: Strings.scrollSpeed
    bodyHeight: desktopRefused ? 96 : 66

    function send() {
        ui_View.setVerticalScrollLines(screen ? 1000 : rows)
    }

    function chooseRows() {
        screen = false
        send()
    }

    function chooseScreen() {
        screen = true
        send()
    }

    // What was typed: a whole number from 1 to 100 is taken (and selects rows); anything
    // else is refused and the last good number shows again.
    function commit() {
        var text = input.text.trim()
        var n = Number(text)
        if (text === "" || !/^[0-9]+$/.test(text) || n < 1 || n > 100) {
            input.text = rows
            input.selectAll()
            return false
        }
        input.text = n
        if (n === rows && !screen)
            return true
        rows = n
        screen = false
        send()
        return true
    }

    function dropFocus() {
        if (input.activeFocus) {
            commit()
            input.focus = false
        }
    }

    function init(doSend) {
        var n = Number(ui_View.getVerticalScrollLines())
        if (!isFinite(n))
            return
        if (n === 1000) {
            screen = true
        } else {
            screen = false
            // A stored count the panel cannot offer is kept to 1 ... 100.
            rows = Math.max(1, Math.min(100, Math.round(n)))
            input.text = rows
        }
        if (doSend)
            send()
    }

    component Radio: Item {
        id: radio
        property bool checked: false
        property string text: ""
        signal clicked()
        width: label.x + label.implicitWidth
        height: 20
        Rectangle {
            y: 3
            width: 14
            height: 14
            radius: 7
            color: Theme.field
            border.color: radio.checked ? panel.accent : Theme.inactive
            Rectangle {
                anchors.centerIn: parent
                width: 6
                height: 6
                radius: 3
                color: panel.accent
                visible: radio.checked
            }
        }
        Text {
            id: label
            x: 20
            anchors.verticalCenter: parent.verticalCenter
            text: radio.text
            color: radio.checked ? Theme.textBright : Theme.textOption
            font.pixelSize: panel.fontSize
            font.family: panel.fontFamily
        }
        MouseArea {
            anchors.fill: parent
            onClicked: radio.clicked()
        }
    }

    DesktopNote {
        y: 64
        visible: panel.desktopRefused
        fontSize: panel.fontSize - 1
        fontFamily: panel.fontFamily
    }

    Radio {
        id: rowsOption
        x: 8
        y: 8
        checked: !panel.screen
        text: Strings.numberOfRows
        onClicked: panel.chooseRows()
    }

    Rectangle {
        x: 170
        y: 7
        width: 44
        height: 20
        radius: 2
        color: Theme.field
        border.color: input.activeFocus ? panel.accent : Theme.inactive
        TextInput {
            id: input
            objectName: "scrollRowsInput"
            anchors.fill: parent
            anchors.margins: 3
            horizontalAlignment: TextInput.AlignHCenter
            verticalAlignment: TextInput.AlignVCenter
            maximumLength: 3
            validator: RegularExpressionValidator { regularExpression: /[0-9]{0,3}/ }
            text: "3"
            color: Theme.textBright
            selectionColor: Theme.selection
            font.pixelSize: panel.fontSize + 1
            font.family: panel.fontFamily
            selectByMouse: true
            onAccepted: panel.commit()
            onActiveFocusChanged: {
                if (activeFocus)
                    Qt.callLater(function () { input.selectAll() })
                else
                    panel.commit()
                panel.inputFocusChanged(activeFocus)
            }
        }
    }

    Radio {
        id: screenOption
        x: 8
        y: 36
        checked: panel.screen
        text: Strings.oneScreen
        onClicked: panel.chooseScreen()
    }
}
