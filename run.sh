#!/usr/bin/env bash
# Builds everything and starts the configurator from the portable folder (build/dist)
# against the virtual mouse.
#
# With a DISPLAY: the configurator opens there; when it ends (tray menu, Quit), the
# virtual mouse is stopped too.
# Without a DISPLAY: a private Xvfb with a compositor (for the translucent window) and a
# tray (for the tray icon) is started, the configurator is shown, a screenshot is saved
# to build/run/screenshot.png, and everything started here is stopped again.
#
#   BUILD_DIR=dir     build directory (default: build)
#   CMAKE_ARGS="..."  extra configure arguments
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")"
BUILD_DIR="${BUILD_DIR:-build}"
export BUILD_DIR
scripts/build.sh

. scripts/xvfb-lib.sh

build="$(realpath "$BUILD_DIR")"
run_dir="$build/run"
mkdir -p "$run_dir"
# Absolute: the configurator makes its own folder the working directory.
socket="$run_dir/vmouse.sock"
rm -f "$socket" "$run_dir/screenshot.png"

configurator_pid=""
trayer_pid=""
xcompmgr_pid=""
vmouse_pid=""

cleanup() {
    stop_process "$configurator_pid" configurator
    stop_process "$trayer_pid" trayer
    stop_process "$xcompmgr_pid" xcompmgr
    stop_process "$vmouse_pid" virtual-mouse
    xvfb_stop
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# --- the virtual mouse -------------------------------------------------------------------
"$build/bin/virtual-mouse" serve --socket "$socket" --log "$run_dir/traffic.log" \
    </dev/null >"$run_dir/virtual-mouse.out" 2>"$run_dir/virtual-mouse.err" &
vmouse_pid=$!
if ! wait_for_line "$run_dir/virtual-mouse.out" ready "$vmouse_pid" 30; then
    echo "virtual-mouse did not get ready; its errors:" >&2
    cat "$run_dir/virtual-mouse.err" >&2 || true
    exit 1
fi
echo "virtual mouse listening on $socket (traffic: $run_dir/traffic.log)"

start_configurator() {
    VIRTUAL_MOUSE_SOCKET="$socket" "$@" "$build/dist/configurator" </dev/null &
    configurator_pid=$!
}

# --- with a display: run until the user quits ----------------------------------------------
if [ -n "${DISPLAY:-}" ]; then
    start_configurator env
    echo "configurator running on $DISPLAY; quit it from its tray menu"
    status=0
    wait "$configurator_pid" || status=$?
    configurator_pid=""
    exit "$status"
fi

# --- headless: show it on a private X server and take a screenshot ------------------------
xvfb_start 1280x800x24 "$run_dir/xvfb.log"
echo "started Xvfb on $DISPLAY"

xcompmgr </dev/null >"$run_dir/xcompmgr.log" 2>&1 &
xcompmgr_pid=$!
trayer --edge top --align right --widthtype request --height 24 \
    --transparent false --tint 0x303030 </dev/null >"$run_dir/trayer.log" 2>&1 &
trayer_pid=$!
if ! timeout 20 xdotool search --sync --onlyvisible --class trayer >/dev/null; then
    echo "the tray (trayer) did not show up; see $run_dir/trayer.log" >&2
    exit 1
fi

# On the X11 tray of this private display, not on a desktop's D-Bus tray host.
start_configurator env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb \
    >"$run_dir/configurator.log" 2>&1

# find_window MIN_WIDTH MAX_WIDTH: a visible window of the configurator in that width range.
find_window() {
    local id
    for id in $(xdotool search --onlyvisible --class '^configurator$' 2>/dev/null); do
        local WIDTH=0
        eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | grep '^WIDTH=')"
        if [ "$WIDTH" -ge "$1" ] && [ "$WIDTH" -le "$2" ]; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

window=""
for ((i = 0; i < 300; i++)); do
    window="$(find_window 1000 1000)" && break
    if ! kill -0 "$configurator_pid" 2>/dev/null; then
        echo "the configurator ended early; its output:" >&2
        cat "$run_dir/configurator.log" >&2
        exit 1
    fi
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "the configurator's window did not appear within 30 s" >&2
    exit 1
fi
echo "configurator window $window is mapped"

# Its tray icon is a small window of the same program, embedded in the tray.
for ((i = 0; i < 100; i++)); do
    find_window 1 64 >/dev/null && break
    sleep 0.1
done
find_window 1 64 >/dev/null || echo "warning: no tray icon showed up in the tray" >&2

sleep 1.5 # first paint and compositing
import -window root "$run_dir/screenshot.png"
echo "screenshot: $run_dir/screenshot.png"
