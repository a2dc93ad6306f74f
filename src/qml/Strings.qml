// The page texts: one table per group of the language store (0 the main page and the
// right-hand panels, 1 the button-assignment panel, 2 the key menu, 3 the macro editor,
// 4 the gun control, 5 the macro key), English until the page loads another language's.
// Pages name an entry (Strings.reportRate), never its number.
pragma Singleton
import QtQuick

QtObject {
    readonly property var englishMain: [
        "Axis Sensitivity", "x-Axis", "y-Axis", "DPI Setting", "Lighting",
        "Static", "Breath", "Neon", "Finger \nTapping", "Report rate",
        "Mouse Speed", "Double-Click Speed", "Scroll Speed", "Slow", "Fast",
        "Number of Rows", "Scrol one Screen", "Top View", "Side View", "Profiles",
        "New", "Delete", "Edit", "Copy", "Load",
        "Save", "Reset", "Reset Factroy Setting", "OK", "Cancel",
        "", "", "", "", ""
    ]
    readonly property var englishKeyMatrix: ["Macro: ", "Deactivated", "Keyboard Key-",
        "Button Assignment", "Button ", "Double Click", "", "", "", ""]
    readonly property var englishKeyMenu: ["Left Button", "Right Button", "Middle Button",
        "Auto Run", "Fire Mode", "Double Click", "DPI Setting +", "Multimedia Commands +",
        "Basic Commands +", "Additional Commands +", "Assign Keyboard Key", "Macro",
        "Gun Management", "Deactivated", "DPI +", "DPI -", "DPI LOOP", "Media Player",
        "Next Track", "Previous Track", "Stop", "Play/Pause", "Mute", "Volume Up",
        "Volume Down", "New", "Cut", "Copy", "Paste", "Save", "Print", "Find", "Redo",
        "Undo", "Select All", "My Computer", "Web Home", "Search Computer", "Maximize",
        "Minimize", "Show DeskTop", "RUN", "Forward", "Back", ""]
    readonly property var englishMacroEditor: ["Macro Manager", "Macro", "Sequence", "Options",
        "Start Record", "Stop Record", "Rec Time", "Loops Timer", "New", "Delete", "OK",
        "Cancel", "Delete", "Insert Left Button", "Insert Middle Button",
        "Insert Right Button", "Insert Delay", "Insert Keys", "Cancel the record ?"]
    readonly property var englishGunControl: ["Gun Manager", "Name", "Auxiliary Setting",
        "Trigger Key", "Interval Times(MS)", "Deviation", "Run Times", "Unlimited", "New",
        "Delete", "OK", "Cancel"]
    readonly property var englishMacroKey: ["Macro Key", "Select Macro",
        "Macro runs once after \npressing button", "Macro loops until any \nbutton is pressed",
        "Macro loops until button \nis released", "OK", "Cancel", "Key", "Please assign a Key", ""]

    // True while the tables are Simplified Chinese.
    property bool chinese: false
    property var main: englishMain
    property var keyMatrix: englishKeyMatrix
    property var keyMenu: englishKeyMenu
    property var macroEditor: englishMacroEditor
    property var gunControl: englishGunControl
    property var macroKey: englishMacroKey

    // `fetch(group)` gives a group's table from the language store. An entry the file
    // lacks (or leaves empty) keeps its English text rather than a blank caption.
    function useChinese(fetch) {
        main = withEnglish(fetch(0), englishMain)
        keyMatrix = withEnglish(fetch(1), englishKeyMatrix)
        keyMenu = withEnglish(fetch(2), englishKeyMenu)
        macroEditor = withEnglish(fetch(3), englishMacroEditor)
        gunControl = withEnglish(fetch(4), englishGunControl)
        macroKey = withEnglish(fetch(5), englishMacroKey)
        chinese = true
    }

    function withEnglish(table, english) {
        var out = []
        var n = Math.max(english.length, table ? table.length : 0)
        for (var i = 0; i < n; ++i) {
            var t = table && table[i] !== undefined ? String(table[i]) : ""
            out.push(t !== "" || i >= english.length ? t : english[i])
        }
        return out
    }

    function useEnglish() {
        main = englishMain
        keyMatrix = englishKeyMatrix
        keyMenu = englishKeyMenu
        macroEditor = englishMacroEditor
        gunControl = englishGunControl
        macroKey = englishMacroKey
        chinese = false
    }

    // An entry, or "" where the table is short.
    function entry(table, i) {
        return table && table[i] !== undefined ? String(table[i]) : ""
    }

    // ---- main page and the right-hand panels
    readonly property string axisSensitivity: entry(main, 0)
    readonly property string xAxis: entry(main, 1)
    readonly property string yAxis: entry(main, 2)
    readonly property string dpiSetting: entry(main, 3)
    readonly property string lighting: entry(main, 4)
    // Static, breath, neon, finger tapping: the lighting effects 1 to 4.
    function lightingEffect(effect) { return entry(main, 4 + effect) }
    readonly property string reportRate: entry(main, 9)
    readonly property string mouseSpeed: entry(main, 10)
    readonly property string doubleClickSpeed: entry(main, 11)
    readonly property string scrollSpeed: entry(main, 12)
    readonly property string slow: entry(main, 13)
    readonly property string fast: entry(main, 14)
    readonly property string numberOfRows: entry(main, 15)
    readonly property string oneScreen: entry(main, 16)
    readonly property string topView: entry(main, 17)
    readonly property string sideView: entry(main, 18)
    readonly property string profiles: entry(main, 19)
    readonly property string newProfile: entry(main, 20)
    readonly property string reset: entry(main, 26)
    readonly property string resetQuestion: entry(main, 27)
    readonly property string ok: entry(main, 28)
    readonly property string cancel: entry(main, 29)

    // ---- the launcher and the help menu
    readonly property string macroManager: chinese && entry(macroEditor, 0) !== ""
                                           ? entry(macroEditor, 0) : "Macro Manager"
    readonly property string gunManager: chinese && entry(gunControl, 0) !== ""
                                         ? entry(gunControl, 0) : "Gun Manager"
    readonly property string help: chinese ? "帮助" : "Help"

    // ---- button assignment
    readonly property string macroPrefix: entry(keyMatrix, 0)
    readonly property string deactivated: entry(keyMatrix, 1)
    readonly property string keyboardKeyPrefix: entry(keyMatrix, 2)
    readonly property string buttonAssignment: entry(keyMatrix, 3)
    readonly property string buttonPrefix: entry(keyMatrix, 4)
    readonly property string doubleClick: entry(keyMatrix, 5)

    // ---- macro editor
    readonly property string macroEditorTitle: entry(macroEditor, 0)
    readonly property string macroList: entry(macroEditor, 1)
    readonly property string sequence: entry(macroEditor, 2)
    readonly property string options: entry(macroEditor, 3)
    readonly property string startRecord: entry(macroEditor, 4)
    readonly property string stopRecord: entry(macroEditor, 5)
    readonly property string recTime: entry(macroEditor, 6)
    readonly property string loopsTimer: entry(macroEditor, 7)
    readonly property string newMacro: entry(macroEditor, 8)
    readonly property string deleteMacro: entry(macroEditor, 9)
    readonly property string macroOk: entry(macroEditor, 10)
    readonly property string macroCancel: entry(macroEditor, 11)
    // Delete, insert left, middle, right button, delay, keys: the sequence's menu.
    function sequenceMenu(row) { return entry(macroEditor, 12 + row) }
    readonly property string insertKeys: entry(macroEditor, 17)
    readonly property string cancelRecord: entry(macroEditor, 18)

    // ---- gun control
    readonly property string gunTitle: entry(gunControl, 0)
    readonly property string gunName: entry(gunControl, 1)
    readonly property string auxiliary: entry(gunControl, 2)
    readonly property string triggerKey: entry(gunControl, 3)
    readonly property string interval: entry(gunControl, 4)
    readonly property string deviation: entry(gunControl, 5)
    readonly property string runTimes: entry(gunControl, 6)
    readonly property string unlimited: entry(gunControl, 7)
    readonly property string newGun: entry(gunControl, 8)
    readonly property string deleteGun: entry(gunControl, 9)
    readonly property string gunOk: entry(gunControl, 10)
    // ---- a setting that did not reach the mouse
    readonly property string sendFailed: chinese ? "鼠标没有收到：%1。鼠标响应后会自动重新发送。"
                                                 : "The mouse did not take: %1. It is sent again once the mouse answers."
    readonly property string retry: chinese ? "重试" : "Retry"
    readonly property string desktopKeeps: chinese ? "桌面没有接受此设置：请在桌面自己的鼠标设置中更改。"
                                                     : "The desktop did not take this: change it in the desktop's own mouse settings."
    readonly property string windowKeysOnly: chinese ? "只记录在本窗口中按下的键：此桌面不向程序提供其他窗口的按键。"
                                                       : "Only keys typed into this window are recorded: this desktop does not share other windows' keys."
    function settingOfCommand(code) {
        var en = { 1: "report rate", 2: "profile", 3: "scroll direction", 4: "gun",
                   11: "DPI stage", 13: "lighting", 14: "axis sensitivity", 16: "DPI colours",
                   17: "DPI stages", 18: "button assignments", 19: "macro", 20: "colour" }
        var zh = { 1: "回报率", 2: "配置文件", 3: "滚轮方向", 4: "枪械", 11: "DPI 档位",
                   13: "灯效", 14: "XY 灵敏度", 16: "DPI 颜色", 17: "DPI 设置", 18: "按键设置",
                   19: "宏", 20: "颜色" }
        var name = (chinese ? zh : en)[code]
        return name !== undefined ? name : (chinese ? "设置" : "a setting") + " (0x"
               + Number(code).toString(16).toUpperCase() + ")"
    }
    // ---- questions before something goes
    readonly property string deleteMacroQuestion: chinese ? "删除宏“%1”？" : "Delete the macro \u201c%1\u201d?"
    readonly property string deleteMacroInUseQuestion: chinese
        ? "删除宏“%1”？播放它的按键（%2）将恢复出厂功能。"
        : "Delete the macro \u201c%1\u201d? The buttons that play it (%2) go back to their factory functions."
    readonly property string deleteProfileTitle: chinese ? "删除配置文件" : "Delete profile"
    readonly property string deleteProfileQuestion: chinese
        ? "从列表中删除配置文件“%1”？"
        : "Remove the profile \u201c%1\u201d from the list?"

    // ---- hints on controls whose meaning is not written beside them
    readonly property string dpiTickTip: chinese ? "勾选：DPI 键会切换到这一档。"
                                                 : "Ticked: the DPI button steps to this stage."
    readonly property string dpiStageOutOfReach: chinese ? "DPI 键只在前四档之间切换，这一档用不到。"
                                                         : "The DPI button steps through the first four stages only: this one is never reached."
    readonly property string dpiColorTip: chinese ? "这一档的指示灯颜色，点击修改。"
                                                  : "The light's colour at this stage; click to change it."
    readonly property string dpiBarTip: chinese ? "拖动设置这一档的 DPI。"
                                                : "Drag to set this stage's DPI."
    readonly property string minimizeTip: chinese ? "最小化" : "Minimise"
    readonly property string closeTip: chinese ? "关闭窗口（程序留在托盘中）"
                                               : "Close the window (the program stays in the tray)"
    readonly property string helpTip: chinese ? "帮助" : "Help"
    readonly property string lightingSliderTip: chinese ? "这种灯效的亮度或速度；常亮拉到最左为关灯。"
                                                        : "Brightness or speed of this effect; Static at the far left turns the light off."
    readonly property string gunListFull: chinese ? "列表已满（%1 个），删除一个才能新建。"
                                                  : "The list is full (%1): delete one to add one."
    readonly property string gunCancel: entry(gunControl, 11)

    // ---- macro key and single key
    readonly property string macroKeyTitle: entry(macroKey, 0)
    readonly property string selectMacro: entry(macroKey, 1)
    // Once, until any button, while held: the three play modes 0 to 2.
    function playMode(mode) { return entry(macroKey, 2 + mode) }
    readonly property string keyOk: entry(macroKey, 5)
    readonly property string keyCancel: entry(macroKey, 6)
    readonly property string singleKeyTitle: entry(macroKey, 7)
    readonly property string assignKeyHint: entry(macroKey, 8)
}
