// Gun records: named auto-fire settings (trigger key, interval, deviation per shot, run
// count). New, rename and delete reach the files at once; field edits are kept in the
// rows until OK saves every row. The row chosen when OK is pressed becomes the profile's
// gun: its name shows on a gun-key button and its settings go to the mouse.
import QtQuick
import ".."
import MouseSuite.Model

Overlay {
    id: overlay
    objectName: "GunControl"
    // The gun of the current profile ("" for none); the button panel shows it.
    property string selectGunName: ""
    property int selectedRow: -1
    // The selected row runs without a count.
    property bool unlimited: false
    property int skinNo: Theme.skinNo

    readonly property alias rowCount: rows.count
    readonly property alias nameInput: nameField.input
    readonly property alias periodInput: periodField.input
    readonly property alias xInput: xField.input
    readonly property alias yInput: yField.input
    readonly property alias timesInput: timesField.input
    readonly property alias runTimesOption: runTimesOption
    readonly property alias unlimitedOption: unlimitedOption
    readonly property alias newButton: newButton
    readonly property alias deleteButton: deleteButton

    // OK or Cancel: the page hides the overlay and the mask.
    signal closed()
    function rowAt(i) {
        list.positionViewAtIndex(i, ListView.Contain)
        return list.itemAtIndex(i)
    }
    function record(i) {
        return rows.get(i)
    }
    function names() {
        var list = []
        for (var i = 0; i < rows.count; ++i)
            list.push(rows.get(i).gunName)
        return list
    }
    function rowOfName(name) {
        for (var i = 0; i < rows.count; ++i)
            if (rows.get(i).gunName === name)
                return i
        return -1
    }

    // A stored or typed value as a whole number kept to [low, high]; `empty` for nothing.
    function numberIn(value, low, high, empty) {
        return GunRecords.numberIn(value, low, high, empty)
    }

    // A name becomes a key of the record file and an entry of the name list: it must be
    // new, not empty, without a slash and not the list's padding word.
    function nameAllowed(name, exceptRow) {
        return GunRecords.nameAllowed(name, names(), exceptRow)
    }

    function init() {
        var stored = NameLists.names(ui_View.getNameList(1))
        rows.clear()
        // Each name once, found in a set: a search of the rows per name made thousands of
        // records take minutes.
        var seen = ({})
        for (var i = 0; i < stored.length; ++i) {
            var name = String(stored[i])
            if (name === "" || seen[name] === true)
                continue
            seen[name] = true
            rows.append(GunRecords.fromStored(name, ui_View.getGunData(name)))
        }
        loadSelection(false)
        selectedRow = rows.count > 0 ? Math.max(0, rowOfName(selectGunName)) : -1
        loadActions()
    }

    // The current profile's gun; a name that no longer has a record counts as none.
    function loadSelection(send) {
        var name = String(ui_View.getselectGun(0))
        selectGunName = rowOfName(name) >= 0 ? name : ""
        if (send)
            sendGun()
    }

    // X and Y go as 8-bit two's complement.
    function sendGun() {
        var row = rowOfName(selectGunName)
        if (row < 0)
            return
        var r = rows.get(row)
        var b = GunRecords.deviceBytes(r.gunTimes, r.gunX, r.gunY)
        ui_View.ui_04H_SetGunData(b[0], b[1], b[2], b[3], b[4])
    }

    // The inputs show the selected row.
    function loadActions() {
        var has = selectedRow >= 0 && selectedRow < rows.count
        var r = has ? rows.get(selectedRow) : null
        nameField.input.text = has ? r.gunName : ""
        keyText.text = has ? r.gunKey : ""
        periodField.input.text = has ? r.gunPeriod : ""
        xField.input.text = has ? r.gunX : ""
        yField.input.text = has ? r.gunY : ""
        timesField.input.text = has ? r.gunTimes : ""
        unlimited = has && r.gunTimes === 0
    }

    // Leaving an input writes it into the selected row, kept to the input's range.
    function commitField(field) {
        if (selectedRow < 0 || selectedRow >= rows.count)
            return
        var value = numberIn(field.input.text, field.low, field.high, field.empty)
        field.input.text = value
        rows.setProperty(selectedRow, field.role, value)
        unlimited = rows.get(selectedRow).gunTimes === 0
    }
    function commitFields() {
        commitField(periodField)
        commitField(xField)
        commitField(yField)
        commitField(timesField)
    }

    function select(row) {
        if (row < 0 || row >= rows.count || row === selectedRow)
            return
        commitFields()
        renameTo(nameField.input.text)
        selectedRow = row
        loadActions()
    }

    // Ticking "Run Times" starts the count at 1; "Unlimited" is the count 0.
    function setUnlimited(unlimited) {
        if (selectedRow < 0 || (rows.get(selectedRow).gunTimes === 0) === unlimited)
            return
        rows.setProperty(selectedRow, "gunTimes", unlimited ? 0 : 1)
        timesField.input.text = rows.get(selectedRow).gunTimes
        overlay.unlimited = unlimited
    }

    // The row is shown with Y −10 while its first record is saved with Y 0; OK saves
    // what the row shows.
    function newGun() {
        var name = GunRecords.nextFreeName(names())
        if (name === "")
            return
        commitFields()
        rows.append({ gunName: name, gunKey: "L-Click", gunPeriod: 10, gunX: 0, gunY: -10,
                      gunTimes: 0 })
        ui_View.saveGundata([name, "L-Click", 10, 0, 0, 0])
        ui_View.updataNameList(1, names())
        selectedRow = rows.count - 1
        list.positionViewAtEnd()
        loadActions()
    }

    // A refused name (empty, taken, with a slash) shows the old one again.
    function renameTo(newName) {
        if (selectedRow < 0 || selectedRow >= rows.count)
            return
        var r = rows.get(selectedRow)
        var old = r.gunName
        var name = String(newName).trim()
        if (name === old || !nameAllowed(name, selectedRow)) {
            nameField.input.text = old
            return
        }
        ui_View.modifyGundata(1, [name, r.gunKey, r.gunPeriod, r.gunX, r.gunY, r.gunTimes, old])
        rows.setProperty(selectedRow, "gunName", name)
        ui_View.updataNameList(1, names())
        nameField.input.text = name
        if (selectGunName === old) {
            selectGunName = name
            ui_View.setSelectGun(0, name)
        }
    }

    function deleteGun() {
        if (selectedRow < 0 || selectedRow >= rows.count)
            return
        var name = rows.get(selectedRow).gunName
        rows.remove(selectedRow)
        ui_View.modifyGundata(0, [name])
        ui_View.updataNameList(1, names())
        selectedRow = Math.min(selectedRow, rows.count - 1)
        loadActions()
    }

    function saveData() {
        commitFields()
        renameTo(nameField.input.text)
        for (var i = 0; i < rows.count; ++i) {
            var r = rows.get(i)
            ui_View.saveGundata([r.gunName, r.gunKey, r.gunPeriod, r.gunX, r.gunY, r.gunTimes])
        }
        selectGunName = selectedRow >= 0 ? rows.get(selectedRow).gunName : ""
        ui_View.setSelectGun(0, selectGunName)
        sendGun()
    }

    function accept() {
        saveData()
        closed()
    }

    // Field edits not saved with OK are dropped: the rows are read again.
    function cancel() {
        init()
        closed()
    }

    function gunControlFocus() {
        overlay.forceActiveFocus()
    }

    width: 470
    height: 300
    title: Strings.gunTitle
    icon: "../images/skin" + skinNo + "/icon_gun.svg"
    okText: Strings.gunOk
    cancelText: Strings.gunCancel
    okName: "gunOk"
    cancelName: "gunCancel"
    onOkClicked: accept()
    onCancelClicked: cancel()
    onBodyPressed: forceActiveFocus()

    ListModel {
        id: rows
    }

    // ---- the records

    Rectangle {
        id: listBox
        x: 10
        y: 34
        width: 150
        height: 212
        color: Theme.field
        border.color: Theme.line

        ListView {
            id: list
            anchors.fill: parent
            anchors.margins: 1
            clip: true
            model: rows
            boundsBehavior: Flickable.StopAtBounds
            delegate: Rectangle {
                id: row
                required property int index
                required property string gunName
                readonly property bool selected: overlay.selectedRow === index
                objectName: "gunRow" + index
                width: ListView.view.width
                height: 24
                color: selected ? Theme.listSelected : (rowArea.containsMouse ? Theme.listHover : "transparent")
                Rectangle {
                    width: 3
                    height: parent.height
                    color: overlay.accent
                    visible: row.selected
                }
                Text {
                    x: 12
                    width: parent.width - 18
                    anchors.verticalCenter: parent.verticalCenter
                    text: row.gunName
                    elide: Text.ElideRight
                    color: row.selected ? Theme.textBright : Theme.textLabel
                    font.pixelSize: overlay.fontSize + 1
                    font.family: overlay.fontFamily
                }
                MouseArea {
                    id: rowArea
                    anchors.fill: parent
                    hoverEnabled: true
                    onPressed: {
                        overlay.forceActiveFocus()
                        overlay.select(row.index)
                    }
                    onDoubleClicked: {
                        nameField.input.forceActiveFocus()
                        nameField.input.selectAll()
                    }
                }
            }
        }
    }

    Row {
        x: 10
        y: listBox.y + listBox.height + 10
        spacing: 6
        Button {
            id: newButton
            objectName: "gunNew"
            width: 72
            text: Strings.newGun
            enabled: overlay.rowCount < GunRecords.maxNewRecords
            onClicked: overlay.newGun()
        }
        Button {
            id: deleteButton
            objectName: "gunDelete"
            width: 72
            text: Strings.deleteGun
            enabled: overlay.selectedRow >= 0
            onClicked: overlay.deleteGun()
        }
    }

    // Said at the foot of a full list, where nothing else stands.
    Rectangle {
        x: listBox.x + 1
        y: listBox.y + listBox.height - height - 1
        width: listBox.width - 2
        height: fullText.implicitHeight + 8
        visible: !newButton.enabled
        color: Theme.dialog
        Text {
            id: fullText
            objectName: "gunListFull"
            x: 4
            y: 4
            width: parent.width - 8
            wrapMode: Text.WordWrap
            text: Strings.gunListFull.arg(GunRecords.maxNewRecords)
            color: Theme.textLabel
            font.pixelSize: overlay.fontSize
            font.family: overlay.fontFamily
        }
    }

    // ---- the selected record

    component Label: Text {
        color: Theme.textLabel
        font.pixelSize: overlay.fontSize
        font.family: overlay.fontFamily
        elide: Text.ElideRight
    }

    component Field: Rectangle {
        id: field
        property alias input: input
        property string role: ""
        property int low: 0
        property int high: 255
        property int empty: 0
        property bool signed: false
        // The name field takes text and renames on leaving; the others take numbers.
        property bool isName: false
        width: 56
        height: 22
        radius: 2
        color: Theme.field
        border.color: input.activeFocus ? overlay.accent : Theme.inactive
        opacity: enabled ? 1.0 : 0.4
        TextInput {
            id: input
            anchors.fill: parent
            anchors.leftMargin: 5
            anchors.rightMargin: 5
            horizontalAlignment: field.isName ? TextInput.AlignLeft : TextInput.AlignHCenter
            verticalAlignment: TextInput.AlignVCenter
            clip: true
            maximumLength: field.isName ? 20 : (field.signed ? 4 : 3)
            validator: RegularExpressionValidator {
                regularExpression: field.isName ? /.*/ : (field.signed ? /-?[0-9]{0,3}/ : /[0-9]{0,3}/)
            }
            color: Theme.textBright
            selectionColor: Theme.selection
            selectByMouse: true
            enabled: overlay.selectedRow >= 0
            font.pixelSize: overlay.fontSize + 1
            font.family: overlay.fontFamily
            function commit() {
                if (field.isName)
                    overlay.renameTo(input.text)
                else
                    overlay.commitField(field)
            }
            onAccepted: commit()
            onActiveFocusChanged: {
                if (activeFocus)
                    Qt.callLater(function () { input.selectAll() })
                else
                    commit()
            }
        }
    }

    component Radio: Item {
        id: radio
        property bool checked: false
        property string text: ""
        signal clicked()
        width: label.x + label.implicitWidth
        height: 22
        Rectangle {
            y: 4
            width: 14
            height: 14
            radius: 7
            color: Theme.field
            border.color: radio.checked ? overlay.accent : Theme.inactive
            Rectangle {
                anchors.centerIn: parent
                width: 6
                height: 6
                radius: 3
                color: overlay.accent
                visible: radio.checked
            }
        }
        Text {
            id: label
            x: 20
            anchors.verticalCenter: parent.verticalCenter
            text: radio.text
            color: radio.checked ? Theme.textBright : Theme.textOption
            font.pixelSize: overlay.fontSize
            font.family: overlay.fontFamily
        }
        MouseArea {
            anchors.fill: parent
            onClicked: {
                overlay.forceActiveFocus()
                radio.clicked()
            }
        }
    }

    Item {
        id: details
        x: 176
        y: 34
        width: overlay.width - x - 10
        height: listBox.height
        readonly property int labelWidth: 128

        Label {
            x: 0
            y: 3
            width: details.labelWidth
            text: Strings.gunName
        }
        Field {
            id: nameField
            objectName: "gunName"
            x: details.labelWidth
            y: 0
            width: details.width - x
            isName: true
        }

        Rectangle {
            x: 0
            y: 34
            width: details.width
            height: 18
            color: Theme.titleBar
            Text {
                x: 6
                anchors.verticalCenter: parent.verticalCenter
                text: Strings.auxiliary
                color: Theme.textTitle
                font.pixelSize: overlay.fontSize
                font.family: overlay.fontFamily
                font.bold: true
            }
        }

        Label {
            y: 66
            width: details.labelWidth
            text: Strings.triggerKey
        }
        Rectangle {
            x: details.labelWidth
            y: 63
            width: 80
            height: 22
            radius: 2
            color: Theme.tile
            border.color: Theme.line
            Text {
                id: keyText
                objectName: "gunKey"
                anchors.centerIn: parent
                color: Theme.textItem
                font.pixelSize: overlay.fontSize + 1
                font.family: overlay.fontFamily
            }
        }

        Label {
            y: 98
            width: details.labelWidth
            text: Strings.interval
        }
        Field {
            id: periodField
            objectName: "gunPeriod"
            x: details.labelWidth
            y: 95
            role: "gunPeriod"
            low: 0
            high: 255
            empty: 10
        }

        Label {
            y: 130
            width: details.labelWidth - 50
            text: Strings.deviation
        }
        Row {
            x: details.labelWidth - 48
            y: 127
            spacing: 6
            Label {
                anchors.verticalCenter: parent.verticalCenter
                text: "X"
            }
            Field {
                id: xField
                objectName: "gunX"
                role: "gunX"
                low: -127
                high: 127
                empty: 0
                signed: true
            }
            Label {
                anchors.verticalCenter: parent.verticalCenter
                text: "Y"
            }
            Field {
                id: yField
                objectName: "gunY"
                role: "gunY"
                low: -127
                high: 127
                empty: 0
                signed: true
            }
        }

        Radio {
            id: runTimesOption
            objectName: "gunRunTimes"
            y: 162
            checked: overlay.selectedRow >= 0 && !overlay.unlimited
            text: Strings.runTimes
            onClicked: overlay.setUnlimited(false)
        }
        Field {
            id: timesField
            objectName: "gunTimes"
            x: details.labelWidth
            y: 162
            role: "gunTimes"
            low: 0
            high: 255
            empty: 0
            enabled: !overlay.unlimited
        }
        Radio {
            id: unlimitedOption
            objectName: "gunUnlimited"
            y: 190
            checked: overlay.selectedRow >= 0 && overlay.unlimited
            text: Strings.unlimited
            onClicked: overlay.setUnlimited(true)
        }
    }
}
