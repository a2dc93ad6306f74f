#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (ASan + UBSan) in build-fuzz/ and runs each one
# for a bounded time, starting from its committed inputs in tests/fuzz/corpus/<harness>/.
# New inputs go to build-fuzz/corpus/<harness>/ (the committed ones are only read), a
# crashing input to build-fuzz/artifacts/. Exits non-zero when a harness finds a fault.
#
#   scripts/fuzz.sh --smoke             10 s per harness (the test command's short run)
#   scripts/fuzz.sh [SECONDS] [NAME...] long runs: SECONDS per harness (default 600),
#                                       all harnesses or the ones named
#   FUZZ_BUILD_DIR=dir                  build directory (default: build-fuzz)
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
BUILD="${FUZZ_BUILD_DIR:-build-fuzz}"
seconds=600
if [ "${1:-}" = "--smoke" ]; then
    seconds=10
    shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    seconds="$1"
    shift
fi
harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
    harnesses=(fuzz_firmware_file fuzz_answer fuzz_macro_image fuzz_macro_rows fuzz_message_frame
        fuzz_boot_protocol)
fi

scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DENABLE_FUZZERS=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$BUILD" --parallel 2 --target fuzzers

failed=0
summary=()
for h in "${harnesses[@]}"; do
    mkdir -p "$BUILD/corpus/$h" "$BUILD/artifacts"
    log="$BUILD/$h.log"
    echo "-- fuzzing $h for ${seconds}s"
    if "$BUILD/fuzz/$h" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$BUILD/artifacts/$h-" -rss_limit_mb=1024 \
        "$BUILD/corpus/$h" "tests/fuzz/corpus/$h" >"$log" 2>&1; then
        status=ok
    else
        status=FAILED
        failed=1
        tail -n 40 "$log"
    fi
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
    rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
    cov="$(grep -o 'cov: [0-9]*' "$log" | tail -n1)"
    summary+=("$(printf '%-20s %-6s %10s executions %8s/s  %s' "$h" "$status" "${runs:-?}" "${rate:-?}" "$cov")")
done
echo "-- fuzzing summary (${seconds}s each; logs in $BUILD/*.log)"
printf '%s\n' "${summary[@]}"
exit $failed
