#!/usr/bin/env bash
# Installs what is missing, configures and builds: the first half of ./test.sh and ./run.sh.
#
#   BUILD_DIR=dir     build directory (default: build)
#   CMAKE_ARGS="..."  extra configure arguments, e.g. -DENABLE_ASAN_UBSAN=ON
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
BUILD_DIR="${BUILD_DIR:-build}"
read -r -a extra_cmake_args <<<"${CMAKE_ARGS:-}"

scripts/install-deps.sh
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra_cmake_args[@]}"
cmake --build "$BUILD_DIR" --parallel 2
