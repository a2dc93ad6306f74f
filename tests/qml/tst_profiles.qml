import QtQuick
import QtTest

// Profiles, guns and axis sensitivity as the user drives them, checked on disk and the wire.
TestCase {
    name: "Profiles"

    property var page: testEnv.page
    property var profile: testEnv.item("Profile")
    property var gun: testEnv.item("GunControl")

    function item(name) { return testEnv.item(name) }
    function frames(code) { return testEnv.sent(code).map(function (s) { return s.frame }) }
    function rate(file) { return Number(testEnv.setting(file, "sensor/reportRate_Q7")) }
    function openProfiles(names) {
        ui_View.updataNameList(2, names)
        profile.init()
        testEnv.click(item("profileButton"), 5, 5)
        verify(profile.visible)
    }
    function menuCommand(row, cmd) {
        testEnv.click(profile.rowAt(row), 20, 10, true)
        testEnv.click(profile.menuRowAt(cmd), 10, 10)
    }

    // Every test starts on profile 0 (the mouse need not follow), overlays shut, no guns.
    function init() {
        if (item("ConfirmBox").visible)
            item("ConfirmBox").finish(false)
        if (profile.visible)
            profile.close()
        if (gun.visible)
            gun.cancel()
        page.changeProfile(0)
        page.profileSwitched = false
        page.setProtectUI(0)
        tryCompare(ui_View, "enabled", true)
        testEnv.clearTraffic()
        ui_View.updataNameList(1, [])
        gun.init()
    }

    function test_sixProfilesTakeNoMore() {
        ui_View.setMacroKey(7, "kept")
        openProfiles(["a0", "b1", "c2", "d3", "e4", "f5"])
        // Without a free place New and Copy must not reset or overwrite any profile.
        testEnv.click(profile.newButton, 5, 5)
        menuCommand(0, 2)
        compare(ui_View.getNameList(2), ["a0", "b1", "c2", "d3", "e4", "f5"])
        compare(String(testEnv.setting("setting/p1.bin", "macro/7")), "kept")
    }

    // The name list may name stored profiles the page does not offer (6 to 9): no rows.
    function test_onlyTheSixOfferedProfilesAreRows() {
        openProfiles(["a0", "g7", "b5"])
        compare(profile.rowCount, 2)
        compare([profile.nameAt(1), profile.numberAt(1)], ["b", 5])
    }

    function test_namesEndInTheirNumber() {
        // A name another row has, or none at all, is refused.
        openProfiles(["solo10", "beta1"])
        compare([profile.nameAt(0), profile.numberAt(0)], ["solo1", 0])
        var names = [["beta", "solo10"], ["   ", "solo10"], ["x2", "x20"]]
        for (var i = 0; i < names.length; ++i) {
            menuCommand(0, 1)
            testEnv.type(names[i][0] + "\n")
            compare(ui_View.getNameList(2), [names[i][1], "beta1"], names[i][0])
        }
    }

    function test_newAndCopyStartFromTheirSource() {
        // Profile 1 holds report rate 4 before it is taken for a new profile.
        ui_View.ui_01H_SetReportRate(4)
        ui_View.copyProfile(1, 0)
        ui_View.resetProfile(0)
        ui_View.ui_01H_SetReportRate(2)
        openProfiles(["main0"])
        testEnv.click(profile.newButton, 5, 5)
        compare(ui_View.getNameList(2), ["main0", "profile_01"])
        compare([page.profileNo, item("ReportRate").value], [1, 1], "the new profile has the factory settings")
        menuCommand(0, 2)
        compare(ui_View.getNameList(2), ["main0", "profile_01", "main(0)2"])
        compare([page.profileNo, rate("setting/p3.bin"), item("ReportRate").value], [2, 2, 2])
    }

    // Copy starts from the active profile when it is not the first, and a new profile never
    // takes the number of the active one, even when it has no row.
    function test_copyAndNewBesideAnotherActiveProfile() {
        page.changeProfile(3)
        ui_View.ui_01H_SetReportRate(8)
        openProfiles(["a0", "d3"])
        menuCommand(1, 2)
        compare(ui_View.getNameList(2), ["a0", "d3", "d(0)1"])
        compare(rate("setting/p2.bin"), 8)
        profile.close()
        page.changeProfile(1)
        page.setProtectUI(0)
        tryCompare(ui_View, "enabled", true)
        openProfiles(["a0"])
        testEnv.click(profile.newButton, 5, 5)
        compare(ui_View.getNameList(2), ["a0", "profile_02"])
    }

    function test_switchReachesTheMouseWhenTheOverlayCloses() {
        ui_View.ui_01H_SetReportRate(2)
        ui_View.copyProfile(1, 0)
        ui_View.ui_01H_SetReportRate(1)
        openProfiles(["a0", "b1"])
        testEnv.clearTraffic()
        // The same profile again is no switch: the panels keep what they show.
        item("ReportRate").value = 4
        testEnv.click(profile.rowAt(0), 20, 10)
        compare(item("ReportRate").value, 4)
        testEnv.click(profile.rowAt(1), 20, 10)
        compare([page.profileNo, item("ReportRate").value], [1, 2])
        compare(Number(testEnv.setting("setting/apConfig.bin", "Q7/profileNo")), 1)
        compare(frames(0x01).length + frames(0x0E).length, 0)
        testEnv.click(item("profileButton"), 5, 5)
        verify(!profile.visible && !item("Mask").visible && !ui_View.enabled)
        compare(frames(0x01).pop().slice(0, 2), [0x01, 2])
        compare(frames(0x0E).length, 1)
    }

    // The macro slots are numbered like the buttons: a switch sends the new profile's
    // macros with its key matrix, and a chosen gun shows on its button at once.
    function test_macrosAndGunFollowTheProfile() {
        var matrix = item("KeyMatrix")
        ui_View.createMacroIni("Alpha", 0)
        ui_View.saveMacroIni("Alpha", ["1,A", "0,30", "2,A"], [], 1)
        var list = []
        for (var i = 0; i < 16; ++i)
            list = list.concat(i === 3 ? [9, 0, 4, 0] : i === 5 ? [8, 0, 1, 0]
                                                              : matrix.bytesOf(matrix.defaultCodes[i]))
        ui_View.ui_12H_SetKeyMatrix(list)
        ui_View.setMacroKey(3, "Alpha")
        ui_View.copyProfile(1, 0)
        ui_View.resetProfile(0)
        matrix.init(false)
        openProfiles(["a0", "b1"])
        testEnv.click(profile.rowAt(1), 20, 10)
        testEnv.clearTraffic()
        testEnv.click(item("profileButton"), 5, 5)
        compare(testEnv.sent(0x13).map(function (s) { return s.frame[1] }), [4])

        compare(matrix.texts[5], "Fn")
        testEnv.click(item("launchGunControl"), 5, 5)
        testEnv.click(gun.newButton, 5, 5)
        testEnv.click(gun.okButton, 5, 5)
        compare(matrix.texts[5], "Fn ( Gun0 ) ")
    }

    function test_deleteKeepsTheStoredProfile() {
        openProfiles(["a0", "b1", "c2"])
        testEnv.click(profile.rowAt(1), 20, 10)
        ui_View.setMacroKey(5, "mine")
        // Asked first, naming it; Enter is OK.
        menuCommand(1, 0)
        var box = item("ConfirmBox")
        verify(box.visible && box.text.indexOf("\u201cb\u201d") >= 0, box.text)
        compare(ui_View.getNameList(2), ["a0", "b1", "c2"])
        testEnv.type("\n")
        verify(!box.visible && profile.visible)
        compare(ui_View.getNameList(2), ["a0", "c2"])
        compare(page.profileNo, 2, "the neighbour became active")
        compare(String(testEnv.setting("setting/p2.bin", "macro/5")), "mine")
    }

    function test_importAndExport() {
        testEnv.click(item("ReportRate").picture, 200, 80)   // 2
        openProfiles(["a0"])
        testEnv.answerFileDialog("export.pf")
        menuCommand(0, 4)
        compare(testEnv.readFile("export.pf"), testEnv.readFile("setting/p1.bin"))
        profile.close()
        testEnv.click(item("ReportRate").picture, 20, 20)    // 8
        openProfiles(["a0"])
        // What is not a profile is refused with a warning and nothing sent.
        testEnv.writeFile("bad.pf", "\u0001\u0002PNG\n[General]\nwindowState=2\n")
        testEnv.answerFileDialog("bad.pf")
        testEnv.clearTraffic()
        menuCommand(0, 3)
        compare(testEnv.warnings().length, 1)
        compare([item("ReportRate").value, rate("setting/p1.bin"), frames(0x01).length], [8, 8, 0])
        testEnv.answerFileDialog("export.pf")
        menuCommand(0, 3)
        compare([item("ReportRate").value, rate("setting/p1.bin")], [2, 2])
        compare(frames(0x01).pop().slice(0, 2), [0x01, 2])
    }

    function test_newGunIsSavedAndSent() {
        testEnv.click(item("launchGunControl"), 5, 5)
        testEnv.click(gun.newButton, 5, 5)
        testEnv.click(gun.newButton, 5, 5)
        compare(ui_View.getNameList(1), ["Gun0", "Gun1"])
        // A new gun shows -10 but is saved with 0 until the user accepts it.
        compare(ui_View.getGunData("Gun1").map(String), ["L-Click", "10", "0", "0", "0"])
        testEnv.click(gun.okButton, 5, 5)
        verify(!gun.visible && !item("Mask").visible)
        compare(ui_View.getGunData("Gun1").map(String), ["L-Click", "10", "0", "-10", "0"])
        compare(String(ui_View.getselectGun(0)), "Gun1")
        compare(frames(0x04).pop().slice(0, 6), [0x04, 0xF0, 0, 0, 0xF6, 0])
    }

    // Deleting the last row selects the one before; renaming the profile's gun keeps it the
    // profile's gun.
    function test_deleteLastAndRenameChosenGun() {
        testEnv.click(item("launchGunControl"), 5, 5)
        gun.newGun()
        gun.newGun()
        gun.newGun()
        compare(gun.selectedRow, 2)
        testEnv.click(gun.deleteButton, 5, 5)
        compare([gun.rowCount, gun.selectedRow, gun.nameInput.text], [2, 1, "Gun1"])
        testEnv.click(gun.okButton, 5, 5)
        compare(String(ui_View.getselectGun(0)), "Gun1")
        testEnv.click(item("launchGunControl"), 5, 5)
        testEnv.click(gun.nameInput, 5, 5)
        gun.nameInput.selectAll()
        testEnv.type("Sniper\n")
        compare(String(ui_View.getselectGun(0)), "Sniper")
        gun.cancel()
    }

    // A full list offers no new gun, and says why; deleting one makes room again.
    function test_gunListHasABound() {
        testEnv.click(item("launchGunControl"), 5, 5)
        for (var i = 0; i < 100; ++i)
            gun.newGun()
        compare(gun.rowCount, 100)
        verify(!gun.newButton.enabled)
        verify(item("gunListFull").visible)
        gun.newGun()
        compare(ui_View.getNameList(1).length, 100)
        testEnv.click(gun.deleteButton, 5, 5)
        verify(gun.newButton.enabled && !item("gunListFull").visible)
    }

    function test_gunInputsKeepToTheirRanges_data() {
        return [{ tag: "period high", input: "periodInput", text: "300", shown: "255" },
                { tag: "period empty", input: "periodInput", text: "\b", shown: "10" },
                { tag: "y low", input: "yInput", text: "-200", shown: "-127" },
                { tag: "name taken", input: "nameInput", text: "Gun0", shown: "Gun1" },
                { tag: "name", input: "nameInput", text: "Rifle", shown: "Rifle" }]
    }
    function test_gunInputsKeepToTheirRanges(row) {
        gun.newGun()
        gun.newGun()
        testEnv.click(item("launchGunControl"), 5, 5)
        testEnv.click(gun[row.input], 5, 5)
        gun[row.input].selectAll()
        testEnv.type(row.text + "\n")
        compare(gun[row.input].text, row.shown)
        compare(ui_View.getNameList(1)[1], row.input === "nameInput" ? row.shown : "Gun1")
    }

    function test_axisSteps() {
        var xy = item("XySetting")
        testEnv.click(xy.xSlider, 29, 25)
        testEnv.click(xy.ySlider, 200, 25)
        compare(frames(0x0E).pop().slice(0, 3), [0x0E, 20, 200])
        compare(Number(testEnv.setting("setting/p1.bin", "XYSensitive/1")), 9)
        // A drag sends once, on release; a click on the shown step sends nothing.
        testEnv.clearTraffic()
        testEnv.drag(xy.xSlider, 100, [150, 185], 25)
        testEnv.click(xy.xSlider, 190, 25)
        compare(frames(0x0E), [[0x0E, 180, 200, 0, 0, 0, 0]])
        // Read back from a profile whose X and Y differ, each to its own slider; a stored
        // step past the last shows the last.
        ui_View.setXYSensitive(0, 2)
        ui_View.setXYSensitive(1, 12)
        testEnv.clearTraffic()
        xy.init(true)
        compare([xy.xSlider.value, xy.ySlider.value], [2, 9])
        compare(frames(0x0E), [[0x0E, 60, 200, 0, 0, 0, 0]])
    }
}
