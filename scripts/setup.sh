#!/usr/bin/env bash
# Installs the Debian 12 packages the program, its tests, its benchmarks and its package check
# need, when missing. As root it runs apt-get itself, otherwise through sudo; a user who has
# neither is told which packages are missing and the command to run as root.
# Hamlib: libhamlib-dev to build, libhamlib-utils (rigctld, rigctl) for the radio tests.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-translations-l10n
    libgl-dev libvulkan-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    libhamlib-dev libhamlib-utils
    # The CW keyer's tests and benchmark start a real cwdaemon (no keying device, no sound).
    cwdaemon
    # The voice messages: Qt Multimedia for the sound helper; the voice tests and benchmark
    # start a private PulseAudio server and read its null sink back with parec.
    qt6-multimedia-dev pulseaudio pulseaudio-utils
    # The data archives: libzip to build; unzip checks the archives in the tests.
    libzip-dev unzip
    hamradio-files strace xvfb xauth faketime
    # The screen reader test reads the window through AT-SPI on a private D-Bus session.
    dbus-daemon at-spi2-core
    fonts-liberation2 poppler-utils
    # The activation summary draws its charts with Qt Charts.
    qt6-charts-dev
    # The station's locator from a GPS: the tests start a real gpsd fed by gpsfake.
    gpsd gpsd-clients
    # The screen reader test runs Orca itself, speaking through speech-dispatcher's espeak-ng
    # module to libao's null driver.
    orca speech-dispatcher speech-dispatcher-espeak-ng libao4
    clang libfuzzer-14-dev ccache
    # The package commands: cpack's dependency scan (dpkg-shlibdeps) needs file; the package
    # check runs lintian and appstreamcli and validates the desktop entry.
    file lintian appstream desktop-file-utils
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

[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        cat >&2 <<MSG
These Debian packages are missing: ${missing[*]}
This script can only install them as root (there is no sudo here). Run as root:

    apt-get update && apt-get install -y ${missing[*]}

then run this command again.
MSG
        exit 1
    fi
    as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
