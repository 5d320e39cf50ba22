#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default build/). Extra arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # The cache lives outside the clone (ccache's own folder in the user's home) and is keyed on
    # paths relative to the source root, so a fresh clone elsewhere on the same machine, or a
    # second build folder, reuses what an earlier build compiled.
    export CCACHE_BASEDIR=$root
    export CCACHE_NOHASHDIR=1
    export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-8G}
fi
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "${launcher[@]}" "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
