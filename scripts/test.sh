#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
if [ "${1:-}" = "--sanitize" ]; then
    export BUILD_DIR=${BUILD_DIR:-$root/build-asan}
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    "$root/scripts/build.sh" -DZEP_SANITIZE=ON -DZEP_BUILD_BENCH=OFF
else
    export BUILD_DIR=${BUILD_DIR:-$root/build}
    "$root/scripts/build.sh"
fi
cd "$BUILD_DIR"
ctest --output-on-failure -j"$(nproc)"
