import QtQuick
import QtTest

// The update as a user runs it: the updater from ./update, its "Update" pressed, the mouse
// back with the new firmware and taken up again by the configurator.
TestCase {
    name: "Update"

    function cleanup() { testEnv.stopUpdaters() }

    function test_updateFromTheConfigurator() {
        if (!testEnv.hasDisplay())
            skip("needs an X display (./test.sh starts one)")
        compare(ui_View.ui_80H_GetFWVersion(), "1.0A")
        testEnv.setEnv("QT_QPA_PLATFORM", "xcb")     // the updater shows where it can be clicked
        ui_View.openUpdateExe()
        // The updater starts once the mouse is handed over; until it has found the mouse,
        // its "Update" stays disabled.
        tryVerify(function () { return testEnv.clickUpdater() && testEnv.deviceState().mode !== "normal" },
                  20000, "the updater did not take the mouse into its boot loader")
        testEnv.setEnv("QT_QPA_PLATFORM", "offscreen")
        tryVerify(function () { return testEnv.deviceState().mode === "normal" && testEnv.deviceState().firmware_version.a2 === 0x0B },
                  60000, "the mouse did not come back with the new firmware")
        tryVerify(function () { return ui_View.ui_80H_GetFWVersion() === "1.0B" }, 20000, "not taken up again")
        // The updater runs on by itself; the configurator does not wait for it.
        compare(testEnv.stopUpdaters(), 1)
    }
}
