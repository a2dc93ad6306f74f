// The key menu that a row of the button-assignment panel opens beside itself. Its first
// level gives the mouse buttons, double click and deactivation at once, opens the
// keyboard-key and macro overlays, and opens the sub-menus (DPI, multimedia, basic and
// additional commands, the gun key) to its right.
import QtQuick
import ".."

Rectangle {
    id: menu
    objectName: "KeyMenu"
    // The button the menu was opened for, what it does now and at the factory.
    property int button: -1
    property string currentCode: ""
    property string defaultCode: ""
    property int fontSize: Theme.fontSize
    property string fontFamily: Theme.fontFamily
    property color accent: Theme.accent
    // The sub-menu shown, -1 for none.
    property int openSub: -1

    // A row is [text index, action]: an 8-digit assignment code, "sub" + n, "single",
    // "macro", or for the gun rows "none" and "default".
    readonly property var firstLevel: [[0, "0100f000"], [1, "0100f100"], [2, "0100f200"],
        [42, "0100f400"], [43, "0100f300"], [5, "0af02002"], [6, "sub0"], [7, "sub1"],
        [8, "sub2"], [9, "sub3"], [10, "single"], [11, "macro"], [12, "sub4"], [13, "00000000"]]
    readonly property var subMenus: [
        [[14, "07000100"], [15, "07000200"], [16, "07000300"]],
        [[17, "03008301"], [18, "0300b500"], [19, "0300b600"], [20, "0300b700"],
         [21, "0300cd00"], [22, "0300e200"], [23, "0300e900"], [24, "0300ea00"]],
        [[25, "0000e011"], [26, "0000e01b"], [27, "0000e006"], [28, "0000e019"],
         [29, "0000e016"], [30, "0000e013"], [31, "0000e009"], [32, "0000e01c"],
         [33, "0000e01d"], [34, "0000e004"]],
        [[35, "03009401"], [36, "03002302"], [37, "03002102"], [38, "00042c1b"],
         [39, "00042c11"], [40, "0000e307"], [41, "0000e315"]],
        [[0, "none"], [1, "08000100"], [2, "default"]]
    ]
    // The gun key's own rows: assign (nothing to do yet), start, and off (the default).
    readonly property var gunRows: Strings.chinese ? ["分配", "启动", "禁用"] : ["Assign", "Enable", "Disable"]
    readonly property int rowHeight: 21

    signal menuCmd(string code)
    signal openSingleKey()
    signal openMacroKey()

    function init() {
        openSub = -1
        visible = false
    }

    function open() {
        openSub = -1
        visible = true
    }

    function rowAt(i) {
        return firstRows.itemAt(i)
    }
    function subRowAt(i) {
        return subRows.itemAt(i)
    }

    function textOf(row, sub) {
        if (sub === 4)
            return gunRows[row[0]]
        return Strings.entry(Strings.keyMenu, row[0])
    }

    function choose(action) {
        if (action.indexOf("sub") === 0)
            openSub = Number(action.substr(3))
        else if (action === "single")
            openSingleKey()
        else if (action === "macro")
            openMacroKey()
        else if (action === "default")
            menuCmd(defaultCode)
        else if (action !== "none")
            menuCmd(action)
    }

    width: 194
    height: firstLevel.length * rowHeight + 2
    color: Theme.popup
    border.color: Theme.border
    visible: false

    // Presses between rows must not reach the page behind (which would close the menu).
    MouseArea {
        anchors.fill: parent
    }

    // One row of either level; it sees nothing of the menu but what it is given.
    component MenuRow: Rectangle {
        id: rowItem
        property string text: ""
        property bool opensSub: false
        property bool open: false
        // The button's present choice.
        property bool current: false
        property int fontSize: Theme.fontSize
        property string fontFamily: Theme.fontFamily
        property color accent: Theme.accent
        signal picked()
        signal hovered()
        height: 21
        color: rowArea.containsMouse || open ? Theme.rowSelected : "transparent"
        Rectangle {
            visible: rowItem.current
            x: 3
            width: 2
            height: parent.height - 8
            anchors.verticalCenter: parent.verticalCenter
            color: rowItem.accent
        }
        Text {
            x: 10
            width: parent.width - 28
            anchors.verticalCenter: parent.verticalCenter
            text: rowItem.text
            elide: Text.ElideRight
            color: rowArea.containsMouse || rowItem.open ? Theme.textBright : Theme.textItem
            font.pixelSize: rowItem.fontSize + 1
            font.family: rowItem.fontFamily
        }
        Text {
            visible: rowItem.opensSub
            anchors.right: parent.right
            anchors.rightMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            text: "›"
            color: rowItem.open ? rowItem.accent : Theme.marker
            font.pixelSize: rowItem.fontSize + 5
            font.family: rowItem.fontFamily
        }
        MouseArea {
            id: rowArea
            anchors.fill: parent
            hoverEnabled: true
            onEntered: rowItem.hovered()
            onClicked: rowItem.picked()
        }
    }

    // Rows are placed by their index rather than by a Column: a sub-menu's rows are in
    // place the moment it opens.
    Repeater {
        id: firstRows
        model: menu.firstLevel
        delegate: MenuRow {
            required property var modelData
            required property int index
            x: 1
            y: 1 + index * menu.rowHeight
            width: menu.width - 2
            objectName: "keyMenuRow" + index
            text: menu.textOf(modelData, -1)
            opensSub: modelData[1].indexOf("sub") === 0
            open: opensSub && menu.openSub === Number(modelData[1].substr(3))
            current: modelData[1] === menu.currentCode
                     || (opensSub && menu.subMenus[Number(modelData[1].substr(3))].some(
                             function (r) { return r[1] === menu.currentCode }))
            // Pointing at a row opens its sub-menu, or closes the one that is open.
            onHovered: menu.openSub = opensSub ? Number(modelData[1].substr(3)) : -1
            onPicked: menu.choose(modelData[1])
        }
    }

    Rectangle {
        id: sub
        objectName: "keyMenuSub"
        readonly property var rows: menu.openSub >= 0 ? menu.subMenus[menu.openSub] : []
        readonly property int anchorRow: menu.openSub < 0 ? 0
            : menu.firstLevel.findIndex(function (r) { return r[1] === "sub" + menu.openSub })
        visible: menu.openSub >= 0
        x: menu.width - 3
        // Level with its row, but never past the bottom of the page.
        y: {
            var want = 1 + anchorRow * menu.rowHeight - 1
            var room = menu.parent ? menu.parent.height - 4 - menu.y - height : want
            return Math.min(want, room)
        }
        width: 172
        height: rows.length * menu.rowHeight + 2
        color: menu.color
        border.color: menu.border.color

        MouseArea {
            anchors.fill: parent
        }
        Repeater {
            id: subRows
            model: sub.rows
            delegate: MenuRow {
                required property var modelData
                required property int index
                x: 1
                y: 1 + index * menu.rowHeight
                width: sub.width - 2
                objectName: "keyMenuSubRow" + index
                text: menu.textOf(modelData, menu.openSub)
                current: modelData[1] === menu.currentCode
                enabled: modelData[1] !== "none"
                opacity: enabled ? 1 : 0.6
                onPicked: menu.choose(modelData[1])
            }
        }
    }
}
