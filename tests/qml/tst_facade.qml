import QtQuick
import QtTest
import "qrc:/modules/qml"

// The device facade through the real view host, checked on the wire and in the files.
TestCase {
    name: "Facade"

    function init() { testEnv.clearTraffic() }
    function stored(key) { return testEnv.setting("setting/p1.bin", key) }

    SignalSpy { id: sendFailures; target: ui_View; signalName: "sendFailed" }
    SignalSpy { id: balloons; target: hid; signalName: "balloonRequested" }

    // The mouse's DPI balloon names the DPI the stage runs, not a stored value between two
    // the mouse takes.
    function test_dpiBalloonSaysWhatTheMouseRuns() {
        ui_View.ui_11H_SetDPISet(7, [0x08, 0x04, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80],
                                 [1850, 1000, 1500, 2000, 3000, 4000, 250, 250])
        verify(testEnv.waitLinkFree())
        balloons.clear()
        verify(testEnv.ctl(["dpi-button", "1"]))
        tryCompare(balloons, "count", 1, 5000)
        compare(balloons.signalArguments[0][1], "DPI Switch to 2000")
    }

    function test_setter_data() {
        var list = [...Array(64).keys()]
        testEnv.writeFile("macro/plain.bin", "[config]\nindex=0\ntotal=0\ndid=-1\n")
        testEnv.writeFile("macro/looped.bin", "[config]\nindex=1\ntotal=0\nrepeat=300\ndid=-1\n")
        return [
            { tag: "stage colours, two to a byte", code: 0x10, frame: [0x10, 2, 4], data: [0x21, 0x43, 0x65, 0x87, 0],
              call: function () { ui_View.ui_10H_SetLED8StageColor(2, [1, 2, 3, 4, 5, 6, 7, 8]) },
              key: "color_Q7/type2", value: [1, 2, 3, 4, 5, 6, 7, 8] },
            { tag: "button table", code: 0x12, frame: [0x12, 1, 0x40], data: list,
              call: function () { ui_View.ui_12H_SetKeyMatrix(list) }, key: "keydefine_Q7/5", value: [20, 21, 22, 23],
              back: function () { return ui_View.getKeydefine(5) } },
            { tag: "short gun list zero-filled", code: 0x12, frame: [0x12, 3, 0x40], data: [9, 8, 7, 0, 0],
              call: function () { ui_View.ui_12H_SetGunKeyMatrix([9, 8, 7]) } },
            { tag: "macro without repeat", code: 0x13, frame: [0x13, 2, 0x80], data: [0, 1],
              call: function () { ui_View.ui_13H_SetMacroKey(2, "plain") } },
            { tag: "macro repeat from its file", code: 0x13, frame: [0x13, 3, 0x80], data: [0x01, 0x2C],
              call: function () { ui_View.ui_13H_SetMacroKey(3, "looped") } },
            { tag: "DPI stages", code: 0x11, frame: [0x11, 7, 8], data: [1, 2, 4, 8, 0x45, 0x46, 0x80, 0x80],
              call: function () { ui_View.ui_11H_SetDPISet(7, [1, 2, 4, 8, 0x45, 0x46, 0x80, 0x80],
                                                           [250, 500, 1000, 2000, 2500, 3000, 250, 250]) },
              key: "sensor/dpi_Q7", value: [250, 500, 1000, 2000, 2500, 3000, 250, 250] },
            { tag: "key colour", code: 0x14, frame: [0x14, 0, 2, 0xFF, 0, 0, 0], data: [],
              call: function () { ui_View.ui_14H_SetColor(2, 255, 0, 0) }, key: "color/2", value: [255, 0, 0],
              back: function () { return ui_View.ui_94H_GetColor(2) } },
            { tag: "picture kept, not sent", code: 0x12, call: function () { ui_View.ui_12H_SetUserPicture(3, 255, list) },
              key: "userPicture/3", value: list }
        ]
    }
    function test_setter(row) {
        row.call()
        var sent = testEnv.sent(row.code)
        compare(sent.length, row.frame ? 1 : 0)
        if (row.frame) {
            compare(sent[0].frame.slice(0, row.frame.length), row.frame)
            compare(sent[0].data.slice(0, row.data.length), row.data)
        }
        if (row.key)
            compare(stored(row.key).map(Number), row.value)
        // What the facade gives back to the pages for it.
        if (row.back)
            compare(row.back().map(Number), row.value)
    }

    function test_readersAndRecords() {
        // Profile numbers are only recorded, and only those of the ten files.
        ui_View.ui_02H_SetCurrentProfile(3)
        ui_View.ui_02H_SetCurrentProfile(12)
        compare(Number(testEnv.setting("setting/apConfig.bin", "Q7/profileNo")), 3)
        ui_View.ui_02H_SetCurrentProfile(0)
        // A hidden page does not ask the mouse for its stage.
        ui_View.ui_0BH_SetCurrentDPIStage(3)
        testEnv.setWindowVisible(false)
        compare(ui_View.ui_8BH_GetCurrentDPIStage(), 0)
        testEnv.setWindowVisible(true)
        compare(ui_View.ui_8BH_GetCurrentDPIStage(), 3)
        compare(testEnv.sent(0x8B).length, 1)
        verify(ui_View.chkIsLogoLedWork())
    }

    function test_failedSendIsReportedAndTheChoiceKept() {
        sendFailures.clear()
        verify(testEnv.ctl(["fault", "send-feature", "1"]))
        ui_View.ui_01H_SetReportRate(4)
        tryCompare(sendFailures, "count", 1)
        compare(sendFailures.signalArguments[0][0], 1)
        compare(Number(stored("sensor/reportRate_Q7")), 4)
        // The mouse is there and the link works again: the profile goes again by itself.
        tryVerify(function () { return testEnv.deviceState().report_rate === 4 }, 10000,
                  "the mouse did not converge to the profile")
        verify(testEnv.waitLinkFree())
        // Options that could not be read are not written back as zeros.
        verify(testEnv.ctl(["fault", "get-feature", "1"]))
        ui_View.setScrollPinSwap(true)
        compare(testEnv.sent(0x03).length, 0)
        compare(sendFailures.signalArguments[1][0], 3)
    }

    function test_scrollSwapChangesOnlyBitSix() {
        // The mouse reports option1 0x9E after the listener's keyboard-option command.
        ui_View.setScrollPinSwap(true)
        compare(testEnv.sent(0x03)[0].frame[3], 0x9E | 0x40)
        verify(ui_View.getScrollPinSwap())
        ui_View.setScrollPinSwap(false)
        verify(testEnv.waitLinkFree())
        compare(testEnv.deviceState().function_option.option1, 0x9E & ~0x40)
    }

    // An image the editor built goes to the slot after its index; no slot past the twelfth.
    function test_macroImageToItsSlot() {
        testEnv.clearTraffic()
        var image = [0, 1, 1, 4, 0x81, 4, 0, 0]
        for (var index of [0, 11.0, 12, -1, 256 + 3])
            verify(ui_View.sendMacroData(image, index))
        verify(testEnv.waitLinkFree())
        var sent = testEnv.sent(0x13)
        compare(sent.length, 3)
        compare([sent[0].frame[1], sent[1].frame[1], sent[2].frame[1]], [1, 12, 4])
        compare(sent[0].data.length, 128)
        compare(sent[0].data.slice(0, 9), [0, 1, 1, 4, 0x81, 4, 0, 0, 0])
    }

    // A language file that lacks entries (or leaves them empty) keeps their English texts.
    function test_missingTextsKeepEnglish() {
        Strings.useChinese(function (group) { return group === 0 ? ["轴向灵敏度", ""] : [] })
        compare([Strings.axisSensitivity, Strings.xAxis, Strings.reportRate, Strings.gunOk],
                ["轴向灵敏度", "x-Axis", "Report rate", "OK"])
        Strings.useEnglish()
    }

    function test_syncDpiWithoutMouse() {
        verify(testEnv.ctl(["unplug"]))
        compare(ui_View.ui_91H_SyncDPI(), 8)
        verify(testEnv.ctl(["plug"]))
    }
}
