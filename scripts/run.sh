#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program. The data live outside the build
# tree (default ~/ZEP_Rozadovev, or ZEP_DATA_DIR), so a clean rebuild never deletes a log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DZEP_BUILD_TESTS=OFF -DZEP_BUILD_BENCH=OFF
data_dir=${ZEP_DATA_DIR:-$HOME/ZEP_Rozadovev}
mkdir -p "$data_dir"
exec "${BUILD_DIR:-$root/build}/app/zep-rozadovev" --dir "$data_dir" "$@"
