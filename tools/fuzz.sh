#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer) and
# runs each of them for SECONDS on its corpus. Exits non-zero when a target finds a fault; the
# input that caused it is left in $FUZZ_DIR/crashes/<target>/.
#   tools/fuzz.sh SECONDS [target...]
# Environment: FUZZ_DIR (build directory, default build-fuzz), FUZZ_NICE (nice level, default 0).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:?usage: tools/fuzz.sh SECONDS [target...]}
shift
build=${FUZZ_DIR:-$root/build-fuzz}
nice_level=${FUZZ_NICE:-0}

. "$root/scripts/ccache-env.sh"
# Configured at every run: a build folder configured before a target was added still knows it.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DZEP_BUILD_FUZZ=ON -DZEP_BUILD_TESTS=OFF -DZEP_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for dir in "$root"/fuzz/corpus/*/; do
        name=$(basename "$dir")
        if grep -q "zep_fuzz($name" "$root/fuzz/CMakeLists.txt" &&
            { [ "$name" != fuzz_prefix_table ] || [ -f "$root/src/core/countries/PrefixTable.h" ]; }; then
            targets+=("$name")
        fi
    done
fi
nice -n "$nice_level" cmake --build "$build" -j"${FUZZ_BUILD_JOBS:-2}" --target "${targets[@]}" >/dev/null

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
total=0
failed=()
for t in "${targets[@]}"; do
    work="$build/corpus/$t"
    crashes="$build/crashes/$t"
    mkdir -p "$work" "$crashes"
    log="$build/$t.log"
    # New inputs go to the work corpus; the committed seeds are only read.
    if nice -n "$nice_level" "$build/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 \
        -max_len=8192 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$crashes/" \
        "$work" "$root/fuzz/corpus/$t" >"$log" 2>&1; then
        status=ok
    else
        status=FAULT
        failed+=("$t")
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    runs=${runs:-0}
    total=$((total + runs))
    printf '%-24s %-6s %12s runs\n' "$t" "$status" "$runs"
    [ "$status" = ok ] || tail -40 "$log"
done
printf '%-24s %-6s %12s runs\n' total "" "$total"
[ ${#failed[@]} -eq 0 ]
