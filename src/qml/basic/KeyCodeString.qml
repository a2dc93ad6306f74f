// The names the pages show and store, in both directions: HID keyboard usages, the five
// mouse-button codes and the button assignments. The backslash key is named for 0x32 as
// well, and a page sends 0x32 for it.
import QtQuick
import ".."

QtObject {
    id: keys
    objectName: "KeyCodeString"

    readonly property var keyRows: [
        [0x04, "A"],
        [0x05, "B"],
        [0x06, "C"],
        [0x07, "D"],
        [0x08, "E"],
        [0x09, "F"],
        [0x0A, "G"],
        [0x0B, "H"],
        [0x0C, "I"],
        [0x0D, "J"],
        [0x0E, "K"],
        [0x0F, "L"],
        [0x10, "M"],
        [0x11, "N"],
        [0x12, "O"],
        [0x13, "P"],
        [0x14, "Q"],
        [0x15, "R"],
        [0x16, "S"],
        [0x17, "T"],
        [0x18, "U"],
        [0x19, "V"],
        [0x1A, "W"],
        [0x1B, "X"],
        [0x1C, "Y"],
        [0x1D, "Z"],
        [0x1E, "1"],
        [0x1F, "2"],
        [0x20, "3"],
        [0x21, "4"],
        [0x22, "5"],
        [0x23, "6"],
        [0x24, "7"],
        [0x25, "8"],
        [0x26, "9"],
        [0x27, "0"],
        [0x28, "Enter"],
        [0x29, "Esc"],
        [0x2A, "Back"],
        [0x2B, "Tab"],
        [0x2C, "Space"],
        [0x2D, "- _"],
        [0x2E, "= +"],
        [0x2F, "[ {"],
        [0x30, "] }"],
        [0x31, "\\ |"],
        [0x33, "; :"],
        [0x34, "' \""],
        [0x35, "` ~"],
        [0x36, ", <"],
        [0x37, ". >"],
        [0x38, "/ ?"],
        [0x39, "Caps"],
        [0x3A, "F1"],
        [0x3B, "F2"],
        [0x3C, "F3"],
        [0x3D, "F4"],
        [0x3E, "F5"],
        [0x3F, "F6"],
        [0x40, "F7"],
        [0x41, "F8"],
        [0x42, "F9"],
        [0x43, "F10"],
        [0x44, "F11"],
        [0x45, "F12"],
        [0x46, "Prt"],
        [0x47, "Scr"],
        [0x48, "Pau"],
        [0x49, "Ins"],
        [0x4A, "Hom"],
        [0x4B, "PgU"],
        [0x4C, "Del"],
        [0x4D, "End"],
        [0x4E, "PgD"],
        [0x4F, "►"],
        [0x50, "◄"],
        [0x51, "▼"],
        [0x52, "▲"],
        [0x53, "Num"],
        [0x54, "KP /"],
        [0x55, "KP *"],
        [0x56, "KP -"],
        [0x57, "KP +"],
        [0x58, "KP Enter"],
        [0x59, "KP 1"],
        [0x5A, "KP 2"],
        [0x5B, "KP 3"],
        [0x5C, "KP 4"],
        [0x5D, "KP 5"],
        [0x5E, "KP 6"],
        [0x5F, "KP 7"],
        [0x60, "KP 8"],
        [0x61, "KP 9"],
        [0x62, "KP 0"],
        [0x63, "KP ."],
        [0x64, "Eur 2"],
        [0x65, "App"],
        [0x66, "Power"],
        [0x67, "KP ="],
        [0x68, "F13"],
        [0x69, "F14"],
        [0x6A, "F15"],
        [0x6B, "F16"],
        [0x6C, "F17"],
        [0x6D, "F18"],
        [0x6E, "F19"],
        [0x6F, "F20"],
        [0x70, "F21"],
        [0x71, "F22"],
        [0x72, "F23"],
        [0x73, "F24"],
        [0x85, "Keypad"],
        [0x87, "Int'l 1"],
        [0x88, "Intl'2"],
        [0x89, "Int'l 2"],
        [0x8A, "Int'l 4"],
        [0x8B, "Int'l 5"],
        [0x90, "Lang 1"],
        [0x91, "Lang 2"],
        [0xE0, "L Ctrl"],
        [0xE1, "L Shift"],
        [0xE2, "L Alt"],
        [0xE3, "L Win"],
        [0xE4, "R Ctrl"],
        [0xE5, "R Shift"],
        [0xE6, "R Alt"],
        [0xE7, "R Win"]
    ]
    readonly property var mouseRows: [
        [0xF0, "MS-L"], [0xF1, "MS-R"], [0xF2, "MS-M"], [0xF3, "MS-B4"], [0xF4, "MS-B5"]
    ]

    // What a button does, by its 8-digit assignment code (kind, then bytes 1 to 3), in
    // English and in Simplified Chinese; the same 38 codes in both.
    readonly property var assignRows: [
        ["0100f000", "Left Button", "左键"],
        ["0100f100", "Right Button", "右键"],
        ["0100f200", "Middle Button", "中键"],
        ["0100f400", "Forward", "前进"],
        ["0100f300", "Back", "后退"],
        ["0f002e00", "Auto Run", "自动奔跑"],
        ["0f000500", "Fire Mode", "开火模式"],
        ["0af02002", "Double Click", "双击"],
        ["07000100", "DPI +", "DPI +"],
        ["07000200", "DPI -", "DPI -"],
        ["07000300", "DPI LOOP", "DPI循环"],
        ["03008301", "Media Player", "媒体播放器"],
        ["0300b500", "Next Track", "下一曲"],
        ["0300b600", "Previous Track", "上一曲"],
        ["0300b700", "Stop", "停止"],
        ["0300cd00", "Play/Pause", "播放/暂停"],
        ["0300e200", "Mute", "静音"],
        ["0300e900", "Volume Up", "音量 +"],
        ["0300ea00", "Volume Down", "音量 -"],
        ["0000e011", "New", "新建"],
        ["0000e01b", "Cut", "剪切"],
        ["0000e006", "Copy", "复制"],
        ["0000e019", "Paste", "粘贴"],
        ["0000e016", "Save", "保存"],
        ["0000e013", "Print", "打印"],
        ["0000e009", "Find", "查找"],
        ["0000e01c", "Redo", "重做"],
        ["0000e01d", "Undo", "撤销"],
        ["0000e004", "Select All", "全选"],
        ["03009401", "My Computer", "我的电脑"],
        ["03002302", "Web Home", "网页主页"],
        ["03002102", "Search Computer", "搜索计算机"],
        ["00042c1b", "Maximize", "最大化"],
        ["00042c11", "Minimize", "最小化"],
        ["0000e307", "Show Desktop", "显示桌面"],
        ["0000e315", "Run", "运行"],
        ["08000200", "Gun Management", "枪械管理"],
        ["00000000", "Deactivated", "禁用"]
    ]
    readonly property var assigncode2str: rowMap(assignRows, 0, 1)
    readonly property var assigncode2strCn: rowMap(assignRows, 0, 2)
    // Both languages' names lead back to the code.
    readonly property var str2assigncode: {
        var m = rowMap(assignRows, 2, 0)
        for (var i = 0; i < assignRows.length; ++i)
            m[assignRows[i][1]] = assignRows[i][0]
        return m
    }

    function rowMap(rows, from, to) {
        var m = {}
        for (var i = 0; i < rows.length; ++i)
            m[rows[i][from]] = rows[i][to]
        return m
    }

    readonly property var str2keycode: {
        var m = {}
        for (var i = 0; i < keyRows.length; ++i)
            m[keyRows[i][1]] = keyRows[i][0]
        m["\\ |"] = 0x32
        return m
    }
    readonly property var keycode2str: {
        var m = {}
        for (var i = 0; i < keyRows.length; ++i)
            m[keyRows[i][0]] = keyRows[i][1]
        m[0x32] = "\\ |"
        return m
    }
    readonly property var str2mousecode: {
        var m = {}
        for (var i = 0; i < mouseRows.length; ++i)
            m[mouseRows[i][1]] = mouseRows[i][0]
        return m
    }
    readonly property var mousecode2str: {
        var m = {}
        for (var i = 0; i < mouseRows.length; ++i)
            m[mouseRows[i][0]] = mouseRows[i][1]
        return m
    }

    function strTokeycode(name) {
        return str2keycode.hasOwnProperty(name) ? str2keycode[name] : undefined
    }
    function strTomousecode(name) {
        return str2mousecode.hasOwnProperty(name) ? str2mousecode[name] : undefined
    }
    function keycodeTostr(code) {
        if (code < 0 || !keycode2str.hasOwnProperty(code))
            return ""
        return keycode2str[code]
    }
    function mousecodeTostr(code) {
        return mousecode2str.hasOwnProperty(code) ? mousecode2str[code] : ""
    }
    // The name of an assignment code ("0100f000"), "" for a code in neither table.
    function assignTostr(code, chinese) {
        var table = chinese ? assigncode2strCn : assigncode2str
        return table.hasOwnProperty(code) ? table[code] : ""
    }
    function strToassign(name) {
        return str2assigncode.hasOwnProperty(name) ? str2assigncode[name] : undefined
    }
    // 1-based position of the lowest set bit of the low byte, 0 when none is set.
    function logByte(value) {
        var v = value & 0xFF
        for (var i = 0; i < 8; ++i)
            if (v & (1 << i))
                return i + 1
        return 0
    }
}
