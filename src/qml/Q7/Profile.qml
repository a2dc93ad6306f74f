// The profiles: up to six named rows, each naming one of the stored profiles 0 ... 5.
// Choosing a row makes its profile the active one; a right click offers delete, edit,
// copy, load (import a file into the active profile) and save (export it). The overlay
// can be dragged by its title, never out of the page.
import QtQuick
import ".."
import MouseSuite.Model

Overlay {
    id: overlay
    objectName: "Profile"
    menuOpen: menu.visible
    onMenuDismissed: menu.visible = false
    // The active profile; the main page sets it at start-up, a chosen row changes it.
    property int profileNo: 0
    property int selectedRow: -1
    property int editingRow: -1
    property var menuTexts: ["删除", "编辑", "复制", "加载", "保存"]
    property int skinNo: Theme.skinNo

    readonly property int maxProfiles: 6
    readonly property int rowHeight: 26
    readonly property alias rowCount: rows.count
    readonly property alias newButton: newButton
    readonly property alias menu: menu
    readonly property alias editor: editor

    signal changeProfile(int profileNo)
    signal closeUI()
    signal doubleClick()
    signal listViewFocus()
    // A file was imported into the active profile: the page shows and sends it again.
    signal profileLoaded()
    // A question before something goes: OK runs `yes`.
    signal confirm(string title, string text, var yes)
    function rowAt(i) {
        return rowRepeater.itemAt(i)
    }
    function nameAt(i) {
        return rows.get(i).profileName
    }
    function numberAt(i) {
        return rows.get(i).profileNo
    }
    function menuRowAt(i) {
        return menuRepeater.itemAt(i)
    }

    // Each row is stored as its name followed by its number as one last digit.
    function storedNames() {
        var list = []
        for (var i = 0; i < rows.count; ++i)
            list.push(rows.get(i).profileName + rows.get(i).profileNo)
        return list
    }
    function writeNames() {
        ui_View.updataNameList(2, storedNames())
    }

    function rowOfNumber(no) {
        for (var i = 0; i < rows.count; ++i)
            if (rows.get(i).profileNo === no)
                return i
        return -1
    }
    function nameUsed(name, exceptRow) {
        for (var i = 0; i < rows.count; ++i)
            if (i !== exceptRow && rows.get(i).profileName === name)
                return true
        return false
    }
    // The smallest of 0 ... 5 that no row uses. The active profile counts as used even
    // without a row: a new profile must never overwrite what the mouse has now.
    function freeNumber() {
        for (var n = 0; n < maxProfiles; ++n)
            if (rowOfNumber(n) < 0 && n !== profileNo)
                return n
        return -1
    }
    function freeName(prefix, suffix) {
        for (var k = 0; k <= 11; ++k) {
            var name = prefix + k + suffix
            if (!nameUsed(name, -1))
                return name
        }
        return ""
    }

    function init() {
        menu.visible = false
        editingRow = -1
        if (Strings.main.length > 25)
            menuTexts = Strings.main.slice(21, 26)
        var stored = storedRows()
        rows.clear()
        for (var i = 0; i < stored.length; ++i)
            rows.append(stored[i])
        selectedRow = rowOfNumber(profileNo)
    }

    // The rows the name list holds: only entries that name a profile the page offers,
    // each profile once, at most maxProfiles.
    function storedRows() {
        var names = NameLists.names(ui_View.getNameList(2))
        var list = []
        var seen = {}
        for (var i = 0; i < names.length && list.length < maxProfiles; ++i) {
            var entry = String(names[i])
            var no = Number(entry.charAt(entry.length - 1))
            if (entry.length < 2 || !/[0-5]$/.test(entry) || seen[no])
                continue
            seen[no] = true
            list.push({ profileName: entry.slice(0, -1), profileNo: no })
        }
        return list
    }

    function select(row) {
        if (row < 0 || row >= rows.count)
            return
        selectedRow = row
        profileNo = rows.get(row).profileNo
        changeProfile(profileNo)
    }

    function appendRow(name, no) {
        rows.append({ profileName: name, profileNo: no })
        writeNames()
    }

    // A fresh profile from the factory settings. It is chosen only once its file holds
    // them, so the page reads the new profile and not what the slot held before.
    function newProfile() {
        var no = freeNumber()
        if (rows.count >= maxProfiles || no < 0)
            return
        appendRow(freeName("profile_", ""), no)
        ui_View.resetProfile(no)
        select(rows.count - 1)
    }

    function copyProfile() {
        var no = freeNumber()
        if (selectedRow < 0 || rows.count >= maxProfiles || no < 0)
            return
        var name = freeName(nameAt(selectedRow) + "(", ")")
        if (name === "")
            return
        ui_View.copyProfile(no, rows.get(selectedRow).profileNo)
        appendRow(name, no)
        select(rows.count - 1)
    }

    // Only the row goes; the stored profile stays. The last row stays, so that the active
    // profile always has a name; after a delete the neighbour becomes active.
    function askDeleteProfile() {
        if (selectedRow < 0 || rows.count <= 1)
            return
        var row = selectedRow
        var name = nameAt(row)
        confirm(Strings.deleteProfileTitle, Strings.deleteProfileQuestion.arg(name), function () {
            if (selectedRow === row && nameAt(row) === name)
                deleteProfile()
        })
    }

    function deleteProfile() {
        if (selectedRow < 0 || rows.count <= 1)
            return
        var row = selectedRow
        rows.remove(row)
        writeNames()
        select(Math.min(row, rows.count - 1))
    }

    function startEdit(row) {
        if (row < 0 || row >= rows.count)
            return
        editingRow = row
        editor.text = nameAt(row)
        editor.selectAll()
        editor.forceActiveFocus()
    }

    // An empty name or one another row has is refused; the old name stays.
    function commitEdit() {
        var row = editingRow
        if (row < 0)
            return
        editingRow = -1
        var name = editor.text.trim()
        if (name === "" || nameUsed(name, row) || name === nameAt(row))
            return
        rows.setProperty(row, "profileName", name)
        writeNames()
    }

    function cancelEdit() {
        editingRow = -1
        overlay.forceActiveFocus()
    }

    function loadProfile() {
        if (ui_View.loadProfile(profileNo))
            profileLoaded()
    }

    function saveProfile() {
        ui_View.saveProfile(profileNo)
    }

    // The context menu's rows: 0 delete, 1 edit, 2 copy, 3 load, 4 save.
    function profileMenuCmd(cmd) {
        menu.visible = false
        switch (cmd) {
        case 0: askDeleteProfile(); break
        case 1: startEdit(selectedRow); break
        case 2: copyProfile(); break
        case 3: loadProfile(); break
        case 4: saveProfile(); break
        }
    }

    function openMenu(row, x, y) {
        select(row)
        menu.x = Math.min(x, width - menu.width - 2)
        menu.y = Math.min(y, height - menu.height - 2)
        menu.visible = true
    }

    function profileEditorFocus() {
        if (editingRow >= 0)
            editor.forceActiveFocus()
        else
            overlay.forceActiveFocus()
    }

    function close() {
        commitEdit()
        menu.visible = false
        closeUI()
    }

    onProfileNoChanged: selectedRow = rowOfNumber(profileNo)
    onDoubleClick: startEdit(selectedRow)
    onVisibleChanged: {
        if (!visible) {
            commitEdit()
            menu.visible = false
        }
    }

    width: 270
    height: 244
    title: Strings.profiles
    icon: "../images/skin" + skinNo + "/icon_profile.svg"
    okName: "profileOk"
    hasCancel: false
    buttonMargin: 12
    // The profile chosen is kept either way: OK and Escape both close.
    onOkClicked: close()
    onCancelClicked: close()
    onTitlePressed: menu.visible = false
    onBodyPressed: menu.visible = false

    ListModel {
        id: rows
    }

    // Six places, filled from the top.
    Rectangle {
        id: list
        x: 10
        y: 34
        width: parent.width - 20
        height: overlay.maxProfiles * overlay.rowHeight + 2
        color: Theme.field
        border.color: Theme.line

        // Rows are placed by their index rather than by a positioner, which would place
        // new rows only on its next layout pass.
        Item {
            x: 1
            y: 1
            Repeater {
                id: rowRepeater
                model: rows
                delegate: Rectangle {
                    id: row
                    required property int index
                    required property string profileName
                    required property int profileNo
                    readonly property bool selected: overlay.selectedRow === index
                    objectName: "profileRow" + index
                    y: index * overlay.rowHeight
                    width: list.width - 2
                    height: overlay.rowHeight
                    color: selected ? Theme.listSelected : (rowArea.containsMouse ? Theme.listHover : "transparent")
                    Rectangle {
                        width: 3
                        height: parent.height
                        color: overlay.accent
                        visible: row.selected
                    }
                    Text {
                        x: 12
                        width: parent.width - 52
                        anchors.verticalCenter: parent.verticalCenter
                        visible: overlay.editingRow !== row.index
                        text: row.profileName
                        elide: Text.ElideRight
                        color: row.selected ? Theme.textBright : Theme.textLabel
                        font.pixelSize: overlay.fontSize + 1
                        font.family: overlay.fontFamily
                    }
                    Text {
                        anchors.right: parent.right
                        anchors.rightMargin: 10
                        anchors.verticalCenter: parent.verticalCenter
                        text: "P" + (row.profileNo + 1)
                        color: row.selected ? overlay.accent : Theme.marker
                        font.pixelSize: overlay.fontSize - 1
                        font.family: overlay.fontFamily
                    }
                    MouseArea {
                        id: rowArea
                        anchors.fill: parent
                        hoverEnabled: true
                        acceptedButtons: Qt.LeftButton | Qt.RightButton
                        onPressed: function (mouse) {
                            menu.visible = false
                            overlay.commitEdit()
                            overlay.listViewFocus()
                            if (mouse.button === Qt.RightButton) {
                                var at = mapToItem(overlay, mouse.x, mouse.y)
                                overlay.openMenu(row.index, at.x, at.y)
                            } else if (overlay.selectedRow !== row.index) {
                                overlay.select(row.index)
                            }
                        }
                        onDoubleClicked: function (mouse) {
                            if (mouse.button === Qt.LeftButton)
                                overlay.doubleClick()
                        }
                    }
                }
            }
        }

        // The name being edited, over its row.
        Rectangle {
            x: 8
            y: 1 + Math.max(0, overlay.editingRow) * overlay.rowHeight + 3
            width: list.width - 52
            height: overlay.rowHeight - 6
            visible: overlay.editingRow >= 0
            color: Theme.field
            border.color: overlay.accent
            TextInput {
                id: editor
                objectName: "profileNameEditor"
                anchors.fill: parent
                anchors.leftMargin: 4
                anchors.rightMargin: 4
                verticalAlignment: TextInput.AlignVCenter
                maximumLength: 24
                clip: true
                color: Theme.textBright
                selectionColor: Theme.selection
                selectByMouse: true
                font.pixelSize: overlay.fontSize + 1
                font.family: overlay.fontFamily
                onAccepted: overlay.commitEdit()
                onActiveFocusChanged: {
                    if (!activeFocus)
                        overlay.commitEdit()
                }
                Keys.onEscapePressed: overlay.cancelEdit()
            }
        }
    }

    Row {
        x: 10
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 12
        Button {
            id: newButton
            objectName: "profileNew"
            width: 80
            text: Strings.newProfile
            enabled: rows.count < overlay.maxProfiles
            onClicked: {
                menu.visible = false
                overlay.commitEdit()
                overlay.newProfile()
            }
        }
    }

    // The context menu of a row.
    Rectangle {
        id: menu
        objectName: "profileMenu"
        width: 104
        height: 5 * 22 + 2
        color: Theme.listHover
        border.color: overlay.accent
        visible: false
        Item {
            x: 1
            y: 1
            Repeater {
                id: menuRepeater
                model: overlay.menuTexts
                delegate: Rectangle {
                    required property string modelData
                    required property int index
                    y: index * 22
                    // Delete needs another row to fall back to; copy needs a free place.
                    readonly property bool usable: (index !== 0 || rows.count > 1)
                                                   && (index !== 2 || rows.count < overlay.maxProfiles)
                    width: menu.width - 2
                    height: 22
                    color: menuArea.containsMouse && usable ? Theme.pressed : "transparent"
                    Text {
                        x: 10
                        anchors.verticalCenter: parent.verticalCenter
                        text: modelData
                        color: parent.usable ? Theme.textTitle : Theme.inactive
                        font.pixelSize: overlay.fontSize + 1
                        font.family: overlay.fontFamily
                    }
                    MouseArea {
                        id: menuArea
                        anchors.fill: parent
                        hoverEnabled: true
                        onClicked: {
                            if (parent.usable)
                                overlay.profileMenuCmd(index)
                        }
                    }
                }
            }
        }
    }
}
