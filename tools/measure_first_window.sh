#!/usr/bin/env bash
# The first window after start, against two general loggers of Debian in the same run: the time
# from the start of the process until its first top-level window is mapped, and its resident
# memory one second later, median of 7 starts each (one start before, not counted, fills the
# disk cache and writes the first-run settings). Each program runs on a private Xvfb with its
# own empty home. xlog and KLog are installed with apt-get when missing (as root).
#   tools/measure_first_window.sh [ZEP_BINARY]   default build-rel/app/zep-rozadovev
# Environment: RUNS (7), SETTLE_MS (1000).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
zep=${1:-$root/build-rel/app/zep-rozadovev}
runs=${RUNS:-7}
settle=${SETTLE_MS:-1000}

fail() {
    echo "measure_first_window: $*" >&2
    exit 1
}
[ -x "$zep" ] || fail "$zep is not a program (build it first: cmake --build build-rel --target zep-rozadovev)"

missing=()
command -v Xvfb >/dev/null || missing+=(xvfb)
command -v xlog >/dev/null || missing+=(xlog)
command -v klog >/dev/null || missing+=(klog)
command -v cc >/dev/null || missing+=(gcc)
[ -e /usr/include/X11/Xlib.h ] || missing+=(libx11-dev)
if [ ${#missing[@]} -gt 0 ]; then
    [ "$(id -u)" -eq 0 ] || fail "missing: ${missing[*]} (install them, or run as root)"
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" \
        >/dev/null
fi

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cc -O2 -o "$work/first_window" "$root/tools/first_window.c" -lX11

# A display number nobody uses.
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
[ -e "/tmp/.X11-unix/X$n" ] || fail "Xvfb did not start"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# measure NAME COMMAND...: one line "NAME median_ms median_rss_MB".
measure() {
    local name=$1
    shift
    local home="$work/home-$name" out="$work/$name.txt"
    mkdir -p "$home"
    : >"$out"
    for i in $(seq 0 "$runs"); do
        local line
        line=$(env -i PATH="$PATH" DISPLAY=":$n" HOME="$home" LANG=fr_FR.UTF-8 \
            XDG_RUNTIME_DIR="$home" "$work/first_window" "$settle" "$@" 2>/dev/null) ||
            fail "$name: no window"
        [ "$i" -eq 0 ] || echo "$line" >>"$out"
    done
    printf '%-14s %8s ms %8s MB   (each start: %s)\n' "$name" \
        "$(cut -d' ' -f1 "$out" | median)" \
        "$(cut -d' ' -f2 "$out" | median | awk '{ printf "%.1f", $1 / 1024 }')" \
        "$(cut -d' ' -f1 "$out" | tr '\n' ' ')"
}

echo "first window, median of $runs starts (time to map, resident memory ${settle} ms later)"
measure zep-rozadovev "$zep" --dir "$work/zep-data"
measure xlog xlog
measure klog klog
