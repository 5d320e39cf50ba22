#!/usr/bin/env bash
# Builds the Debian package, installs it as a user would (dpkg, then apt for what it depends
# on), checks the installed program and its desktop entry, starts it offscreen from the
# installed place, and removes the package again. Needs root or sudo.
#   tools/check_deb.sh            build dir build-deb/ (or BUILD_DIR)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build-deb}
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

fail() {
    echo "check_deb: $*" >&2
    exit 1
}

if dpkg-query -W -f='${Status}' zep-rozadovev 2>/dev/null | grep -q "install ok installed"; then
    fail "zep-rozadovev is already installed on this machine; remove it first (dpkg -r zep-rozadovev)"
fi

cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DZEP_BUILD_TESTS=OFF \
    -DZEP_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target zep-rozadovev
rm -f "$build_dir"/zep-rozadovev_*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
debs=("$build_dir"/zep-rozadovev_*.deb)
[ -f "${debs[0]}" ] || fail "no package was built"
deb=${debs[0]}
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Depends
# The radio library comes from dpkg-shlibdeps, as every library the program links.
dpkg-deb --field "$deb" Depends | grep -q 'libhamlib4' ||
    fail "the package does not depend on libhamlib4"

remove() {
    "${sudo_cmd[@]}" dpkg -r zep-rozadovev >/dev/null || true
}
trap remove EXIT

# dpkg does not fetch dependencies; apt completes the installation as it would for a user.
if ! "${sudo_cmd[@]}" dpkg -i "$deb"; then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -f install -y -qq
fi
dpkg-query -W -f='${Status}\n' zep-rozadovev | grep -q "install ok installed" ||
    fail "the package did not install"

for f in /usr/bin/zep-rozadovev /usr/share/applications/zep-rozadovev.desktop \
    /usr/share/icons/hicolor/scalable/apps/zep-rozadovev.svg \
    /usr/share/zep-rozadovev/help/guide.html; do
    [ -f "$f" ] || fail "missing after installation: $f"
done
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate /usr/share/applications/zep-rozadovev.desktop ||
        fail "the desktop entry does not validate"
fi

version=$(QT_QPA_PLATFORM=offscreen zep-rozadovev --version)
[ "$version" = "zep-rozadovev 1.3.7b" ] || fail "unexpected --version output: '$version'"
echo "Installed program answers: $version"

# Started from the menu's command, with a home of its own: the data directory is made there.
home=$(mktemp -d)
HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config \
    QT_QPA_PLATFORM=offscreen zep-rozadovev &
pid=$!
data=$home/.local/share/Riduzazur/ZEP_Rozadovev
for _ in $(seq 1 100); do
    [ -f "$data/Liste_Activite.txt" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
done
started=no
if kill -0 "$pid" 2>/dev/null && [ -f "$data/Liste_Activite.txt" ]; then
    started=yes
fi
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
rm -rf "$home"
[ "$started" = yes ] || fail "the installed program did not start on a new user's data directory"
echo "Installed program started and made its data directory"

remove
trap - EXIT
! dpkg-query -W -f='${Status}' zep-rozadovev 2>/dev/null | grep -q "install ok installed" ||
    fail "the package was not removed"
echo "check_deb: package built, installed, started and removed"
