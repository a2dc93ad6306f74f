import QtQuick
import QtTest

// The update as a user runs it: the help menu starts the updater from ./update, the user
// presses "Update", the mouse comes back running the new firmware and the configurator
// takes it up again.
TestCase {
    name: "Update"

    function cleanup() {
        testEnv.stopUpdaters()
    }

    function test_updateFromTheConfigurator() {
        if (!testEnv.hasDisplay())
            skip("needs an X display (./test.sh starts one)")
        tryVerify(function () { return testEnv.waitLinkFree() }, 5000)
        compare(ui_View.ui_80H_GetFWVersion(), "1.0A")
        // The updater shows on the test display, where it can be clicked.
        testEnv.setEnv("QT_QPA_PLATFORM", "xcb")
        ui_View.openUpdateExe()
        testEnv.setEnv("QT_QPA_PLATFORM", "offscreen")
        // Until the updater has found the mouse, its "Update" stays disabled.
        tryVerify(function () {
            testEnv.clickUpdater()
            return testEnv.deviceState().mode !== "normal"
        }, 20000, "the updater did not take the mouse into its boot loader")
        tryVerify(function () {
            var s = testEnv.deviceState()
            return s.mode === "normal" && s.firmware_version.a2 === 0x0B
        }, 60000, "the mouse did not come back with the new firmware")
        // The configurator found it again by itself.
        tryVerify(function () { return ui_View.ui_80H_GetFWVersion() === "1.0B" }, 20000)
        // The updater runs on by itself; the configurator does not wait for it.
        compare(testEnv.stopUpdaters(), 1)
    }
}
