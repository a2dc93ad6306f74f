// DPI stages: six values from 250 to 4000, which of them the DPI button steps through,
// and a colour for each.
import QtQuick
import ".."
import MouseSuite.Model

Frame {
    id: panel
    objectName: "DpiSetting"
    property int selectedColor: -1

    signal dpiValueChange(int stage, int value)
    signal dpiSelectChange(int stage)
    signal colorSquareClicked(int stage, Item square)

    title: Strings.dpiSetting
    bodyHeight: 233

    function stageAt(i) {
        return stages.itemAt(i)
    }

    // Value → device code: that of the first known value not below it.
    function codeOf(value) {
        return DpiTable.codeOf(value)
    }

    // The six values followed by the two stages the mouse has but the page does not show.
    function values() {
        var list = []
        for (var i = 0; i < 6; ++i)
            list.push(stageAt(i).value)
        return list.concat([250, 250])
    }

    // Only stages 0 to 3 can be stepped to (the others show no tick); a stage without its
    // tick is switched off.
    function codes() {
        var ticked = []
        for (var i = 0; i < 6; ++i)
            ticked.push(stageAt(i).checked)
        return DpiTable.codes(values(), ticked)
    }

    function selection() {
        var list = []
        for (var i = 0; i < 6; ++i)
            list.push(stageAt(i).checked ? 1 : 0)
        return list.concat([0, 0])
    }

    // R G B of stages 0 to 5, then six zero bytes.
    function colorBytes() {
        var list = []
        for (var i = 0; i < 6; ++i) {
            var c = stageAt(i).stageColor
            list.push(Math.round(c.r * 255), Math.round(c.g * 255), Math.round(c.b * 255))
        }
        return list.concat([0, 0, 0, 0, 0, 0])
    }

    function sendColors() {
        // Twice: the mouse may drop the first colour block right after another command.
        ui_View.ui_10H_SetLED8StageColor(1, colorBytes())
        ui_View.ui_10H_SetLED8StageColor(1, colorBytes())
    }

    // The colour bar's choice for the selected square.
    function setColor(color) {
        if (selectedColor < 0 || selectedColor > 5)
            return
        stageAt(selectedColor).stageColor = color
        sendColors()
    }

    function hex2(v) {
        var n = Math.max(0, Math.min(255, Math.round(Number(v)) || 0))
        return (n < 16 ? "0" : "") + n.toString(16)
    }

    function init(send) {
        var v = ui_View.ui_91H_GetDPISet()
        var s = ui_View.ui_91H_GetDPISelect()
        var c = ui_View.ui_90H_GetLED8StageColor(1)
        for (var i = 0; i < 6; ++i) {
            var stage = stageAt(i)
            if (v && i < v.length)
                stage.initUI(v[i])
            // A stage the DPI button never steps to shows as off, as the mouse has it.
            if (s && i < s.length)
                stage.checked = stage.stepped && Number(s[i]) !== 0
            if (c && 3 * i + 2 < c.length)
                stage.stageColor = "#" + hex2(c[3 * i]) + hex2(c[3 * i + 1]) + hex2(c[3 * i + 2])
        }
        if (send) {
            dpiSelectChange(0)
            ui_View.ui_10H_SetLED8StageColor(1, colorBytes())
        }
    }

    Row {
        x: 4
        Repeater {
            id: stages
            model: 6
            delegate: DpiStage {
                id: stageItem
                required property int index
                width: 39
                stageNo: index
                stepped: index < DpiTable.steppedStages
                colorSelected: panel.selectedColor === index
                onValueChange: function (value) { panel.dpiValueChange(index, value) }
                onCheckChange: panel.dpiSelectChange(index)
                onColorClicked: {
                    panel.selectedColor = index
                    panel.colorSquareClicked(index, stageItem.colorSquare)
                }
            }
        }
    }
}
