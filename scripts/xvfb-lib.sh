# shellcheck shell=bash
# Shared helpers for the scripts that need an X display or start background processes.
# Source it from bash: . scripts/xvfb-lib.sh
#
#   xvfb_start [SCREEN] [LOG]  start Xvfb on a free display number (SCREEN defaults to
#                              1280x800x24), export DISPLAY, set XVFB_PID
#   xvfb_stop                  stop that Xvfb again
#   stop_process PID [NAME]    SIGTERM, wait a while, then SIGKILL; reaps the process
#   wait_for_line FILE LINE PID SECONDS
#                              wait until FILE holds LINE, failing early if PID dies

XVFB_PID=""

stop_process() {
    local pid="$1" name="${2:-process $1}"
    [ -n "$pid" ] || return 0
    kill -0 "$pid" 2>/dev/null || {
        wait "$pid" 2>/dev/null || true
        return 0
    }
    kill -TERM "$pid" 2>/dev/null || true
    local i
    for ((i = 0; i < 50; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "$name did not stop on SIGTERM; killing it" >&2
        kill -KILL "$pid" 2>/dev/null || true
    fi
    wait "$pid" 2>/dev/null || true
}

wait_for_line() {
    local file="$1" line="$2" pid="$3" seconds="$4"
    local i
    for ((i = 0; i < seconds * 10; i++)); do
        if [ -f "$file" ] && grep -qxF -- "$line" "$file"; then
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

xvfb_start() {
    local screen="${1:-1280x800x24}" log="${2:-/dev/null}"
    local numfile
    numfile="$(mktemp)"
    # -displayfd: Xvfb picks a free display number itself and writes it once it accepts
    # connections, so there is no race on lock files and no fixed number to collide on.
    # -noreset: without it the server resets whenever its last client leaves, and a program
    # opening the display at that moment is refused (seen as random test failures).
    Xvfb -displayfd 3 -noreset -screen 0 "$screen" -nolisten tcp 3>"$numfile" </dev/null >>"$log" 2>&1 &
    XVFB_PID=$!
    local i display=""
    for ((i = 0; i < 300; i++)); do
        display="$(head -n1 "$numfile" 2>/dev/null || true)"
        [ -n "$display" ] && break
        if ! kill -0 "$XVFB_PID" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    rm -f "$numfile"
    if [ -z "$display" ]; then
        echo "Xvfb did not start (see $log)" >&2
        stop_process "$XVFB_PID" Xvfb
        XVFB_PID=""
        return 1
    fi
    export DISPLAY=":$display"
}

xvfb_stop() {
    stop_process "$XVFB_PID" Xvfb
    XVFB_PID=""
}
