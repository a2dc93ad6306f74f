import QtQuick
import QtTest

// Profiles, gun records and axis sensitivity as the user drives them, checked in the
// stored files and on the wire to the virtual mouse.
TestCase {
    name: "Profiles"

    property var page: testEnv.page
    property var profile: testEnv.item("Profile")
    property var gun: testEnv.item("GunControl")

    function item(name) {
        var it = testEnv.item(name)
        verify(it !== null, name + " is missing")
        return it
    }
    function frames(code) {
        verify(testEnv.waitLinkFree())
        return testEnv.traffic().filter(function (r) {
            return r.dir === "to_device" && r.kind === "feature" && parseInt(r.plain.split(" ")[1], 16) === code
        }).map(function (r) { return r.plain.split(" ").slice(1, 8).map(function (h) { return parseInt(h, 16) }) })
    }
    // What was asked of the mouse so far has gone out; the log starts afresh.
    function quiet() {
        verify(testEnv.waitLinkFree())
        testEnv.clearTraffic()
    }
    function waitUnlocked() {
        tryVerify(function () { return ui_View.enabled }, 5000)
        quiet()
    }
    function setProfiles(names) {
        ui_View.updataNameList(2, names)
        profile.init()
    }
    function openProfiles() {
        testEnv.click(item("profileButton"), 5, 5)
        verify(profile.visible)
    }
    function menuCommand(row, cmd) {
        testEnv.rightClick(profile.rowAt(row), 20, 10)
        verify(profile.menu.visible)
        testEnv.click(profile.menuRowAt(cmd), 10, 10)
    }
    function rate(file) {
        return Number(testEnv.setting(file, "sensor/reportRate_Q7"))
    }

    // Every test starts on profile 0 with the overlays closed and no gun records.
    function init() {
        tryVerify(function () { return item("DpiSetting").visible }, 10000)
        if (profile.visible)
            profile.close()
        if (gun.visible)
            gun.cancel()
        page.changeProfile(0)
        page.profileClosed()
        waitUnlocked()
        gun.init()
        for (var i = 0; i < gun.rowCount; ++i)
            ui_View.modifyGundata(0, [gun.record(i).gunName])
        ui_View.updataNameList(1, [])
        gun.init()
    }

    function test_sixProfilesTakeNoMore() {
        setProfiles(["a0", "b1", "c2", "d3", "e4", "f5"])
        ui_View.setMacroKey(7, "kept")
        openProfiles()
        testEnv.click(profile.newButton, 5, 5)
        menuCommand(0, 2)
        // Without a free place New and Copy must not reset or overwrite any profile.
        profile.newProfile()
        profile.copyProfile()
        compare(profile.rowCount, 6)
        compare(ui_View.getNameList(2), ["a0", "b1", "c2", "d3", "e4", "f5"])
        compare(String(testEnv.setting("setting/p1.bin", "macro/7")), "kept")
    }

    function test_namesEndInTheirNumber() {
        setProfiles(["solo10", "loaderpellam"])
        compare(profile.rowCount, 1)
        compare([profile.nameAt(0), profile.numberAt(0)], ["solo1", 0])
        // A name another row has, or none at all, is refused.
        setProfiles(["solo10", "beta1"])
        openProfiles()
        menuCommand(0, 1)
        verify(profile.editor.activeFocus)
        testEnv.type("beta\n")
        menuCommand(0, 1)
        testEnv.type("   \n")
        compare(profile.nameAt(0), "solo1")
        menuCommand(0, 1)
        testEnv.type("x2\n")
        compare(ui_View.getNameList(2), ["x20", "beta1"])
        profile.init()
        compare([profile.nameAt(0), profile.numberAt(0)], ["x2", 0])
    }

    function test_newAndCopyStartFromTheirSource() {
        // Profile 1 holds report rate 4 before it is taken for a new profile.
        ui_View.ui_01H_SetReportRate(4)
        ui_View.copyProfile(1, 0)
        ui_View.resetProfile(0)
        ui_View.ui_01H_SetReportRate(2)
        setProfiles(["main0"])
        openProfiles()
        testEnv.click(profile.newButton, 5, 5)
        compare(ui_View.getNameList(2), ["main0", "profile_01"])
        compare(page.profileNo, 1)
        compare(item("ReportRate").value, 1, "the new profile shows the factory settings")
        menuCommand(0, 2)
        compare(ui_View.getNameList(2), ["main0", "profile_01", "main(0)2"])
        compare([page.profileNo, rate("setting/p3.bin")], [2, 2])
        compare(item("ReportRate").value, 2)
    }

    function test_switchReachesTheMouseWhenTheOverlayCloses() {
        ui_View.ui_01H_SetReportRate(2)
        ui_View.copyProfile(1, 0)
        ui_View.ui_01H_SetReportRate(1)
        setProfiles(["a0", "b1"])
        quiet()
        openProfiles()
        testEnv.click(profile.rowAt(1), 20, 10)
        compare(page.profileNo, 1)
        compare(item("ReportRate").value, 2)
        compare(frames(0x01).length + frames(0x0E).length, 0)
        testEnv.click(item("profileButton"), 5, 5)
        verify(!profile.visible && !item("Mask").visible)
        compare(frames(0x01).pop().slice(0, 2), [0x01, 2])
        compare(frames(0x0E).length, 1)
        waitUnlocked()
    }

    function test_deleteKeepsTheStoredProfile() {
        setProfiles(["a0", "b1", "c2"])
        openProfiles()
        testEnv.click(profile.rowAt(1), 20, 10)
        ui_View.setMacroKey(5, "mine")
        menuCommand(1, 0)
        compare(ui_View.getNameList(2), ["a0", "c2"])
        compare(page.profileNo, 2, "the neighbour became active")
        compare(String(testEnv.setting("setting/p2.bin", "macro/5")), "mine")
        menuCommand(0, 0)
        menuCommand(0, 0)
        compare(ui_View.getNameList(2), ["c2", "loaderpellam"])
    }

    function test_importAndExport() {
        setProfiles(["a0"])
        testEnv.click(item("ReportRate").picture, 200, 80)   // 2
        openProfiles()
        testEnv.answerFileDialog("export.pf")
        menuCommand(0, 4)
        compare(testEnv.readFile("export.pf"), testEnv.readFile("setting/p1.bin"))
        profile.close()
        testEnv.click(item("ReportRate").picture, 20, 20)    // 8
        var warned = testEnv.warnings().length
        openProfiles()
        // Not a profile, then a cancelled dialog: nothing changes, nothing is sent.
        testEnv.writeFile("bad.pf", "\u0001\u0002PNG\n[General]\nwindowState=2\n")
        testEnv.answerFileDialog("bad.pf")
        quiet()
        menuCommand(0, 3)
        compare(testEnv.warnings().length, warned + 1)
        menuCommand(0, 3)
        compare(testEnv.warnings().length, warned + 1)
        compare([item("ReportRate").value, rate("setting/p1.bin")], [8, 8])
        compare(frames(0x01).length, 0)
        testEnv.answerFileDialog("export.pf")
        menuCommand(0, 3)
        compare([item("ReportRate").value, rate("setting/p1.bin")], [2, 2])
        compare(frames(0x01).pop().slice(0, 2), [0x01, 2])
        compare(testEnv.dialogs().slice(-4), ["save|Save File", "open|Open File", "open|Open File", "open|Open File"])
        waitUnlocked()
    }

    function test_newGunShowsMinusTenIsSavedWithZero() {
        testEnv.click(item("launchGunControl"), 5, 5)
        verify(gun.visible)
        testEnv.click(gun.newButton, 5, 5)
        testEnv.click(gun.newButton, 5, 5)
        compare(ui_View.getNameList(1), ["Gun0", "Gun1"])
        compare(gun.yInput.text, "-10")
        compare(ui_View.getGunData("Gun1").map(String), ["L-Click", "10", "0", "0", "0"])
        verify(gun.unlimitedOption.checked)
        quiet()
        testEnv.click(gun.okButton, 5, 5)
        verify(!gun.visible && !item("Mask").visible)
        compare(ui_View.getGunData("Gun1").map(String), ["L-Click", "10", "0", "-10", "0"])
        compare(gun.selectGunName, "Gun1")
        compare(String(ui_View.getselectGun(0)), "Gun1")
        compare(frames(0x04).pop().slice(0, 6), [0x04, 0xF0, 0, 0, 0xF6, 0])
    }

    function test_gunInputsKeepToTheirRanges() {
        gun.newGun()
        gun.newGun()
        testEnv.click(item("launchGunControl"), 5, 5)
        function enter(input, text) {
            testEnv.click(input, 5, 5)
            input.selectAll()
            testEnv.type(text + "\n")
            return input.text
        }
        compare(enter(gun.periodInput, "300"), "255")
        compare(enter(gun.periodInput, "\b"), "10")
        compare(enter(gun.xInput, "-"), "0")
        compare(enter(gun.yInput, "-200"), "-127")
        testEnv.click(gun.runTimesOption, 5, 5)
        compare(gun.timesInput.text, "1")
        compare(enter(gun.timesInput, "0"), "0")
        verify(gun.unlimitedOption.checked)
        // Names that are taken, empty, or cannot be a record key are refused.
        compare(enter(gun.nameInput, "Gun0"), "Gun1")
        compare(enter(gun.nameInput, " "), "Gun1")
        compare(enter(gun.nameInput, "a/b"), "Gun1")
        compare(enter(gun.nameInput, "Rifle"), "Rifle")
        compare(ui_View.getNameList(1), ["Gun0", "Rifle"])
        compare(ui_View.getGunData("Gun1"), [])
        testEnv.click(gun.okButton, 5, 5)
        compare(ui_View.getGunData("Rifle").map(String), ["L-Click", "10", "0", "-127", "0"])
        testEnv.click(item("launchGunControl"), 5, 5)
        testEnv.click(gun.deleteButton, 5, 5)
        compare(ui_View.getNameList(1), ["Gun0", "loaderpellam"])
        compare(ui_View.getGunData("Rifle"), [])
        testEnv.click(gun.cancelButton, 5, 5)
    }

    function test_axisSteps() {
        var xy = item("XySetting")
        testEnv.click(xy.xSlider, 29, 25)
        testEnv.click(xy.ySlider, 200, 25)
        compare(frames(0x0E).pop().slice(0, 3), [0x0E, 20, 200])
        compare([Number(testEnv.setting("setting/p1.bin", "XYSensitive/0")),
                 Number(testEnv.setting("setting/p1.bin", "XYSensitive/1"))], [0, 9])
        testEnv.click(xy.xSlider, 30, 25)
        compare(frames(0x0E).pop().slice(0, 3), [0x0E, 40, 200])
        // A drag sends once, on release; a click on the shown step sends nothing.
        quiet()
        testEnv.press(xy.xSlider, 100, 25)
        testEnv.move(xy.xSlider, 150, 25)
        testEnv.move(xy.xSlider, 185, 25)
        testEnv.release(xy.xSlider, 185, 25)
        testEnv.click(xy.xSlider, 190, 25)
        compare(frames(0x0E), [[0x0E, 180, 200, 0, 0, 0, 0]])
    }
}
