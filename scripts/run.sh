#!/usr/bin/env bash
# Installs what is missing, builds the program alone into build-run/ (or BUILD_DIR), and starts
# it. The tests' build/ is left alone, so the test command always finds its own settings.
# The data live in the per-user data directory (~/.local/share/Riduzazur/ZEP_Rozadovev), as for
# the installed program, never in the build tree; ZEP_DATA_DIR, when set, chooses another one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
export BUILD_DIR=${BUILD_DIR:-$root/build-run}
"$root/scripts/build.sh" -DZEP_BUILD_TESTS=OFF -DZEP_BUILD_BENCH=OFF -DZEP_BUILD_FUZZ=OFF \
    -DZEP_SANITIZE=OFF
options=()
if [ -n "${ZEP_DATA_DIR:-}" ]; then
    options=(--dir "$ZEP_DATA_DIR")
fi
exec "$BUILD_DIR/app/zep-rozadovev" "${options[@]}" "$@"
