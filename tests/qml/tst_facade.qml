import QtQuick
import QtTest

// The device facade through the real view host, checked on the wire and in the files.
TestCase {
    name: "Facade"

    function features() {
        return testEnv.traffic().filter(function (r) { return r.kind === "feature" })
    }
    function outputs() {
        return testEnv.traffic().filter(function (r) { return r.kind === "output" })
    }
    // Data bytes of an output report record (report id dropped).
    function payload(record) {
        return record.wire.split(" ").slice(1).map(function (h) { return parseInt(h, 16) })
    }

    function init() {
        verify(testEnv.waitLinkFree())
        testEnv.clearTraffic()
    }

    function test_currentProfileOnlyRecords() {
        var before = testEnv.setting("setting/apConfig.bin", "Q7/profileNo")
        ui_View.ui_02H_SetCurrentProfile(0)
        compare(testEnv.setting("setting/apConfig.bin", "Q7/profileNo"), before)
        ui_View.ui_02H_SetCurrentProfile(3)
        compare(Number(testEnv.setting("setting/apConfig.bin", "Q7/profileNo")), 3)
        compare(testEnv.traffic().length, 0)
        // There is no eleventh profile file: the number is not kept.
        ui_View.ui_02H_SetCurrentProfile(12)
        compare(Number(testEnv.setting("setting/apConfig.bin", "Q7/profileNo")), 3)
        ui_View.ui_02H_SetCurrentProfile(0)
    }

    SignalSpy {
        id: sendFailures
        target: ui_View
        signalName: "sendFailed"
    }

    function test_failedSendIsReportedAndTheChoiceKept() {
        sendFailures.clear()
        verify(testEnv.fault("send-feature"))
        ui_View.ui_01H_SetReportRate(4)
        tryCompare(sendFailures, "count", 1)
        compare(sendFailures.signalArguments[0][0], 1)
        compare(Number(testEnv.setting("setting/p1.bin", "sensor/reportRate_Q7")), 4)
        // Options that could not be read are not written back as zeros.
        testEnv.clearTraffic()
        verify(testEnv.fault("get-feature"))
        ui_View.setScrollPinSwap(true)
        verify(testEnv.waitLinkFree())
        compare(features().filter(function (r) { return r.wire.split(" ")[1] === "03" }).length, 0)
        tryCompare(sendFailures, "count", 2)
    }

    function test_packedStageColours() {
        ui_View.ui_10H_SetLED8StageColor(2, [1, 2, 3, 4, 5, 6, 7, 8])
        verify(testEnv.waitLinkFree())
        compare(features()[0].wire.split(" ").slice(1, 4).join(" "), "10 02 04")
        compare(payload(outputs()[0]).slice(0, 5), [0x21, 0x43, 0x65, 0x87, 0])
        compare(testEnv.setting("setting/p1.bin", "color_Q7/type2").map(Number), [1, 2, 3, 4, 5, 6, 7, 8])
    }

    function test_keyMatrixStoredAndSent() {
        var list = []
        for (var i = 0; i < 64; ++i)
            list.push(i)
        ui_View.ui_12H_SetKeyMatrix(list)
        verify(testEnv.waitLinkFree())
        for (var b = 0; b < 16; ++b)
            compare(testEnv.setting("setting/p1.bin", "keydefine_Q7/" + b).map(Number),
                    [4 * b, 4 * b + 1, 4 * b + 2, 4 * b + 3])
        var sent = payload(outputs()[0]).concat(payload(outputs()[1]))
        compare(sent, list)
        compare(ui_View.getKeydefine(5).map(Number), [20, 21, 22, 23])
    }

    function test_shortAndLongListsNeverOverflow() {
        ui_View.ui_12H_SetGunKeyMatrix([9, 8, 7])
        verify(testEnv.waitLinkFree())
        var sent = payload(outputs()[0])
        compare(sent.slice(0, 4), [9, 8, 7, 0])
        var longer = []
        for (var i = 0; i < 40; ++i)
            longer.push(200 + i)
        testEnv.clearTraffic()
        ui_View.ui_10H_SetLED8StageColor(1, longer)
        verify(testEnv.waitLinkFree())
        compare(payload(outputs()[0]).slice(0, 24), longer.slice(0, 24).map(function (v) { return v & 0xFF }))
    }

    function test_macroKeyTakesRepeatFromItsFile() {
        testEnv.writeFile("macro/plain.bin", "[config]\nindex=0\ntotal=0\ndid=-1\n")
        ui_View.ui_13H_SetMacroKey(2, "plain")
        verify(testEnv.waitLinkFree())
        compare(features()[0].wire, "00 13 02 80 00 00 00 00 6A")
        compare(payload(outputs()[0]).slice(0, 2), [0x00, 0x01])
        testEnv.clearTraffic()
        testEnv.writeFile("macro/looped.bin", "[config]\nindex=1\ntotal=0\nrepeat=300\ndid=-1\n")
        ui_View.ui_13H_SetMacroKey(3, "looped")
        verify(testEnv.waitLinkFree())
        compare(payload(outputs()[0]).slice(0, 2), [0x01, 0x2C])
    }

    function test_dpiSetRefreshesTheStageTable() {
        ui_View.ui_11H_SetDPISet(7, [1, 2, 4, 8, 0x45, 0x46, 0x80, 0x80],
                                 [250, 500, 1000, 2000, 2500, 3000, 250, 250])
        verify(testEnv.waitLinkFree())
        compare(testEnv.stageDpi(2), 1000)
        compare(payload(outputs()[0]).slice(0, 8), [1, 2, 4, 8, 0x45, 0x46, 0x80, 0x80])
        compare(ui_View.ui_91H_GetDPISet().map(Number), [250, 500, 1000, 2000, 2500, 3000, 250, 250])
    }

    function test_readersAskTheMouseOnlyWhenTheyShould() {
        testEnv.setWindowVisible(false)
        compare(ui_View.ui_8BH_GetCurrentDPIStage(), 0)
        compare(testEnv.traffic().length, 0)
        testEnv.setWindowVisible(true)
        ui_View.ui_0BH_SetCurrentDPIStage(3)
        verify(testEnv.waitLinkFree())
        compare(ui_View.ui_8BH_GetCurrentDPIStage(), 3)
        compare(ui_View.ui_80H_GetFWVersion(), "1.0A")
        verify(ui_View.chkIsLogoLedWork())
    }

    function test_keyboardFamilyFacade() {
        ui_View.ui_14H_SetColor(2, 255, 0, 0)
        verify(testEnv.waitLinkFree())
        compare(features()[0].wire, "00 14 00 02 FF 00 00 00 EA")
        compare(ui_View.ui_94H_GetColor(2).map(Number), [255, 0, 0])
        testEnv.clearTraffic()
        var picture = []
        for (var i = 0; i < 512; ++i)
            picture.push(i % 256)
        ui_View.ui_12H_SetUserPicture(3, 255, picture)
        compare(testEnv.traffic().length, 0)
        compare(ui_View.ui_92H_GetUserPicture(3).length, 512)
    }

    function test_scrollSwapChangesOnlyBitSix() {
        // The mouse reports option1 0x9E after the listener's keyboard-option command.
        ui_View.setScrollPinSwap(true)
        verify(testEnv.waitLinkFree())
        var f = features().map(function (r) { return r.wire.split(" ")[1] })
        compare(f, ["83", "81", "03"])
        var set = features()[2].wire.split(" ")
        compare(parseInt(set[4], 16), 0x9E | 0x40)
        compare(testEnv.deviceState().function_option.option1, 0x9E | 0x40)
        verify(ui_View.getScrollPinSwap())
        ui_View.setScrollPinSwap(false)
        verify(testEnv.waitLinkFree())
        compare(testEnv.deviceState().function_option.option1, 0x9E & ~0x40)
    }

    function test_syncDpiWithoutMouse() {
        verify(testEnv.unplug())
        compare(ui_View.ui_91H_SyncDPI(), 8)
        verify(testEnv.plug())
    }
}
