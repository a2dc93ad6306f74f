#!/usr/bin/env bash
# Kills the crash writer with SIGKILL at random moments of its writes and checks the files
# after every kill (see crash_writer.cpp).
#
#   crash_safety.sh WRITER WORKDIR
#   CRASH_SEED=n   repeats the kill delays and the writers' choices of an earlier run
#   CRASH_KILLS=n  kills (default 200)
set -euo pipefail
writer="$1"
work="$2"
seed="${CRASH_SEED:-$(od -An -N2 -tu2 /dev/urandom | tr -d ' ')}"
kills="${CRASH_KILLS:-200}"
echo "crash safety: seed $seed (CRASH_SEED=$seed repeats it), $kills kills"
RANDOM=$seed

rm -rf "$work"
mkdir -p "$work"
"$writer" setup "$work"

checked=0
locks=0
copies=0
failed=0
for ((k = 1; k <= kills; k++)); do
    out="$work/writer.out"
    "$writer" run "$work" "$RANDOM" >"$out" &
    pid=$!
    # The kill lands 0 to 40 ms after the writer has started writing.
    for ((i = 0; i < 500; i++)); do
        grep -q writing "$out" 2>/dev/null && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.01
    done
    sleep "0.0$(printf '%02d' $((RANDOM % 40)))"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if ! result="$("$writer" check "$work")"; then
        failed=$((failed + 1))
        echo "after kill $k:"
        echo "$result" | grep '^FAIL' | head -n 20
    fi
    checked=$((checked + $(echo "$result" | sed -n 's/^checked //p')))
    locks=$((locks + $(echo "$result" | sed -n 's/^locks //p')))
    copies=$((copies + $(echo "$result" | sed -n 's/^copies //p')))
done
echo "crash safety: $kills kills, $checked file checks, $failed kills with damage," \
    "left by the kills and cleared by the next start: $locks lock files, $copies temporary copies"
[ "$failed" -eq 0 ]
