// Lighting: four effects, each with its own five-step slider (speed or brightness).
import QtQuick
import ".."

Frame {
    id: panel
    objectName: "Lighting"
    // 1 static, 2 breath, 3 neon, 4 finger tapping.
    property int effect: 1

    signal setLED(int effect, int slider, int option2)

    title: Strings.lighting
    bodyHeight: 136

    function sliderAt(effectNo) {
        return rows.itemAt(effectNo - 1).slider
    }

    function rowAt(effectNo) {
        return rows.itemAt(effectNo - 1)
    }

    function choose(effectNo) {
        effect = effectNo
        setLED(effect, sliderAt(effect).value, 2)
    }

    // The stored triple is effect, slider, option 2; an effect the panel does not know
    // shows (and is sent) as finger tapping.
    function init(send) {
        var stored = ui_View.ui_8DH_GetRGBLedEffect()
        if (!stored || stored.length < 2)
            return
        var e = Number(stored[0])
        effect = (e === 1 || e === 2 || e === 3) ? e : 4
        var s = Number(stored[1])
        if (isFinite(s))
            sliderAt(effect).value = Math.max(0, Math.min(4, Math.round(s)))
        if (send)
            setLED(effect, sliderAt(effect).value, 2)
    }

    Column {
        x: 8
        y: 6
        spacing: 2
        Repeater {
            id: rows
            model: 4
            delegate: Item {
                id: row
                required property int index
                readonly property int effectNo: index + 1
                property alias slider: rowSlider
                objectName: "lightingRow" + effectNo
                width: 226
                height: 31

                Rectangle {
                    id: radio
                    x: 0
                    y: 8
                    width: 14
                    height: 14
                    radius: 7
                    color: Theme.field
                    border.color: panel.effect === row.effectNo ? panel.accent : Theme.inactive
                    Rectangle {
                        anchors.centerIn: parent
                        width: 6
                        height: 6
                        radius: 3
                        color: panel.accent
                        visible: panel.effect === row.effectNo
                    }
                }
                Text {
                    x: 20
                    anchors.verticalCenter: radio.verticalCenter
                    width: 80
                    text: Strings.lightingEffect(1 + row.index)
                    color: panel.effect === row.effectNo ? Theme.textBright : Theme.textOption
                    font.pixelSize: panel.fontSize
                    font.family: panel.fontFamily
                    lineHeight: 0.9
                }
                MouseArea {
                    width: 100
                    height: parent.height
                    onClicked: panel.choose(row.effectNo)
                }
                StepSlider {
                    id: rowSlider
                    x: 104
                    y: 7
                    width: 118
                    active: panel.effect === row.effectNo
                    tip: Strings.lightingSliderTip
                    onMoved: panel.choose(row.effectNo)
                }
            }
        }
    }
}
