#!/usr/bin/env bash
# Screenshots of the pages, for a look by eye: the configurator from a private copy of the
# portable folder, on the virtual mouse, on a private X display with a compositor.
# Writes into $BUILD_DIR/screens/:
#   main.png         the main page after start-up
#   send-failed.png  the bar saying a setting did not reach the mouse, with Retry
#   tooltip.png      the hint on a DPI stage the DPI button never steps to
#   help-menu.png    the help menu open
#   reset-dialog.png the factory-reset dialog over the mask
#   color-bar.png    the colour bar of the DPI panel
#   main-lower.png   the right column scrolled down to the dials and scroll lines
#   button-hover.png a row of the button panel pointed at: its button lit on the mouse
#   key-menu.png     the key menu of a button with its basic-commands sub-menu open
#   single-key.png   the single-key overlay naming a key typed on the display
#   macro-key.png    the macro-key overlay with a macro chosen
#   profile-menu.png the profile overlay with a second profile and a row's context menu
#   file-dialog.png  the whole screen with the profile export dialog over the window
#   gun-control.png  the gun overlay with a new record
#   axis.png         the axis panel moved off its middle steps
#   macro-recording.png  the macro editor recording keys typed on the display
#   macro-editor.png the macro editor with the recorded macro
#   macro-menu.png   the action context menu of the macro editor
#   confirm.png      the question before a macro is deleted
#   main-zh.png      the main page in Simplified Chinese
#   update-confirm.png  the updater asking before it writes the firmware
# Expects a built tree (./test.sh or scripts/build.sh); builds nothing itself.
#
#   BUILD_DIR=dir     build directory (default: build)
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
BUILD_DIR="${BUILD_DIR:-build}"
build="$(realpath "$BUILD_DIR")"
out="$build/screens"
work="$out/run"
. scripts/xvfb-lib.sh

