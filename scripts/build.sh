#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default build/). Extra arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
. "$root/scripts/ccache-env.sh"
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "${launcher[@]}" "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
