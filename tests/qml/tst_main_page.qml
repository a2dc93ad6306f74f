import QtQuick
import QtTest

// The main page as the user drives it: real presses through the view host, checked on
// the wire to the virtual mouse and in the profile files.
TestCase {
    name: "MainPage"

    property var page: testEnv.page

    function item(name) {
        var it = testEnv.item(name)
        verify(it !== null, name + " is missing")
        return it
    }
    function bytes(record) {
        return record.plain.split(" ").map(function (h) { return parseInt(h, 16) })
    }
    // Feature frames of one command: [code, p1, p2, ...] without the report id.
    function frames(code) {
        verify(testEnv.waitLinkFree())
        return testEnv.traffic().filter(function (r) {
            return r.dir === "to_device" && r.kind === "feature" && bytes(r)[1] === code
        }).map(function (r) { return bytes(r).slice(1, 8) })
    }
    // The data block that followed each frame of a command.
    function blocks(code) {
        verify(testEnv.waitLinkFree())
        var list = []
        var records = testEnv.traffic().filter(function (r) { return r.dir === "to_device" })
        for (var i = 0; i < records.length; ++i)
            if (records[i].kind === "feature" && bytes(records[i])[1] === code
                    && i + 1 < records.length && records[i + 1].kind === "output")
                list.push(bytes(records[i + 1]).slice(1))
        return list
    }
    function profileValue(key) {
        return testEnv.setting("setting/p1.bin", key)
    }
    function waitUnlocked() {
        tryCompare(ui_View, "enabled", true, 5000)
        verify(testEnv.waitLinkFree())
        testEnv.clearTraffic()
    }

    // Every test starts on profile 0 holding the factory settings.
    function init() {
        tryVerify(function () { return item("DpiSetting").visible }, 10000)
        waitUnlocked()
        compare(page.profileNo, 0)
        ui_View.resetProfile(0)
        page.initSettingPanels(false)
        page.showPanel(item("DpiSetting"))
        testEnv.clearTraffic()
    }

    function test_startUpShowsTheEnglishPage() {
        verify(!item("powerOnLogo").visible)
        verify(!item("BusyIndicator").visible)
        verify(!item("BusyIndicator").running, "the busy indicator animates while hidden")
        var texts = testEnv.value(page, "mainLang")
        compare(texts.length, 35)
        compare(texts[16], "Scrol one Screen")
        compare(texts[27], "Reset Factroy Setting")
        compare(item("DpiSetting").title, "DPI Setting")
    }

    function test_protectionLocksTheViewUntilItEnds() {
        ui_Ctl.setBusy(400)
        verify(!ui_View.enabled)
        verify(item("BusyIndicator").visible && item("BusyIndicator").running)
        verify(!testEnv.click(item("ReportRate").picture, 20, 20), "a locked page took a press")
        tryCompare(ui_View, "enabled", true)
        verify(!item("BusyIndicator").running)
        compare(frames(0x01).length, 0)
    }

    function test_dpiBarsAndTicks() {
        var dpi = item("DpiSetting")
        // Stage 2 untick: its code becomes 0x80; stage 4 ticked stays 0x80 all the same.
        testEnv.click(item("dpiCheck2"), 7, 7)
        testEnv.click(item("dpiCheck4"), 7, 7)
        compare(profileValue("sensor/dpi_Select").map(Number), [1, 1, 0, 1, 1, 0, 0, 0])
        // Bar height 77 of 154: trunc((1875 + 250) / 50) * 50 = 2100, code of 2500.
        testEnv.click(dpi.stageAt(0).bar, 10, 154 - 77)
        compare(dpi.stageAt(0).value, 2100)
        var last = blocks(0x11).pop()
        compare(last.slice(0, 8), [0x45, 0x04, 0x80, 0x08, 0x80, 0x80, 0x80, 0x80])
        compare(frames(0x11).pop().slice(0, 3), [0x11, 7, 8])
        compare(profileValue("sensor/dpi_Q7").map(Number), [2100, 1000, 1500, 2000, 3000, 4000, 250, 250])
        // The top of the bar is 4000; a stored 260 takes the code of 500.
        testEnv.click(dpi.stageAt(1).bar, 10, 0)
        compare(dpi.stageAt(1).value, 4000)
        ui_View.ui_11H_SetDPISet(7, dpi.codes(), [260, 4000, 1500, 2000, 3000, 4000, 250, 250])
        testEnv.clearTraffic()
        dpi.init(true)
        compare(blocks(0x11).pop().slice(0, 2), [0x02, 0x48])
    }

    function test_stageColours() {
        var bar = item("ColorBar")
        testEnv.click(item("dpiColor1"), 9, 9)
        verify(bar.visible)
        testEnv.click(bar.presetAt(2), 5, 5)   // blue
        var sent = blocks(0x10)
        compare(sent.length, 2, "a colour change goes out twice")
        compare(sent[1].slice(0, 9), [255, 0, 0, 0, 0, 255, 0, 0, 255])
        compare(sent[1].slice(18, 24), [0, 0, 0, 0, 0, 0])
        compare(frames(0x10)[0].slice(0, 3), [0x10, 1, 24])
        // Out of range and non-numbers never reach the mouse; the shown value comes back.
        var red = bar.inputAt(0)
        testEnv.clearTraffic()
        testEnv.click(red, 5, 5)
        testEnv.type("300\n")
        compare(red.text, "0")
        testEnv.type("x7\n")
        compare(red.text, "7")
        compare(blocks(0x10).pop().slice(3, 6), [7, 0, 255])
        compare(profileValue("color_Q7/type1").map(Number).slice(3, 6), [7, 0, 255])
        // A press on the empty page closes the bar.
        testEnv.click(item("emptyArea"), 500, 600)
        verify(!bar.visible)
    }

    function test_lightingEffects() {
        var lighting = item("Lighting")
        function pick(effect, position) {
            var s = lighting.sliderAt(effect)
            testEnv.click(s, 6 + position * (s.width - 12) / 4, 8)
            return frames(0x0D).pop().slice(0, 4)
        }
        // Static at its lowest step is the light off, stored as the panel's own triple.
        compare(pick(1, 0), [0x0D, 0, 0, 0])
        compare(profileValue("color_Q7/ledEffect").map(Number), [1, 0, 2])
        compare(pick(1, 4), [0x0D, 1, 10, 2])
        compare(pick(2, 1), [0x0D, 2, 4, 2])
        compare(pick(3, 2), [0x0D, 3, 18, 2])
        // An effect the panel does not know is shown and sent as finger tapping.
        ui_View.ui_0DH_SetRGBLedEffect(7, 0, 0, [7, 3, 2])
        testEnv.clearTraffic()
        lighting.init(true)
        compare(lighting.effect, 4)
        compare(frames(0x0D).pop().slice(0, 4), [0x0D, 4, 24, 2])
    }

    function test_reportRateQuadrants() {
        var picture = item("ReportRate").picture
        var corners = [[20, 20, 8], [200, 20, 1], [20, 80, 4], [200, 80, 2]]
        for (var i = 0; i < corners.length; ++i) {
            testEnv.click(picture, corners[i][0], corners[i][1])
            compare(frames(0x01).pop().slice(0, 2), [0x01, corners[i][2]])
        }
        // A stored 16 shows and goes out as 8.
        ui_View.ui_01H_SetReportRate(16)
        testEnv.clearTraffic()
        item("ReportRate").init(true)
        compare(item("ReportRate").value, 8)
        compare(frames(0x01).pop().slice(0, 2), [0x01, 8])
        // A command the mouse never took leaves the panel working.
        verify(testEnv.fault("send-feature"))
        testEnv.click(picture, 200, 20)
        testEnv.click(picture, 200, 80)
        compare(frames(0x01).pop().slice(0, 2), [0x01, 2])
    }

    function test_dialAngles() {
        var speed = item("MouseSpeed")
        page.showPanel(speed)
        // Right half at the centre's height: 11; left half below it: 0; straight up: 6;
        // 45 degrees: 3.
        var presses = [[150, 70, 11], [20, 90, 0], [100, 10, 6], [60, 30, 3]]
        for (var i = 0; i < presses.length; ++i) {
            testEnv.click(speed.picture, presses[i][0], presses[i][1])
            compare(Number(profileValue("sensor/cursorSpeed_Q7")), presses[i][2])
        }
        var doubleClick = item("DoubleClickSpeed")
        page.showPanel(doubleClick)
        testEnv.click(doubleClick.picture, 199, 99)
        compare(Number(profileValue("sensor/doubleClickSpeed_Q7")), 11)
    }

    function test_scrollRows() {
        var scroll = item("ScrollSpeed")
        page.showPanel(scroll)
        testEnv.click(scroll.screenOption, 5, 10)
        compare(Number(profileValue("sensor/verticalScrollLines_Q7")), 1000)
        testEnv.click(scroll.input, 5, 5)
        verify(page.isScrollRateFocus)
        testEnv.type("150\n")
        compare(scroll.input.text, "3")
        testEnv.type("0\n")
        compare(scroll.input.text, "3")
        compare(Number(profileValue("sensor/verticalScrollLines_Q7")), 1000)
        testEnv.type("a42\n")
        compare(Number(profileValue("sensor/verticalScrollLines_Q7")), 42)
        verify(!scroll.screen)
        // Leaving the input (a press on the page) drops its focus.
        testEnv.click(item("emptyArea"), 500, 600)
        verify(!page.isScrollRateFocus)
    }

    function test_factoryReset() {
        var dialog = item("ResetDialog")
        testEnv.click(item("ReportRate").picture, 200, 80)
        testEnv.click(item("Menu_Down_0"), 5, 5)
        verify(dialog.visible && item("Mask").visible)
        testEnv.click(dialog.cancelButton, 5, 5)
        verify(!dialog.visible && !item("Mask").visible)
        compare(Number(profileValue("sensor/reportRate_Q7")), 2)

        testEnv.click(item("Menu_Down_0"), 5, 5)
        // Dragged by its title far past the corner, it stays inside the page.
        testEnv.press(dialog.titleBar, 20, 10)
        testEnv.move(dialog.titleBar, 400, 300)
        testEnv.move(dialog.titleBar, 2000, 2000)
        testEnv.release(dialog.titleBar, 2000, 2000)
        compare(dialog.x, page.width - dialog.width)
        compare(dialog.y, page.height - dialog.height)
        testEnv.clearTraffic()
        testEnv.click(dialog.okButton, 5, 5)
        verify(!dialog.visible && !ui_View.enabled)
        // Every panel is sent again from the factory profile.
        compare(frames(0x01).pop().slice(0, 2), [0x01, 1])
        compare(blocks(0x11).pop().slice(0, 8), [0x02, 0x04, 0x06, 0x08, 0x80, 0x80, 0x80, 0x80])
        compare(blocks(0x10).length, 1)
        compare(frames(0x0D).pop().slice(0, 4), [0x0D, 1, 10, 2])
        compare(Number(profileValue("sensor/reportRate_Q7")), 1)
        compare(Number(profileValue("sensor/cursorSpeed_Q7")), 5)
        compare(item("ReportRate").value, 1)
        tryCompare(ui_View, "enabled", true, 5000)
    }

    function test_profileSwitch() {
        var rate = item("ReportRate")
        // The same profile again: no switch, the panels keep what they show.
        rate.value = 4
        page.changeProfile(page.profileNo)
        compare(rate.value, 4)
        rate.value = 1
        compare(Number(testEnv.setting("setting/apConfig.bin", "Q7/profileNo")), 0)
        page.profileClosed()
        verify(ui_View.enabled)

        // Profile 1 differs from profile 0 in its report rate.
        testEnv.click(rate.picture, 200, 80)
        ui_View.copyProfile(1, 0)
        testEnv.click(rate.picture, 200, 20)
        verify(testEnv.waitLinkFree())
        testEnv.clearTraffic()
        page.changeProfile(1)
        compare(Number(testEnv.setting("setting/apConfig.bin", "Q7/profileNo")), 1)
        compare(rate.value, 2)
        compare(frames(0x01).length, 0, "sent before the profile overlay closed")
        page.profileClosed()
        verify(!ui_View.enabled)
        compare(frames(0x01).pop().slice(0, 2), [0x01, 2])
        waitUnlocked()
        page.changeProfile(0)
        page.profileClosed()
        compare(rate.value, 1)
    }

    function test_chineseStartUp() {
        testEnv.setConfig("common/language", "ChineseSimplified")
        page.initUI()
        compare(testEnv.value(page, "mainLang")[3], "DPI设置")
        compare(testEnv.value(page, "mainLang")[16], "一次滚动一屏")
        compare(item("DpiSetting").title, "DPI设置")
        compare(item("Launcher").macroText, "宏管理器")
        waitUnlocked()
        testEnv.setConfig("common/language", "English")
        page.initUI()
        compare(testEnv.value(page, "mainLang")[3], "DPI Setting")
        waitUnlocked()
    }

    function test_menusAndDragging() {
        var help = item("HelpMenu")
        testEnv.click(item("Menu_Up_2"), 5, 5)
        verify(help.visible)
        testEnv.click(help.rowAt(0), 10, 10)
        verify(!help.visible)
        var opened = testEnv.openedUrls()
        compare(opened.length, 1)
        verify(/^file:.*\/modules\/help\/index\.html$/.test(opened[0]), opened[0])
        verify(testEnv.readFile("help/index.html").indexOf("<html") >= 0)
        // Dragging the empty page moves the window by the pointer's offset.
        var before = testEnv.windowPos()
        testEnv.press(item("emptyArea"), 500, 10)
        testEnv.move(item("emptyArea"), 520, 25)
        testEnv.release(item("emptyArea"), 520, 25)
        var after = testEnv.windowPos()
        compare([after.x - before.x, after.y - before.y], [20, 15])
    }

    function test_keyNames() {
        var keys = item("KeyCodeString")
        var byName = testEnv.value(keys, "str2keycode")
        compare(byName["\\ |"], 0x32)
        compare(byName["Int'l 2"], 0x89)
        compare(byName["Intl'2"], 0x88)
        compare(keys.keycodeTostr(0x32), "\\ |")
        compare(keys.keycodeTostr(0x74), "")
        compare(keys.mousecodeTostr(0xF3), "MS-B4")
        compare(keys.logByte(0x128), 4)
        compare(keys.logByte(0x100), 0)
    }
}
