#!/usr/bin/env bash
# Installs what is missing, builds the current sources with every test, and runs them all; no
# test run is a failure.
#   scripts/test.sh              normal build in build/ (or BUILD_DIR)
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
# The options are given at every run, so whatever configured the build directory before (a hand
# configuration without tests) cannot leave tests out or keep old test programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
if [ "${1:-}" = "--sanitize" ]; then
    export BUILD_DIR=${BUILD_DIR:-$root/build-asan}
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    "$root/scripts/build.sh" -DZEP_BUILD_TESTS=ON -DZEP_SANITIZE=ON -DZEP_BUILD_FUZZ=OFF \
        -DZEP_BUILD_BENCH=OFF
else
    export BUILD_DIR=${BUILD_DIR:-$root/build}
    "$root/scripts/build.sh" -DZEP_BUILD_TESTS=ON -DZEP_SANITIZE=OFF -DZEP_BUILD_FUZZ=OFF
fi
cd "$BUILD_DIR"
ctest --output-on-failure --no-tests=error -j"$(nproc)"
