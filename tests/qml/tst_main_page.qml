import QtQuick
import QtTest

// The main page through real presses on the view host, checked on the wire and on disk.
TestCase {
    name: "MainPage"

    property var page: testEnv.page

    function item(name) { return testEnv.item(name) }
    // The frame [code, p1, ...] and the data block of the last command of that code.
    function last(code) { return testEnv.sent(code).pop() || { frame: [], data: [] } }
    function stored(key) { return testEnv.setting("setting/p1.bin", key) }

    function init() {
        ui_View.resetProfile(0)
        page.initSettingPanels(false)
        page.showPanel(item("DpiSetting"))
        testEnv.clearTraffic()
    }

    function test_protectionLocksTheViewUntilItEnds() {
        ui_Ctl.setBusy(400)
        verify(!ui_View.enabled && item("BusyIndicator").running)
        compare(page.protectTime, 400)
        verify(!testEnv.click(item("ReportRate").picture, 20, 20), "a locked page took a press")
        tryCompare(ui_View, "enabled", true)
        verify(!item("BusyIndicator").running)
        compare(testEnv.sent(0x01).length, 0)
    }

    // A send the mouse refused is said on the page, naming the setting; Retry sends the
    // profile again, and the bar goes by itself once the mouse holds the profile.
    function test_refusedSendIsShownWithRetry() {
        var notice = item("sendFailedNotice")
        verify(!notice.visible)
        verify(testEnv.ctl(["fault", "send-feature", "1"]))
        testEnv.click(item("ReportRate").picture, 20, 20)
        tryVerify(function () { return notice.visible }, 5000)
        verify(notice.text.indexOf("report rate") >= 0, notice.text)
        verify(testEnv.waitLinkFree())
        testEnv.clearTraffic()
        testEnv.click(item("sendFailedRetry"), 5, 5)
        verify(!notice.visible)
        verify(testEnv.waitLinkFree())
        verify(testEnv.sent(0x01).length > 0 && testEnv.sent(0x11).length > 0)

        verify(testEnv.ctl(["fault", "send-feature", "1"]))
        testEnv.click(item("ReportRate").picture, 60, 20)
        tryVerify(function () { return notice.visible }, 5000)
        tryVerify(function () { return !notice.visible }, 15000, "the bar stayed after the resend")
    }

    // What a stage shows is what the mouse runs: a bar lands on a value the mouse takes,
    // a stored value shows as the one it runs, and the stages the DPI button never steps
    // to cannot be ticked.
    function test_dpiBarsAndTicks() {
        var dpi = item("DpiSetting")
        // Stage 2 untick: its code becomes 0x80; stage 4 is out of the button's reach.
        testEnv.click(item("dpiCheck2"), 7, 7)
        testEnv.click(item("dpiCheck4"), 7, 7)
        compare(stored("sensor/dpi_Select").map(Number), [1, 1, 0, 1, 0, 0, 0, 0])
        verify(!dpi.stageAt(4).checked && !dpi.stageAt(4).stepped && dpi.stageAt(3).stepped)
        // Bar height 77 of 154 stands for 2125: the nearest value the mouse takes is 2000.
        testEnv.click(dpi.stageAt(0).bar, 10, 154 - 77)
        compare(dpi.stageAt(0).value, 2000)
        compare(last(0x11).frame.slice(0, 3), [0x11, 7, 8])
        compare(last(0x11).data.slice(0, 8), [0x08, 0x04, 0x80, 0x08, 0x80, 0x80, 0x80, 0x80])
        compare(stored("sensor/dpi_Q7").map(Number), [2000, 1000, 1500, 2000, 3000, 4000, 250, 250])
        // The ends of the bar.
        testEnv.click(dpi.stageAt(1).bar, 10, 153)
        testEnv.click(dpi.stageAt(2).bar, 10, 1)
        compare([dpi.stageAt(1).value, dpi.stageAt(2).value], [250, 4000])
        // A stored 260 runs as (and shows) 500; a stored 1850 as 2000; a stored tick on
        // stage 5 shows unticked.
        ui_View.ui_11H_SetDPISet(7, dpi.codes(), [260, 1850, 1500, 2000, 3000, 4000, 250, 250])
        ui_View.ui_11H_SetDPISelect([1, 1, 1, 1, 1, 1, 0, 0])
        testEnv.clearTraffic()
        dpi.init(true)
        compare([dpi.stageAt(0).value, dpi.stageAt(1).value], [500, 2000])
        compare(last(0x11).data.slice(0, 2), [0x02, 0x08])
        verify(dpi.stageAt(3).checked && !dpi.stageAt(4).checked)
    }

    function test_stageColours() {
        var bar = item("ColorBar")
        testEnv.click(item("dpiColor1"), 9, 9)
        testEnv.click(bar.presetAt(2), 5, 5)   // blue
        var sent = testEnv.sent(0x10)
        compare(sent.length, 2, "a colour change goes out twice")
        compare(sent[0].frame.slice(0, 3), [0x10, 1, 24])
        compare(sent[1].data.slice(0, 9), [255, 0, 0, 0, 0, 255, 0, 0, 255])
        // Out of range and non-numbers never reach the mouse; the shown value comes back.
        testEnv.click(bar.inputAt(0), 5, 5)
        testEnv.type("300\n")
        compare(bar.inputAt(0).text, "0")
        testEnv.type("x7\n")
        compare(last(0x10).data.slice(3, 6), [7, 0, 255])
        compare(stored("color_Q7/type1").map(Number).slice(3, 6), [7, 0, 255])
        // Each channel is its own, up to 255 and not beyond.
        testEnv.click(bar.inputAt(1), 5, 5)
        testEnv.type("255\n")
        compare(last(0x10).data.slice(3, 6), [7, 255, 255])
        testEnv.click(bar.inputAt(2), 5, 5)
        testEnv.type("256\n")
        compare(bar.inputAt(2).text, "255")
        testEnv.type("1\n")
        compare(last(0x10).data.slice(3, 6), [7, 255, 1])
        testEnv.click(item("emptyArea"), 500, 600)
        verify(!bar.visible, "a press on the empty page closes the bar")
    }

    function test_lighting_data() {
        return [{ tag: "static lowest is off", effect: 1, step: 0, frame: [0x0D, 0, 0, 0], stored: [1, 0, 2] },
                { tag: "static", effect: 1, step: 4, frame: [0x0D, 1, 10, 2], stored: [1, 4, 2] },
                { tag: "breath", effect: 2, step: 1, frame: [0x0D, 2, 4, 2], stored: [2, 1, 2] },
                { tag: "neon", effect: 3, step: 2, frame: [0x0D, 3, 18, 2], stored: [3, 2, 2] }]
    }
    function test_lighting(row) {
        var s = item("Lighting").sliderAt(row.effect)
        testEnv.click(s, 6 + row.step * (s.width - 12) / 4, 8)
        compare(last(0x0D).frame.slice(0, 4), row.frame)
        compare(stored("color_Q7/ledEffect").map(Number), row.stored)
    }

    function test_storedValuesTheMouseCannotTake() {
        // An unknown effect is shown and sent as finger tapping, a rate of 16 as 8.
        ui_View.ui_0DH_SetRGBLedEffect(7, 0, 0, [7, 3, 2])
        ui_View.ui_01H_SetReportRate(16)
        testEnv.clearTraffic()
        item("Lighting").init(true)
        item("ReportRate").init(true)
        compare(last(0x0D).frame.slice(0, 4), [0x0D, 4, 24, 2])
        compare(last(0x01).frame.slice(0, 2), [0x01, 8])
    }

    function test_reportRateQuadrants() {
        var corners = [[20, 20, 8], [200, 20, 1], [20, 80, 4], [200, 80, 2]]
        for (var i = 0; i < corners.length; ++i) {
            testEnv.click(item("ReportRate").picture, corners[i][0], corners[i][1])
            compare(last(0x01).frame.slice(0, 2), [0x01, corners[i][2]])
        }
        compare(Number(stored("sensor/reportRate_Q7")), 2)
    }

    function test_dial_data() {
        return [{ tag: "right", panel: "MouseSpeed", x: 150, y: 70, key: "cursorSpeed_Q7", value: 11 },
                { tag: "left below", panel: "MouseSpeed", x: 20, y: 90, key: "cursorSpeed_Q7", value: 0 },
                { tag: "45 degrees", panel: "MouseSpeed", x: 60, y: 30, key: "cursorSpeed_Q7", value: 3 },
                { tag: "double click", panel: "DoubleClickSpeed", x: 199, y: 99, key: "doubleClickSpeed_Q7", value: 11 }]
    }
    function test_dial(row) {
        page.showPanel(item(row.panel))
        testEnv.click(item(row.panel).picture, row.x, row.y)
        compare(Number(stored("sensor/" + row.key)), row.value)
    }

    function test_scrollRows() {
        var scroll = item("ScrollSpeed")
        page.showPanel(scroll)
        testEnv.click(scroll.screenOption, 5, 10)
        compare(Number(stored("sensor/verticalScrollLines_Q7")), 1000)
        testEnv.click(scroll.input, 5, 5)
        testEnv.type("150\n")                   // out of range: nothing stored
        testEnv.type("a42\n")
        compare(Number(stored("sensor/verticalScrollLines_Q7")), 42)
        // The ends of the range are taken, one past them is not.
        for (var i = 0; i < 4; ++i) {
            var typed = [0, 1, 101, 100][i]
            scroll.input.selectAll()
            testEnv.type(typed + "\n")
            compare(Number(stored("sensor/verticalScrollLines_Q7")), [42, 1, 1, 100][i], "typed " + typed)
        }
        testEnv.click(item("emptyArea"), 500, 600)
        verify(!page.isScrollRateFocus, "a press on the page drops the input's focus")
    }

    // A desktop setting the desktop did not take is said under its own panel, and goes when
    // a later one is taken. The double-click time goes to a desktop tool, which no test
    // desktop has: the real path ends in the note too.
    function test_desktopKeepsItsSettings() {
        var panels = [item("MouseSpeed"), null, item("ScrollSpeed"), item("DoubleClickSpeed")]
        var find = function (it, name) {
            if (it.objectName === name)
                return it
            for (var c = 0; c < it.children.length; ++c) {
                var found = find(it.children[c], name)
                if (found)
                    return found
            }
            return null
        }
        var note = function (panel) { return find(panel, "desktopNote") }
        for (var setting = 0; setting < 4; ++setting)
            ui_View.desktopSettingTaken(setting, true)    // what earlier cases left
        for (setting = 0; setting < 4; ++setting) {
            ui_View.desktopSettingTaken(setting, false)
            for (var i = 0; i < 4; ++i)
                if (panels[i])
                    compare(note(panels[i]).visible, i === setting || (i < setting && i !== 1),
                            "after setting " + setting + ", panel " + i)
        }
        for (setting = 0; setting < 4; ++setting)
            ui_View.desktopSettingTaken(setting, true)
        verify(!note(panels[0]).visible && !note(panels[2]).visible && !note(panels[3]).visible)
        page.showPanel(panels[3])
        testEnv.click(panels[3].picture, 199, 99)
        tryVerify(function () { return note(panels[3]).visible }, 20000)
        verify(panels[3].height > 130, "the panel makes room for the note")
        ui_View.desktopSettingTaken(3, true)
    }

    // Escape closes what is open, like its Cancel; the single-key box takes Escape as the key.
    function test_escapeClosesOverlays_data() {
        return [{ tag: "reset", name: "ResetDialog", closes: true },
                { tag: "profiles", name: "Profile", closes: true },
                { tag: "guns", name: "GunControl", closes: true },
                { tag: "macro editor", name: "MacroEditor", closes: true },
                { tag: "macro key", name: "MacroKey", closes: true, assigns: true },
                { tag: "single key", name: "SingleKey", closes: false, assigns: true }]
    }
    function test_escapeClosesOverlays(row) {
        var overlay = item(row.name)
        if (row.assigns) {
            page.selectedButton = 3
            page.openAssignOverlay(overlay)
        } else {
            page.showOverlay(overlay)
        }
        verify(overlay.visible && item("Mask").visible)
        testEnv.type("\x1b")
        compare(overlay.visible, !row.closes)
        compare(item("Mask").visible, !row.closes)
        if (overlay.visible) {
            testEnv.click(overlay.cancelButton, 5, 5)
            verify(!overlay.visible && !item("Mask").visible)
        }
        compare(testEnv.sent(0x12).length, 0, "nothing was assigned")
    }

    // Escape closes a menu or bar of the page, and a menu inside an overlay before the
    // overlay itself.
    function test_escapeClosesMenus() {
        page.openKeyMenu(2)
        verify(item("KeyMenu").visible)
        testEnv.type("\x1b")
        verify(!item("KeyMenu").visible)
        testEnv.click(item("dpiColor1"), 9, 9)
        verify(item("ColorBar").visible)
        testEnv.type("\x1b")
        verify(!item("ColorBar").visible)

        var profile = item("Profile")
        page.showOverlay(profile)
        testEnv.click(profile.rowAt(0), 20, 10, true)
        verify(item("profileMenu").visible)
        testEnv.type("\x1b")
        verify(!item("profileMenu").visible && profile.visible)
        testEnv.type("\x1b")
        verify(!profile.visible)
    }

    function test_factoryReset() {
        var dialog = item("ResetDialog")
        testEnv.click(item("ReportRate").picture, 200, 80)
        testEnv.click(item("Menu_Down_0"), 5, 5)
        testEnv.click(dialog.cancelButton, 5, 5)
        verify(!dialog.visible && !item("Mask").visible)
        compare(Number(stored("sensor/reportRate_Q7")), 2)
        testEnv.click(item("Menu_Down_0"), 5, 5)
        testEnv.clearTraffic()
        testEnv.click(dialog.okButton, 5, 5)
        verify(!dialog.visible && !ui_View.enabled)
        // Every panel is sent again from the factory profile.
        compare(last(0x01).frame.slice(0, 2), [0x01, 1])
        compare(last(0x11).data.slice(0, 8), [0x02, 0x04, 0x06, 0x08, 0x80, 0x80, 0x80, 0x80])
        compare(testEnv.sent(0x10).length, 1)
        compare(last(0x0D).frame.slice(0, 4), [0x0D, 1, 10, 2])
        compare(Number(stored("sensor/reportRate_Q7")), 1)
        page.setProtectUI(0)
    }

    function test_help() {
        testEnv.click(item("Menu_Up_2"), 5, 5)
        testEnv.click(item("HelpMenu").rowAt(0), 10, 10)
        verify(/^file:.*\/modules\/help\/index\.html$/.test(testEnv.openedUrls()[0]), testEnv.openedUrls()[0])
    }
}
