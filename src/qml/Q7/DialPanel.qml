// A desktop pointer setting shown as a dial level 0 ... 11 and kept in the profile. The
// panel reads the level through `load` and hands every change to `store`; `init(true)`
// stores the level it read again.
import QtQuick
import ".."

Frame {
    id: panel
    property var load: function () { return 0 }
    property var store: function (level) {}
    property alias value: dial.value
    readonly property alias picture: dial.picture
    // The desktop refused the last level sent (see DesktopNote).
    property bool desktopRefused: false
    // Shown once the dial is let go: the panel grows for it, and nothing may move under a
    // pointer that is still turning the dial.
    property bool noteShown: false
    onDesktopRefusedChanged: if (!dial.pressed) noteShown = desktopRefused
    Connections {
        target: dial
        function onPressedChanged() {
            if (!dial.pressed)
                panel.noteShown = panel.desktopRefused
        }
    }

    bodyHeight: noteShown ? 136 : 106

    function init(send) {
        var n = Number(load())
        if (!isFinite(n))
            return
        dial.value = Math.max(0, Math.min(11, Math.round(n)))
        if (send)
            store(dial.value)
    }

    Dial {
        id: dial
        y: 4
        slowText: Strings.slow
        fastText: Strings.fast
        onLevelChange: function (value) { panel.store(value) }
    }
    DesktopNote {
        y: 106
        visible: panel.noteShown
        fontSize: panel.fontSize - 1
        fontFamily: panel.fontFamily
    }
}
