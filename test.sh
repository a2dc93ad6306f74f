#!/usr/bin/env bash
# Installs what is missing, builds, checks the C++ formatting, runs the whole test suite
# under a private Xvfb, each fuzzing harness for a few seconds, the screenshots and the
# Wayland smoke test in a headless sway. Exits non-zero on any failure.
#
#   BUILD_DIR=dir     build directory (default: build)
#   CMAKE_ARGS="..."  extra configure arguments, e.g. -DENABLE_ASAN_UBSAN=ON
#   CTEST_JOBS=n      tests run in parallel (default: 2)
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")"
BUILD_DIR="${BUILD_DIR:-build}"
export BUILD_DIR
scripts/build.sh

echo "-- clang-format check"
# Tracked and new (not ignored) sources; build trees inside the repo are left out.
pathspec=('*.cpp' '*.h' ':(exclude)build*/**')
case "$BUILD_DIR" in
/*) ;;
*) pathspec+=(":(exclude)${BUILD_DIR#./}/**") ;;
esac
git ls-files -z --cached --others --exclude-standard -- "${pathspec[@]}" |
    xargs -0 -r clang-format --dry-run --Werror

. scripts/xvfb-lib.sh
trap xvfb_stop EXIT
mkdir -p "$BUILD_DIR/test-run"
xvfb_start 1280x800x24 "$BUILD_DIR/test-run/xvfb.log"
echo "-- tests on DISPLAY=$DISPLAY"

ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error --parallel "${CTEST_JOBS:-2}"

echo "-- fuzzing, a short run of each harness"
scripts/fuzz.sh --smoke

echo "-- screenshots"
scripts/screens.sh

echo "-- Wayland smoke (native Wayland and Xwayland, in a headless sway)"
scripts/wayland-smoke.sh
