#!/usr/bin/env bash
# Installs the Debian 12 packages the program, its tests and its benchmarks need, when missing.
# Hamlib: libhamlib-dev to build, libhamlib-utils (rigctld, rigctl) for the radio tests.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-translations-l10n
    libgl-dev libvulkan-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    libhamlib-dev libhamlib-utils
    hamradio-files strace xvfb xauth faketime
    fonts-liberation2 poppler-utils
    clang libfuzzer-14-dev ccache
    desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

# Node.js and npm run the test-only ADIF checker; a machine that already has them from another
# source keeps its own (Debian's npm would conflict with it).
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    missing+=(nodejs npm)
fi

if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo_cmd=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
