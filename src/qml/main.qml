// The root page: every panel and overlay of the configurator lives here. The program
// calls initUI, run, setProtectUI, detectKeyboard and detectMouse by name; the page talks
// back only through ui_View (the view host) and ui_Ctl (the window controller).
// The page types of basic/, common/ and Q7/ and the Theme and Strings singletons come
// from the module's qmldir beside this file.
import QtQuick
import MouseSuite.Model

Item {
    id: mainIten

    // Escape closes the menu or bar that is open (the key menu, the help menu, the colour
    // bar); they take the keyboard when they open.
    Keys.onEscapePressed: function (event) {
        if (keyMenuPopup.visible || helpMenu.visible || colorBar.visible)
            focusControl()
        else
            event.accepted = false
    }
    width: 1000
    height: 640
    visible: false

    property bool initProfile: true
    property bool isScrollRateFocus: false
    property bool language: false
    // The look, as the page's own properties; the values live in Theme.
    readonly property int globalSetting_size: Theme.fontSize
    readonly property color globalSetting_color: Theme.accent
    readonly property string globalSetting_fontFamily: Theme.fontFamily
    readonly property int animation_speed: Theme.animationSpeed
    readonly property int skin_No: Theme.skinNo

    // The active profile (0 ... 9) and whether the profile overlay switched it while open.
    property int profileNo: 0
    property bool profileSwitched: false
    // The button chosen on the assignment panel, lit on the mouse picture; -1 for none.
    property int selectedButton: -1
    // The lock interval last asked for; 0 unlocks at once.
    property alias protectTime: protectTimer.interval

    // The main page's texts; the tables and their names live in Strings.
    readonly property var mainLang: Strings.main

    // The panels and overlays by name, for the program and the tests.
    readonly property alias keyMatrix: keyMatrixPanel
    readonly property alias xySetting: xySettingPanel
    readonly property alias keyMenu: keyMenuPopup
    readonly property alias singleKey: singleKeyOverlay
    readonly property alias macroKey: macroKeyOverlay
    readonly property alias macroEditor: macroEditorOverlay
    readonly property alias gunControl: gunControlOverlay
    readonly property alias profile: profileOverlay

    signal emptyAreaPressed()
    signal msg_KB(bool isDown, int usbCode)
    signal msg_MS(bool isDown, int buttonCode, int x, int y)

    // What the desktop made of its pointer settings: 0 speed, 1 acceleration, 2 wheel
    // lines, 3 double-click time (the platform's order).
    Connections {
        target: ui_View
        function onDesktopSettingTaken(setting, taken) {
            if (setting === 0)
                mouseSpeed.desktopRefused = !taken
            else if (setting === 2)
                scrollSpeed.desktopRefused = !taken
            else if (setting === 3)
                doubleClickSpeed.desktopRefused = !taken
        }
    }

    onMsg_KB: function (isDown, usbCode) {
        singleKeyOverlay.detectKeyboard(isDown, usbCode)
        if (macroEditorOverlay.visible)
            macroEditorOverlay.detectKeyboard(isDown, usbCode)
    }

    // ---------------------------------------------------------------- called by the program

    function initUI() {
        setProtectUI(1000)
        visible = true
        language = String(ui_View.getLang()) === "ChineseSimplified"

        var no = parseInt(ui_View.getProfile())
        profileNo = isFinite(no) ? no : 0
        profileOverlay.profileNo = profileNo
        ui_View.ui_02H_SetCurrentProfile(profileNo)

        loadStrings()

        macroEditorOverlay.init()
        gunControlOverlay.init()
        profileOverlay.init()
        keyMatrixPanel.init(false)
        keyMenuPopup.init()
        initSettingPanels(false)
    }

    function run() {
    }

    // Locks the page for `interval` ms (0: until the events now queued are handled).
    function setProtectUI(interval) {
        busyIndicator.visible = true
        ui_View.setEnabled(false)
        protectTimer.interval = Number(interval) || 0
        protectTimer.restart()
    }

    function detectKeyboard(isDown, usbCode) {
        msg_KB(isDown, usbCode)
    }

    function detectMouse(isDown, buttonCode, x, y) {
        msg_MS(isDown, buttonCode, x, y)
    }

    // ---------------------------------------------------------------- the page's own work

    function loadStrings() {
        if (!language) {
            Strings.useEnglish()
            return
        }
        var code = "lang_025044"
        Strings.useChinese(function (group) { return ui_View.getGlobalStrings(group, code) })
        // Group 6 replaces the captions of the DPI notifications; the page keeps nothing.
        ui_View.getGlobalStrings(6, code)
    }

    // The eight panels that show the current profile, in the order they are loaded.
    function initSettingPanels(send) {
        // The profile's gun first: a gun-key button shows its name.
        gunControlOverlay.loadSelection(send)
        keyMatrixPanel.init(send)
        xySettingPanel.init(send)
        dpiSetting.init(send)
        lighting.init(send)
        reportRate.init(send)
        mouseSpeed.init(send)
        doubleClickSpeed.init(send)
        scrollSpeed.init(send)
    }

    // The whole profile to the mouse: every panel and the macros its buttons play. The
    // program asks for it when the mouse may hold something else.
    function sendWholeProfile() {
        initSettingPanels(true)
        macroEditorOverlay.sendAllMacro()
    }

    // The profile overlay's half of a profile switch: a different profile is made current
    // and shown at once; it reaches the mouse when the overlay closes.
    function changeProfile(no) {
        no = Number(no)
        if (!isFinite(no) || no === profileNo)
            return
        profileNo = no
        profileOverlay.profileNo = no
        ui_View.ui_02H_SetCurrentProfile(no)
        profileSwitched = true
        initSettingPanels(false)
    }

    function profileClosed() {
        if (!profileSwitched)
            return
        profileSwitched = false
        setProtectUI(1200)
        // The macro slots are numbered like the buttons: the new profile's macros go too.
        sendWholeProfile()
    }

    // Closes the pop-ups: the scroll-lines input, the key menu, the colour bar, the help menu.
    function focusControl() {
        isScrollRateFocus = false
        scrollSpeed.dropFocus()
        keyMenuPopup.visible = false
        selectedButton = -1
        colorBar.visible = false
        dpiSetting.selectedColor = -1
        helpMenu.visible = false
    }

    function showOverlay(overlay) {
        focusControl()
        overlay.x = (width - overlay.width) / 2
        overlay.y = (height - overlay.height) / 2
        overlay.visible = true
        mask.visible = true
    }

    function hideOverlay(overlay) {
        overlay.visible = false
        mask.visible = false
    }

    // ---- Button assignment: the panel's rows open the key menu; its choices, the single
    // key and the macro key change one button and send the whole list.

    // Pointing at a row lights its button on the mouse picture, unless a menu or an
    // overlay is busy with a button already.
    function hoverButton(index) {
        if (keyMenuPopup.visible || mask.visible)
            return
        selectedButton = index
    }

    function openKeyMenu(index) {
        focusControl()
        selectedButton = index
        keyMenuPopup.x = keyMatrixPanel.getx(index)
        keyMenuPopup.y = keyMatrixPanel.gety(index)
        keyMenuPopup.button = index
        keyMenuPopup.currentCode = keyMatrixPanel.tags[index]
        keyMenuPopup.defaultCode = keyMatrixPanel.defaultCodes[index]
        keyMenuPopup.open()
        mainIten.forceActiveFocus()
    }

    function menuCommand(code) {
        if (keyMatrixPanel.modifyCode(selectedButton, code))
            keyMatrixPanel.refreashUI()
        keyMenuPopup.visible = false
        selectedButton = -1
    }

    // The single-key and macro-key overlays work on the button the menu was opened for.
    function openAssignOverlay(overlay) {
        var button = selectedButton
        showOverlay(overlay)
        selectedButton = button
        overlay.open(button)
    }

    function closeAssignOverlay(overlay) {
        hideOverlay(overlay)
        selectedButton = -1
    }

    function assignKey(button, usage) {
        if (keyMatrixPanel.modifyData(button, 0x00, 0x00, usage, 0x00))
            keyMatrixPanel.refreashUI()
        closeAssignOverlay(singleKeyOverlay)
    }

    // The macro plays from the slot numbered like the button. Nothing is stored for a
    // change the panel refuses.
    function assignMacro(button, macroName, mode) {
        if (keyMatrixPanel.modifyData(button, 0x09, mode, button, 0x00)) {
            ui_View.setMacroKey(button, macroName)
            keyMatrixPanel.refreashUI()
            macroEditorOverlay.sendMacro(button, macroName)
        }
        closeAssignOverlay(macroKeyOverlay)
    }

    // Scrolls the right column so that `panel` is in view.
    function showPanel(panel) {
        var top = Math.min(panel.y, Math.max(0, rightColumn.contentHeight - rightColumn.height))
        rightColumn.contentY = Math.max(0, top)
    }

    // Lighting panel → device (LedSteps: static at the lowest step is lighting off); the
    // panel's own triple is what is stored.
    function sendLED(effect, slider, option2) {
        var c = LedSteps.command(effect, slider)
        ui_View.ui_0DH_SetRGBLedEffect(c.effect, c.option1, c.option2, [effect, slider, option2])
    }

    function sendDpi() {
        ui_View.ui_11H_SetDPISet(7, dpiSetting.codes(), dpiSetting.values())
    }

    function resetToFactory() {
        hideOverlay(resetDialog)
        setProtectUI(1000)
        ui_View.resetProfile(profileNo)
        sendWholeProfile()
    }

    function openHelp() {
        var address = typeof ui_View.helpAddress === "function" ? ui_View.helpAddress() : ""
        if (address !== "")
            Qt.openUrlExternally(address)
    }

    // ---------------------------------------------------------------- mouse-suite-ctl

    // What a script asks for, done as the panels' own clicks do it: the panel changes, the
    // profile is written and the mouse is sent the same commands. runCommand answers ""
    // when done, otherwise why it was refused (then nothing changed).
    function runCommand(verb, a) {
        var stage
        switch (String(verb)) {
        case "rate":
            reportRate.set(Number(a.interval))
            return ""
        case "dpiSet":
            stage = dpiSetting.stageAt(a.stage)
            if (stage.value !== a.value) {
                stage.value = a.value
                stage.valueChange(a.value)
            }
            return ""
        case "dpiEnable":
            stage = dpiSetting.stageAt(a.stage)
            if (!stage.stepped)
                return Strings.dpiStageOutOfReach
            if (stage.checked !== a.on) {
                stage.checked = a.on
                stage.checkChange(a.on)
            }
            return ""
        case "lighting":
            // Off is static with its slider at the far left.
            var effect = a.effect === 0 ? 1 : a.effect
            if (a.effect === 0)
                lighting.sliderAt(1).value = 0
            else if (a.levelGiven)
                lighting.sliderAt(effect).value = a.level
            else if (effect === 1 && lighting.sliderAt(1).value === 0)
                lighting.sliderAt(1).value = 4 // static asked for: lit, not off
            lighting.choose(effect)
            return ""
        case "axis":
            xySettingPanel.xSlider.value = a.x / 20 - 1
            xySettingPanel.ySlider.value = a.y / 20 - 1
            xySettingPanel.store()
            return ""
        case "button":
            if (!keyMatrixPanel.modifyCode(a.button, a.code))
                return "button " + (a.button + 1) + " keeps its function: the mouse must keep a left button"
            keyMatrixPanel.refreashUI()
            return ""
        case "profileSwitch":
            return switchProfile(a)
        case "profileImported":
            // The active profile's file was replaced: shown and sent again.
            setProtectUI(1200)
            sendWholeProfile()
            return ""
        case "factoryReset":
            resetToFactory()
            return ""
        case "ensureMacro":
            return macroEditorOverlay.ensureMacro(a.name)
        case "macroReplaced":
            macroEditorOverlay.macroReplaced(a.name)
            return ""
        }
        return "unknown command " + verb
    }

    // By number or by name, as choosing the row and closing the profile overlay does.
    function switchProfile(a) {
        var rows = profileOverlay.storedRows()
        var names = []
        for (var i = 0; i < rows.length; ++i) {
            names.push((rows[i].profileNo + 1) + " " + rows[i].profileName)
            var match = a.name !== "" ? rows[i].profileName === a.name : rows[i].profileNo === a.profile
            if (!match)
                continue
            changeProfile(rows[i].profileNo)
            profileClosed()
            return ""
        }
        return (a.name !== "" ? "no profile is named \"" + a.name + "\""
                              : "profile " + (a.profile + 1) + " is not in the profile list")
               + "; the profiles are " + names.join(", ")
    }

    // What the panels show: the profile the mouse runs.
    function commandStatus() {
        var stages = []
        for (var i = 0; i < 6; ++i) {
            var s = dpiSetting.stageAt(i)
            stages.push({ value: s.value, on: s.stepped && s.checked, colour: String(s.stageColor) })
        }
        var buttons = []
        for (var b = 0; b < keyMatrixPanel.shownButtons; ++b)
            buttons.push(String(keyMatrixPanel.texts[b]))
        var rows = profileOverlay.storedRows()
        var name = ""
        for (var r = 0; r < rows.length; ++r)
            if (rows[r].profileNo === profileNo)
                name = rows[r].profileName
        return { profile: profileNo, profileName: name, interval: reportRate.value,
                 stages: stages, effect: lighting.effect,
                 level: lighting.sliderAt(lighting.effect).value,
                 x: xySettingPanel.valueOf(xySettingPanel.xSlider.value),
                 y: xySettingPanel.valueOf(xySettingPanel.ySlider.value), buttons: buttons }
    }

    function commandProfiles() {
        var current = parseInt(ui_View.getProfile())
        return { current: isFinite(current) ? current : 0, rows: profileOverlay.storedRows() }
    }

    function commandMacros() {
        return NameLists.names(ui_View.getNameList(0)).filter(function (n) {
            return String(n) !== "" && !NameLists.isPadding(String(n))
        })
    }

    function commandSettingName(code) {
        return Strings.settingOfCommand(code)
    }

    Timer {
        id: protectTimer
        interval: 1000
        repeat: false
        onTriggered: {
            ui_View.setEnabled(true)
            busyIndicator.visible = false
            if (powerOnLogo.visible) {
                powerOnLogo.visible = false
                content.visible = true
            }
        }
    }

    KeyCodeString {
        id: keyCodeString
    }

    // ---------------------------------------------------------------- the page

    // Presses on the empty page drag the window and close the pop-ups.
    MouseArea {
        id: emptyArea
        objectName: "emptyArea"
        anchors.fill: parent
        property point pressedAt
        // The window system moves the window (Wayland, most window managers); the offset
        // moves below are for where it cannot.
        property bool systemMove: false
        onPressed: function (mouse) {
            pressedAt = Qt.point(mouse.x, mouse.y)
            forceActiveFocus()
            mainIten.emptyAreaPressed()
            mainIten.focusControl()
            systemMove = ui_Ctl.startMove(mouse.x, mouse.y)
        }
        onPositionChanged: function (mouse) {
            if (systemMove)
                return
            ui_Ctl.onXChanged(mouse.x - pressedAt.x)
            ui_Ctl.onYChanged(mouse.y - pressedAt.y)
        }
        onReleased: systemMove = false
        onCanceled: systemMove = false
    }

    Column {
        id: powerOnLogo
        objectName: "powerOnLogo"
        anchors.centerIn: parent
        spacing: 14
        Image {
            anchors.horizontalCenter: parent.horizontalCenter
            source: "images/skin" + Theme.skinNo + "/logo.svg"
            sourceSize: Qt.size(160, 160)
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "HALDORA SKARN"
            color: Theme.textTitle
            font.pixelSize: 30
            font.family: Theme.fontFamily
            font.bold: true
            font.letterSpacing: 6
        }
    }

    Item {
        id: content
        objectName: "content"
        anchors.fill: parent
        visible: false

        Environment {
            id: environment
        }

        Row {
            id: mainLogo
            x: 18
            y: 32
            spacing: 10
            Image {
                source: "images/skin" + Theme.skinNo + "/logo.svg"
                sourceSize: Qt.size(44, 44)
            }
            Column {
                anchors.verticalCenter: parent.verticalCenter
                Text {
                    text: "HALDORA SKARN"
                    color: Theme.textTitle
                    font.pixelSize: 18
                    font.family: Theme.fontFamily
                    font.bold: true
                    font.letterSpacing: 2
                }
                Text {
                    text: "MOUSE R418"
                    color: Theme.accent
                    font.pixelSize: Theme.fontSize
                    font.family: Theme.fontFamily
                    font.letterSpacing: 3
                }
            }
        }

        Column {
            id: leftColumn
            objectName: "leftColumn"
            x: 18
            y: 106
            spacing: 5

            KeyMatrix {
                id: keyMatrixPanel
                gunControl: gunControlOverlay
                selectedButton: mainIten.selectedButton
                onRowEntered: function (index) { mainIten.hoverButton(index) }
                onRowExited: mainIten.hoverButton(-1)
                onRowClicked: function (index) { mainIten.openKeyMenu(index) }
            }

            Launcher {
                id: launcher
                macroText: Strings.macroManager
                gunText: Strings.gunManager
                onOpenMacroEditor: mainIten.showOverlay(macroEditorOverlay)
                onOpenGunControl: mainIten.showOverlay(gunControlOverlay)
            }

            XySetting {
                id: xySettingPanel
            }
        }

        Mouse {
            id: mousePicture
            x: 282
            y: 92
            selectIndex: mainIten.selectedButton
            topText: Strings.topView
            sideText: Strings.sideView
        }

        Button {
            id: profileButton
            objectName: "profileButton"
            x: 20
            y: mainIten.height - 6 - height
            height: 26
            width: 120
            text: Strings.profiles
            icon: Qt.resolvedUrl("images/skin" + Theme.skinNo + "/icon_profile.svg")
            onClicked: {
                if (profileOverlay.visible)
                    profileOverlay.close()
                else
                    mainIten.showOverlay(profileOverlay)
            }
        }

        Flickable {
            id: rightColumn
            objectName: "RightColumn"
            x: 734
            y: 32
            width: 242
            height: Math.min(563, contentHeight)
            contentHeight: panels.height
            clip: true
            boundsBehavior: Flickable.StopAtBounds

            Column {
                id: panels
                spacing: 5

                DpiSetting {
                    id: dpiSetting
                    onDpiValueChange: mainIten.sendDpi()
                    onDpiSelectChange: {
                        ui_View.ui_11H_SetDPISelect(dpiSetting.selection())
                        mainIten.sendDpi()
                    }
                    onColorSquareClicked: function (stage, square) {
                        // Beside the column, level with the square.
                        var at = square.mapToItem(mainIten, 0, square.height / 2)
                        colorBar.x = rightColumn.x - colorBar.width - 6
                        colorBar.y = Math.max(4, Math.min(mainIten.height - colorBar.height - 4,
                                                          at.y - colorBar.height / 2))
                        colorBar.open(square.color)
                        mainIten.forceActiveFocus()
                    }
                }
                Lighting {
                    id: lighting
                    onSetLED: function (effect, slider, option2) {
                        mainIten.sendLED(effect, slider, option2)
                    }
                }
                ReportRate {
                    id: reportRate
                }
                MouseSpeed {
                    id: mouseSpeed
                }
                DoubleClickSpeed {
                    id: doubleClickSpeed
                }
                ScrollSpeed {
                    id: scrollSpeed
                    onInputFocusChanged: function (focused) { mainIten.isScrollRateFocus = focused }
                }
            }
        }

        // The right column's scroll bar: 8 px, the handle can be dragged.
        Rectangle {
            id: scrollBar
            objectName: "scrollBar"
            x: rightColumn.x + rightColumn.width + 4
            y: rightColumn.y
            width: 8
            height: rightColumn.height
            radius: 4
            color: Theme.track
            visible: rightColumn.contentHeight > rightColumn.height
            Rectangle {
                id: handle
                width: parent.width
                radius: 4
                height: Math.max(20, parent.height * rightColumn.visibleArea.heightRatio)
                y: (parent.height - height) * (rightColumn.contentY
                    / Math.max(1, rightColumn.contentHeight - rightColumn.height))
                color: handleArea.pressed || handleArea.containsMouse ? Theme.accent : Theme.inactive
            }
            MouseArea {
                id: handleArea
                anchors.fill: parent
                hoverEnabled: true
                preventStealing: true
                function follow(y) {
                    var span = Math.max(1, scrollBar.height - handle.height)
                    var f = Math.max(0, Math.min(1, (y - handle.height / 2) / span))
                    rightColumn.contentY = f * Math.max(0, rightColumn.contentHeight - rightColumn.height)
                }
                onPressed: function (mouse) { follow(mouse.y) }
                onPositionChanged: function (mouse) { if (pressed) follow(mouse.y) }
            }
        }

        Menu_Up {
            id: menuUp
            x: mainIten.width - width - 10
            y: 4
            onMenuClicked: function (index) {
                if (index === 0) {
                    ui_Ctl.onMinimize()
                } else if (index === 1) {
                    ui_Ctl.onClose()
                } else {
                    var open = !helpMenu.visible
                    mainIten.focusControl()
                    helpMenu.visible = open
                    mainIten.forceActiveFocus()
                }
            }
        }

        Menu_Down {
            id: menuDown
            x: rightColumn.x
            y: mainIten.height - 6 - height
            text: Strings.reset
            onMenuClicked: mainIten.showOverlay(resetDialog)
        }
    }

    // ---------------------------------------------------------------- overlays

    Mask {
        id: mask
        anchors.fill: parent
        passThrough: profileOverlay.visible ? profileButton : null
        onPressed: {
            // Give the keyboard back to whichever overlay is open.
            if (macroEditorOverlay.visible)
                macroEditorOverlay.macroEditorFocus()
            else if (gunControlOverlay.visible)
                gunControlOverlay.gunControlFocus()
            else if (profileOverlay.visible)
                profileOverlay.profileEditorFocus()
            else if (resetDialog.visible)
                resetDialog.forceActiveFocus()
        }
    }

    // Centred over the mask by showOverlay.
    MacroEditor {
        id: macroEditorOverlay
        keyMatrix: keyMatrixPanel
        onCloseRequested: mainIten.hideOverlay(macroEditorOverlay)
        onConfirm: function (title, text, yes) { confirmBox.ask(title, text, yes, macroEditorOverlay) }
    }

    // Beside the assignment panel, without the mask.
    KeyMenu {
        id: keyMenuPopup
        onMenuCmd: function (code) { mainIten.menuCommand(code) }
        onOpenSingleKey: mainIten.openAssignOverlay(singleKeyOverlay)
        onOpenMacroKey: mainIten.openAssignOverlay(macroKeyOverlay)
    }

    SingleKey {
        id: singleKeyOverlay
        onAccepted: function (button, usage) { mainIten.assignKey(button, usage) }
        onRejected: mainIten.closeAssignOverlay(singleKeyOverlay)
    }

    MacroKey {
        id: macroKeyOverlay
        macroEditor: macroEditorOverlay
        onAccepted: function (button, macroName, mode) { mainIten.assignMacro(button, macroName, mode) }
        onRejected: mainIten.closeAssignOverlay(macroKeyOverlay)
    }

    // A deleted macro takes its buttons back to their factory functions.
    Connections {
        target: macroEditorOverlay
        function onDeleteMacroSignal(macroName) { keyMatrixPanel.deleteMacroProc(macroName) }
    }

    ResetDialog {
        id: resetDialog
        title: Strings.reset
        text: Strings.resetQuestion
        okText: Strings.ok
        cancelText: Strings.cancel
        onAccepted: mainIten.resetToFactory()
        onRejected: mainIten.hideOverlay(resetDialog)
    }

    HelpMenu {
        id: helpMenu
        x: 790
        y: 24
        helpText: Strings.help
        onHelpChosen: mainIten.openHelp()
        onUpdateChosen: ui_View.openUpdateExe()
    }

    ColorBar {
        id: colorBar
        onColorPicked: function (picked) { dpiSetting.setColor(picked) }
    }

    // The gun and profile overlays, centred over the mask by showOverlay.
    GunControl {
        id: gunControlOverlay
        onClosed: mainIten.hideOverlay(gunControlOverlay)
    }

    Profile {
        id: profileOverlay
        onChangeProfile: function (no) { mainIten.changeProfile(no) }
        onConfirm: function (title, text, yes) { confirmBox.ask(title, text, yes, profileOverlay) }
        onCloseUI: {
            mainIten.hideOverlay(profileOverlay)
            mainIten.profileClosed()
        }
        onProfileLoaded: {
            mainIten.setProtectUI(1200)
            mainIten.sendWholeProfile()
        }
    }

    // A send the mouse did not take is said here; the bar goes once the mouse holds the
    // profile again.
    SendNotice {
        id: sendFailedNotice
        objectName: "sendFailedNotice"
        // Between the profile and reset buttons.
        x: 150
        y: 606
        width: 574
        onRetry: mainIten.sendWholeProfile()
    }
    Connections {
        target: ui_View
        function onSendFailed(code) { sendFailedNotice.failed(code) }
        function onMouseInStep() { sendFailedNotice.dismiss() }
    }

    // Over every overlay.
    ConfirmBox {
        id: confirmBox
    }

    BusyIndicator {
        id: busyIndicator
        anchors.horizontalCenter: parent.horizontalCenter
        y: 560
        visible: false
    }
}