rm -rf "$work"
mkdir -p "$work"
rm -f "$out"/*.png

vmouse_pid=""
configurator_pid=""
xcompmgr_pid=""
trayer_pid=""
cleanup() {
    stop_process "$configurator_pid" configurator
    stop_process "$trayer_pid" trayer
    stop_process "$xcompmgr_pid" xcompmgr
    stop_process "$vmouse_pid" virtual-mouse
    xvfb_stop
}
trap cleanup EXIT

# A copy of the portable folder: the runs change its settings.
mkdir -p "$work/dist"
cp "$build/dist/configurator" "$work/dist/"
cp -r "$build/dist/modules" "$work/dist/"
# A few macro names for the macro-key overlay to list.
printf '\n[macro]\nmacroName=Walk, Jump, Reload\n' >>"$work/dist/modules/setting/name.bin"

# Always a display of our own, so that nothing else on the screen gets into the pictures.
xvfb_start 1280x800x24 "$work/xvfb.log"
xcompmgr </dev/null >"$work/xcompmgr.log" 2>&1 &
xcompmgr_pid=$!
trayer --edge top --align right --widthtype request --height 24 \
    --transparent false --tint 0x303030 </dev/null >"$work/trayer.log" 2>&1 &
trayer_pid=$!
timeout 20 xdotool search --sync --onlyvisible --class trayer >/dev/null

socket="$work/vmouse.sock"
"$build/bin/virtual-mouse" serve --socket "$socket" </dev/null >"$work/vmouse.out" 2>"$work/vmouse.err" &
vmouse_pid=$!
if ! wait_for_line "$work/vmouse.out" ready "$vmouse_pid" 30; then
    echo "screens: the virtual mouse did not start" >&2
    exit 1
fi

window=""
# A runtime folder of its own: the message channel and the instance lock live there, and
# other configurators (or tests) of the same user must not reach this one.
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"

start_configurator() {
    env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb VIRTUAL_MOUSE_SOCKET="$socket" \
        XDG_RUNTIME_DIR="$work/runtime" \
        "$work/dist/configurator" </dev/null >>"$work/configurator.log" 2>&1 &
    configurator_pid=$!
    window=""
    local i id
    for ((i = 0; i < 300; i++)); do
        for id in $(xdotool search --onlyvisible --class '^configurator$' 2>/dev/null); do
            local WIDTH=0
            eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | grep '^WIDTH=')"
            if [ "$WIDTH" -eq 1000 ]; then
                window="$id"
                break 2
            fi
        done
        kill -0 "$configurator_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$window" ]; then
        echo "screens: the configurator's window did not appear; see $work/configurator.log" >&2
        exit 1
    fi
    xdotool windowmove "$window" 140 80
    # The power-on logo, the protection period, then the panels.
    sleep 3
}

stop_configurator() {
    stop_process "$configurator_pid" configurator
    configurator_pid=""
}

# click X Y [BUTTON]: a real click at page coordinates (button 3: a right click).
click() {
    xdotool mousemove --window "$window" "$1" "$2" click "${3:-1}"
    sleep 0.8
}

shot() {
    local X=0 Y=0
    eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y)=')"
    import -window root -crop "1000x640+$X+$Y" +repage "$out/$1"
    echo "screens: $out/$1"
}

start_configurator
xdotool mousemove 5 790 # out of the way
sleep 0.3
shot main.png
# A report rate the mouse refuses: the page says so, with Retry.
"$build/bin/virtual-mouse" ctl --socket "$socket" fault send-feature 1 >/dev/null
click 797 494 # 125 Hz
shot send-failed.png
click 797 494 # 125 Hz again, taken now
xdotool mousemove --window "$window" 913 241 # the fifth stage's tick, out of the button's reach
sleep 1.2
shot tooltip.png
click 977 14 # help button of the top menu
shot help-menu.png
click 500 20 # the empty page closes it
click 760 622 # factory reset
shot reset-dialog.png
click 596 365 # cancel
click 757 265 # colour square of DPI stage 1
shot color-bar.png
click 500 20
xdotool mousemove --window "$window" 850 300 click --repeat 12 5 # wheel down over the column
xdotool mousemove 5 790
sleep 1
shot main-lower.png

# The button panel: row i of the left column is centred at y = 138 + 21 i.
xdotool mousemove --window "$window" 175 201 # row 3, forward
sleep 0.5
shot button-hover.png
click 175 180                                 # row 2 opens its key menu at y 173
xdotool mousemove --window "$window" 300 352 # "Basic Commands +"
sleep 0.5
shot key-menu.png
click 500 20
click 175 159                                 # row 1, menu at y 152
click 300 373                                 # "Assign Keyboard Key"
xdotool key F5
sleep 0.5
shot single-key.png
click 576 380                                 # cancel
click 175 222                                 # row 4, menu at y 215
click 300 457                                 # "Macro"
click 466 209                                 # the first macro
shot macro-key.png
click 596 467                                 # cancel
click 80 621 # profile button: the overlay, centred
click 415 419 # New: a second profile, chosen
click 420 245 3 # right click on the first row
shot profile-menu.png
click 445 344 # "Save": the export dialog, in the desktop's own look
sleep 1.5
import -window root "$out/file-dialog.png"
echo "screens: $out/file-dialog.png"
xdotool key Escape
sleep 0.8
click 585 419 # OK: the switched profile goes to the mouse, the page is locked a while
sleep 1.5
click 200 282 # the launcher's gun button
click 311 437 # New: a record
shot gun-control.png
click 599 437 # OK
click 60 351 # axis X: step 1
click 228 393 # axis Y: step 9
xdotool mousemove 5 790
sleep 0.3
shot axis.png

# The macro editor, centred: its top left corner is at (200, 120).
click 78 283                                  # the launcher's macro button
click 256 491                                 # "New"
click 653 248                                 # "Rec Time"
click 715 187                                 # "Start Record"
xdotool key --delay 150 shift+h e l l o
sleep 0.5
shot macro-recording.png
click 715 187                                 # "Stop Record"
xdotool mousemove 5 790
sleep 0.3
shot macro-editor.png
xdotool mousemove --window "$window" 500 243 click 3 # right click on the fourth action
sleep 0.5
xdotool mousemove --window "$window" 560 340 # over "Insert Delay"
sleep 0.5
shot macro-menu.png
click 720 450                                 # the options' empty area closes the menu
click 345 490                                 # "Delete": asked first
shot confirm.png
xdotool key Escape
sleep 0.5
stop_configurator

sed -i 's/^language=.*/language=ChineseSimplified/' "$work/dist/modules/setting/apConfig.bin"
start_configurator
xdotool mousemove 5 790
sleep 0.3
shot main-zh.png
stop_configurator

# The updater: its question before a flash, over its window.
cp -r "$build/dist/update" "$work/updater"
"$build/bin/make-firmware" --generate 4096 --version 1.0B --title "Firmware update" \
    --output "$work/updater/data.bin" >/dev/null
(cd "$work/updater" && env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb \
    VIRTUAL_MOUSE_SOCKET="$socket" XDG_RUNTIME_DIR="$work/runtime" \
    ./update </dev/null >>"$work/update.log" 2>&1) &
update_pid=$!
updater=""
for ((i = 0; i < 100; i++)); do
    updater="$(xdotool search --onlyvisible --name '^Firmware update$' 2>/dev/null | head -1)" || true
    [ -n "$updater" ] && break
    sleep 0.1
done
if [ -n "$updater" ]; then
    xdotool windowmove "$updater" 400 300
    sleep 1.5 # the mouse found and asked for its version
    xdotool mousemove --window "$updater" 155 113 click 1 # "Update"
    sleep 1
    import -window root "$out/update-confirm.png"
    echo "screens: $out/update-confirm.png"
    xdotool key Escape
else
    echo "screens: the updater's window did not appear; see $work/update.log" >&2
fi
stop_process "$update_pid" update
