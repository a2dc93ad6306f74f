// The one dark look of the pages: every colour, the base font and the motion speed are
// named here and nowhere else. Panels take these as their defaults; the root page's
// globalSetting_* properties are views of the same values.
pragma Singleton
import QtQuick

QtObject {
    // Base font, accent, motion and the image set.
    readonly property int fontSize: 11
    readonly property string fontFamily: "Arial"
    readonly property color accent: "#FF00FFFF"
    readonly property int animationSpeed: 300
    readonly property int skinNo: 1

    // Texts, brightest first.
    readonly property color textBright: "#ffffff"
    readonly property color textValue: "#f0f4f8"
    readonly property color textTitle: "#e6ebf0"
    readonly property color textItem: "#d8dee6"
    readonly property color textLabel: "#c8d0d8"
    readonly property color textOption: "#b8c0c8"
    readonly property color textDim: "#9aa3ad"
    readonly property color outline: "#8a939e"
    readonly property color marker: "#7d8590"
    readonly property color inactive: "#5a616c"
    readonly property color tickOff: "#4a515b"

    // Surfaces, from the page's panels to the input fields.
    readonly property color overlay: "#f01a1a1a"
    readonly property color dialog: "#f8202429"
    readonly property color menu: "#f0202429"
    readonly property color panel: "#b31a1a1a"
    readonly property color titleBar: "#1a1a1a"
    readonly property color buttonFace: "#1f2329"
    readonly property color tile: "#15181c"
    readonly property color field: "#0c0e11"
    readonly property color track: "#80101214"
    readonly property color popup: "#ee15181c"
    readonly property color mask: "#8c000000"
    readonly property color gaugeFoot: "#0a5c5c"

    // Lines and interaction states.
    readonly property color border: "#3a4049"
    readonly property color line: "#343a42"
    readonly property color hover: "#2a3038"
    readonly property color rowHover: "#262b32"
    readonly property color listHover: "#20262d"
    readonly property color rowSelected: "#1f4a4d"
    readonly property color listSelected: "#0e3a3e"
    readonly property color pressed: "#0e4a4a"
    readonly property color selection: "#0e6a6a"

    // Meanings.
    readonly property color warning: "#e06c5a"
    readonly property color recording: "#c0392b"
    readonly property color delayMark: "#f0b429"
    readonly property color keyMark: "#7fc97f"
    readonly property color helpFill: "#6f2929"
    readonly property color helpBorder: "#8f2020"
    readonly property color helpMuted: "#d0b0b0"
}
