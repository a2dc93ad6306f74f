#!/usr/bin/env bash
# The configurator in a Wayland session, natively and through Xwayland: a headless sway
# with Xwayland, a D-Bus session and its bar as the StatusNotifierItem tray, driven by a
# pointer and a keyboard of our own (build/bin/wl-input) the compositor takes as real
# devices. For QT_QPA_PLATFORM=wayland and xcb each: the window shows, a drag on its
# surface moves it (twice), keys typed into it are recorded in a macro, and a click on
# its tray icon brings the hidden window back. Screenshots go to build/screens/.
#
# sway refuses to run as root: as root the session runs as the system user
# "mouse-suite-test" (made when missing). Skips, with one line, where the packages are
# not installed.
#
#   BUILD_DIR=dir   build directory (default: build)
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
BUILD="$(cd "${BUILD_DIR:-build}" && pwd)"
SCREENS="$BUILD/screens"

for tool in sway swaymsg swaybar Xwayland dbus-run-session grim python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "wayland-smoke: skipped: $tool is not installed (scripts/install-deps.sh)"
        exit 0
    fi
done
for file in "$BUILD/dist/configurator" "$BUILD/bin/virtual-mouse" "$BUILD/bin/wl-input"; do
    if [ ! -x "$file" ]; then
        echo "wayland-smoke: skipped: $file was not built"
        exit 0
    fi
done
if ! ls /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so \
    /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1; then
    echo "wayland-smoke: skipped: Qt's Wayland platform (qt6-wayland) is not installed"
    exit 0
fi

USER_NAME="$(id -un)"
if [ "$(id -u)" -eq 0 ]; then
    USER_NAME=mouse-suite-test
    id "$USER_NAME" >/dev/null 2>&1 ||
        useradd --system --no-create-home --shell /usr/sbin/nologin "$USER_NAME"
fi

WORK="$(mktemp -d /tmp/wayland-smoke.XXXXXX)"
chmod 755 "$WORK"
mkdir -p "$WORK/run" "$WORK/home" "$WORK/out"
chmod 700 "$WORK/run"
# The programs are copied out: the build may lie under a folder the user cannot enter.
cp "$BUILD/bin/virtual-mouse" "$BUILD/bin/wl-input" "$WORK/"
cat >"$WORK/sway.config" <<'EOF'
output HEADLESS-1 resolution 1280x800 position 0 0
# Like the desktops the program meets: windows float where they are put.
for_window [app_id=".*"] floating enable
for_window [class=".*"] floating enable
xwayland enable
bar {
    position top
    tray_output *
}
EOF
chown -R "$USER_NAME" "$WORK/run" "$WORK/home" "$WORK/out"

as_user() {
    local sock
    sock="$(ls "$WORK"/run/sway-ipc.*.sock 2>/dev/null | head -n 1 || true)"
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u "$USER_NAME" -- env HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/run" \
            WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$sock" "$@"
    else
        env HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/run" WAYLAND_DISPLAY=wayland-1 \
            SWAYSOCK="$sock" "$@"
    fi
}

SWAY_PID=""
VMOUSE_PID=""
cleanup() {
    as_user swaymsg exit >/dev/null 2>&1 || true
    for pid in $VMOUSE_PID $SWAY_PID; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    pkill -u "$USER_NAME" -f "$WORK/" 2>/dev/null || true
    [ -n "${WAYLAND_SMOKE_KEEP:-}" ] || rm -rf "$WORK"
}
trap cleanup EXIT

failures=0
fail() {
    echo "wayland-smoke: FAILED: $*" >&2
    failures=$((failures + 1))
}

# The session: sway inside its own D-Bus session bus, so that its bar hosts the tray.
as_user env -u DISPLAY -u WAYLAND_DISPLAY WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman XDG_SESSION_TYPE=wayland \
    dbus-run-session -- sway -c "$WORK/sway.config" >"$WORK/sway.log" 2>&1 &
SWAY_PID=$!
for _ in $(seq 100); do
    [ -S "$WORK/run/wayland-1" ] && ls "$WORK"/run/sway-ipc.*.sock >/dev/null 2>&1 && break
    sleep 0.2
done
if ! as_user swaymsg -t get_version >/dev/null 2>&1; then
    echo "wayland-smoke: sway did not start:" >&2
    tail -n 20 "$WORK/sway.log" >&2
    exit 1
fi

as_user "$WORK/virtual-mouse" serve --socket "$WORK/out/vm.sock" >"$WORK/vm.log" 2>&1 &
VMOUSE_PID=$!
for _ in $(seq 100); do
    grep -q '^ready' "$WORK/vm.log" 2>/dev/null && break
    sleep 0.1
done

# The program's window as sway shows it: "x y width height", or nothing while unmapped.
window_rect() {
    as_user swaymsg -t get_tree | python3 -c '
import json, sys
def walk(n):
    if n.get("app_id") == "mouse-suite" or \
            (n.get("window_properties") or {}).get("class") == "configurator":
        if n.get("visible"):
            r = n["rect"]
            print(r["x"], r["y"], r["width"], r["height"])
            sys.exit(0)
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        walk(c)
walk(json.load(sys.stdin))'
}

