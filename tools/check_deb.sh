#!/usr/bin/env bash
# Builds the Debian package, checks it as the distribution does (lintian: no error and no
# warning), installs it as a user would (dpkg, then apt for what it depends on), checks the
# installed program, its desktop entry and its AppStream metadata, starts it offscreen from the
# installed place, and removes the package again. Needs root or sudo.
#   tools/check_deb.sh            build dir build-deb/ (or BUILD_DIR)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build-deb}
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "check_deb: installing the package needs root: run this script as root" >&2
        exit 1
    fi
    sudo_cmd=(sudo)
fi
# The package tools (file for cpack's dependency scan, lintian, appstreamcli) come with the
# set-up.
"$root/scripts/setup.sh"
. "$root/scripts/ccache-env.sh"

fail() {
    echo "check_deb: $*" >&2
    exit 1
}

if dpkg-query -W -f='${Status}' zep-rozadovev 2>/dev/null | grep -q "install ok installed"; then
    fail "zep-rozadovev is already installed on this machine; remove it first (dpkg -r zep-rozadovev)"
fi

cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DZEP_BUILD_TESTS=OFF -DZEP_SANITIZE=OFF \
    -DZEP_BUILD_BENCH=OFF -DZEP_BUILD_FUZZ=OFF "${launcher[@]}" >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target zep-rozadovev
rm -f "$build_dir"/zep-rozadovev_*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
debs=("$build_dir"/zep-rozadovev_*.deb)
[ -f "${debs[0]}" ] || fail "no package was built"
deb=${debs[0]}
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Depends
# The radio library comes from dpkg-shlibdeps, as every library the package's programs link (the
# radio helper links it).
dpkg-deb --field "$deb" Depends | grep -q 'libhamlib4' ||
    fail "the package does not depend on libhamlib4"

# lintian passes warnings by default: here a warning fails the check as an error does.
lintian_status=0
lintian_out=$(lintian --info --fail-on error,warning "$deb" 2>&1) || lintian_status=$?
grep -v "^running with root privileges" <<<"$lintian_out" || true
if [ "$lintian_status" -ne 0 ] || grep -qE "^[EW]: " <<<"$lintian_out"; then
    fail "lintian reports errors or warnings on the package (exit status $lintian_status)"
fi
echo "lintian: no error, no warning"

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

metainfo=/usr/share/metainfo/org.example.zep.rozadovev.metainfo.xml
for f in /usr/bin/zep-rozadovev /usr/share/applications/zep-rozadovev.desktop \
    /usr/share/icons/hicolor/scalable/apps/zep-rozadovev.svg \
    /usr/share/zep-rozadovev/help/guide.html /usr/share/man/man1/zep-rozadovev.1.gz \
    /usr/share/zep-rozadovev/Regles_Validite.csv \
    /usr/libexec/zep-rozadovev/zep-rozadovev-poste /usr/libexec/zep-rozadovev/zep-rozadovev-voix \
    /usr/share/doc/zep-rozadovev/copyright /usr/share/doc/zep-rozadovev/changelog.Debian.gz \
    "$metainfo"; do
    [ -f "$f" ] || fail "missing after installation: $f"
done
# Hamlib runs in the radio helper only: a crash in it never takes the log window with it.
ldd /usr/bin/zep-rozadovev | grep -q hamlib && fail "the program links Hamlib; only its helper may"
ldd /usr/libexec/zep-rozadovev/zep-rozadovev-poste | grep -q hamlib ||
    fail "the radio helper does not link Hamlib"
# Qt Multimedia runs in the sound helper only: the program's start maps no audio library.
ldd /usr/bin/zep-rozadovev | grep -q Qt6Multimedia &&
    fail "the program links Qt Multimedia; only its sound helper may"
ldd /usr/libexec/zep-rozadovev/zep-rozadovev-voix | grep -q Qt6Multimedia ||
    fail "the sound helper does not link Qt Multimedia"
dpkg-deb --field "$deb" Depends | grep -q 'libqt6multimedia6' ||
    fail "the package does not depend on libqt6multimedia6"
# The archive library is loaded at the first archive, not at start: the package must still
# bring it, as its dependency scan cannot see it.
ldd /usr/bin/zep-rozadovev | grep -q libzip &&
    fail "the program maps libzip at start; it loads it at its first archive"
ldd /usr/bin/zep-rozadovev | grep -q Qt6Network &&
    fail "the program links Qt Network; the cluster and cwdaemon use the system's sockets"
dpkg-deb --field "$deb" Depends | grep -q 'libzip4' ||
    fail "the package does not depend on libzip4"
desktop-file-validate /usr/share/applications/zep-rozadovev.desktop ||
    fail "the desktop entry does not validate"
# appstreamcli exits 0 on warnings too: its verdict line must show no error and no warning.
appstream_out=$(appstreamcli validate --no-net --no-color "$metainfo" 2>&1) || {
    echo "$appstream_out"
    fail "the AppStream metadata does not validate"
}
echo "$appstream_out"
if grep -qE "^[EW]: " <<<"$appstream_out"; then
    fail "appstreamcli reports errors or warnings on the AppStream metadata"
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
