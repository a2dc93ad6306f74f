#!/usr/bin/env bash
# The test suite under the sanitizers, in its own build tree:
#   scripts/sanitize.sh asan   AddressSanitizer + UndefinedBehaviorSanitizer, every test
#                              (build-asan/)
#   scripts/sanitize.sh tsan   ThreadSanitizer, the tests labelled "threaded" (build-tsan/)
# Every process the tests start writes its sanitizer reports to
# <build>/sanitizer-logs/; the run fails when a test fails or any report was written.
# Known third-party reports are suppressed in tests/sanitizers/*.supp.
#
#   CTEST_JOBS=n   tests run in parallel (default: 2)
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
kind="${1:-}"
case "$kind" in
asan)
    export BUILD_DIR=build-asan CMAKE_ARGS="-DENABLE_ASAN_UBSAN=ON"
    ctest_args=()
    ;;
tsan)
    export BUILD_DIR=build-tsan CMAKE_ARGS="-DENABLE_TSAN=ON"
    ctest_args=(--label-regex threaded)
    ;;
*)
    echo "usage: $0 asan|tsan" >&2
    exit 2
    ;;
esac
root="$(pwd)"
logs="$root/$BUILD_DIR/sanitizer-logs"

start=$SECONDS
scripts/build.sh
built=$SECONDS

rm -rf "$logs"
mkdir -p "$logs"
common="log_path=$logs/report:print_stacktrace=1"
export ASAN_OPTIONS="$common:detect_leaks=1:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="$common:halt_on_error=1"
export TSAN_OPTIONS="$common:suppressions=$root/tests/sanitizers/tsan.supp:second_deadlock_stack=1"

. scripts/xvfb-lib.sh
trap xvfb_stop EXIT
mkdir -p "$BUILD_DIR/test-run"
xvfb_start 1280x800x24 "$BUILD_DIR/test-run/xvfb.log"
echo "-- $kind tests on DISPLAY=$DISPLAY"

status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error \
    --parallel "${CTEST_JOBS:-2}" "${ctest_args[@]}" || status=1

reports=("$logs"/report.*)
if [ -e "${reports[0]}" ]; then
    echo "-- $kind: ${#reports[@]} sanitizer report file(s):"
    for r in "${reports[@]}"; do
        echo "==== $r"
        head -n 60 "$r"
    done
    status=1
fi
echo "-- $kind: build $((built - start)) s, tests $((SECONDS - built)) s"
exit $status