wait_rect() { # wait_rect shown|hidden
    local rect
    for _ in $(seq 60); do
        rect="$(window_rect)"
        if [ "$1" = shown ] && [ -n "$rect" ]; then
            echo "$rect"
            return 0
        fi
        [ "$1" = hidden ] && [ -z "$rect" ] && return 0
        sleep 0.25
    done
    return 1
}

input() { as_user "$WORK/wl-input" --screen 1280x800 "$@"; }

screenshot() { as_user grim "$WORK/out/shot.png" && cp "$WORK/out/shot.png" "$SCREENS/$1.png"; }

mkdir -p "$SCREENS"
for platform in wayland xcb; do
    echo "-- wayland-smoke: QT_QPA_PLATFORM=$platform"
    dist="$WORK/dist-$platform"
    cp -a "$BUILD/dist" "$dist"
    chown -R "$USER_NAME" "$dist"
    log="$WORK/out/configurator-$platform.log"
    # Started by the compositor, as a desktop starts it (it has sway's session bus).
    as_user swaymsg exec "cd '$dist' && VIRTUAL_MOUSE_SOCKET='$WORK/out/vm.sock' \
        QT_QPA_PLATFORM=$platform QT_IM_MODULE=compose XDG_SESSION_TYPE=wayland \
        ./configurator >'$log' 2>&1" >/dev/null

    if ! rect="$(wait_rect shown)"; then
        fail "$platform: the window did not show"
        cat "$log" >&2 || true
        pkill -u "$USER_NAME" -x configurator || true
        continue
    fi
    read -r x y _ _ <<<"$rect"
    echo "   shown at $x,$y"

    # Dragged by the empty top of the page, there and back. The page takes input once the
    # mouse's settings are read (a second at most); each step gives the program time to
    # answer the press before the pointer moves on.
    sleep 1.5
    screenshot "wayland-$platform"
    drag() { # drag FROM_X FROM_Y DX DY
        input move "$1" "$2" wait 200 press wait 300 \
            move $(($1 + $3 / 4)) $(($2 + $4 / 4)) wait 50 \
            move $(($1 + $3 / 2)) $(($2 + $4 / 2)) wait 50 \
            move $(($1 + $3)) $(($2 + $4)) wait 300 release wait 300
    }
    drag $((x + 560)) $((y + 49)) 100 50
    read -r x2 y2 _ _ <<<"$(window_rect)"
    [ "$x2,$y2" = "$((x + 100)),$((y + 50))" ] ||
        fail "$platform: the first drag left the window at $x2,$y2, not $((x + 100)),$((y + 50))"
    drag $((x2 + 560)) $((y2 + 49)) -100 -100
    read -r x3 y3 _ _ <<<"$(window_rect)"
    [ "$x3,$y3" = "$x,$((y - 50))" ] ||
        fail "$platform: the second drag left the window at $x3,$y3, not $x,$((y - 50))"
    echo "   dragged to $x2,$y2 and then $x3,$y3"
    x=$x3
    y=$y3

    # Keys typed into the window, recorded as a new macro: Macro Manager, New, Record,
    # "abc", Stop.
    input move $((x + 78)) $((y + 282)) press release wait 400 \
        move $((x + 255)) $((y + 490)) press release wait 300 \
        move $((x + 714)) $((y + 186)) press release wait 300 \
        type abc wait 200 \
        move $((x + 714)) $((y + 186)) press release wait 500
    macro="$dist/modules/macro/Macro_0.bin"
    rows="$(grep -cE '^[0-9]+="[12],[ABC]"$' "$macro" 2>/dev/null || true)"
    [ "$rows" = 6 ] || fail "$platform: typing abc recorded ${rows:-no} rows, not 6"
    echo "   recorded $rows key rows"
    screenshot "wayland-$platform-macro"
    input move $((x + 786)) $((y + 131)) press release wait 300
    # The dials further down (the column scrolled over the report rates), the pointer speed
    # turned up: sway keeps its pointer settings itself, and the page says so.
    input move $((x + 790)) $((y + 480)) wheel 6 wait 500 \
        move $((x + 900)) $((y + 304)) press release wait 300 move $((x + 500)) $((y + 600)) wait 500
    screenshot "wayland-$platform-lower"

    # Hidden by its close button, brought back by the tray icon (the bar's right end).
    input move $((x + 946)) $((y + 14)) press release wait 300
    wait_rect hidden || fail "$platform: the close button did not hide the window"
    input move 1270 11 press release wait 300
    if wait_rect shown >/dev/null; then
        echo "   hidden, and shown again from the tray"
    else
        fail "$platform: a click on the tray icon did not show the hidden window"
    fi

    pkill -u "$USER_NAME" -x configurator || true
    for _ in $(seq 50); do
        pgrep -u "$USER_NAME" -x configurator >/dev/null || break
        sleep 0.1
    done
    if [ "$failures" -gt 0 ]; then
        echo "--- configurator ($platform):" >&2
        cat "$log" >&2 || true
    fi
done

if [ "$failures" -gt 0 ]; then
    echo "--- sway:" >&2
    tail -n 30 "$WORK/sway.log" >&2
    echo "wayland-smoke: $failures check(s) failed" >&2
    exit 1
fi
echo "wayland-smoke: passed (native Wayland and Xwayland)"
