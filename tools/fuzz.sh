#!/bin/bash
# Builds the libFuzzer targets with clang and runs them.
#
#   tools/fuzz.sh [BUILD_DIR]        each target for FUZZ_SECONDS (default 60)
#                                    on a scratch copy of its corpus, then a
#                                    report: executions, executions per second,
#                                    new corpus size, findings
#   tools/fuzz.sh --ci [BUILD_DIR]   each target for FUZZ_RUNS (default 2000)
#                                    runs over its corpus and regressions; fails
#                                    on any finding
#
# Environment: FUZZ_SECONDS, FUZZ_RUNS, FUZZ_TARGETS (default: all),
# FUZZ_OUT (where scratch corpora and findings go; default a fresh folder
# under /dev/shm or the temporary folder), FUZZ_JOBS (build jobs).
# Findings (crash-*, leak-*, timeout-*, oom-* files) stay in FUZZ_OUT; copy
# one to tests/fuzz/regressions/<target>/ to keep it as a regression.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
MODE=run
if [ "${1:-}" = "--ci" ]; then
    MODE=ci
    shift
fi
BUILD="${1:-build-fuzz}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
TARGETS="${FUZZ_TARGETS:-wav pool krz join convert audio fat dspreset sf2 sfz extract}"
SECONDS_EACH="${FUZZ_SECONDS:-60}"
RUNS="${FUZZ_RUNS:-2000}"
JOBS="${FUZZ_JOBS:-$(nproc)}"

# Cheaper bookkeeping for the sanitizers: a small quarantine and short
# allocation stacks nearly double the file-heavy targets' speed; findings
# still carry their full stack.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=8:malloc_context_size=4}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

if [ ! -f "$BUILD/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DDORVANE_FUZZ=ON -DDORVANE_UI=OFF -DDORVANE_BENCH=OFF >/dev/null
fi
cmake --build "$BUILD" -j "$JOBS" --target fuzz_all

auto_out=
if [ -z "${FUZZ_OUT:-}" ]; then
    auto_out=1
    base=/dev/shm
    [ -d "$base" ] && [ -w "$base" ] || base="${TMPDIR:-/tmp}"
    FUZZ_OUT="$(mktemp -d "$base/dorvane-fuzz-run-XXXXXX")"
fi
mkdir -p "$FUZZ_OUT"

FLAGS=(-rss_limit_mb=2048 -timeout=10 -print_final_stats=1)
status=0
report=()
for t in $TARGETS; do
    exe="$BUILD/bin/fuzz_$t"
    corpus="$ROOT/tests/fuzz/corpus/$t"
    regressions="$ROOT/tests/fuzz/regressions/$t"
    work="$FUZZ_OUT/$t"
    mkdir -p "$work/corpus" "$work/findings"
    dirs=("$work/corpus")
    [ -d "$corpus" ] && cp "$corpus"/* "$work/corpus/" 2>/dev/null || true
    # Regressions are inputs too, but are never merged into the corpus.
    [ -d "$regressions" ] && [ -n "$(ls -A "$regressions" 2>/dev/null)" ] && dirs+=("$regressions")
    if [ "$MODE" = ci ]; then
        limit=(-runs="$RUNS" -seed=1)
    else
        limit=(-max_total_time="$SECONDS_EACH")
    fi
    before=$(ls "$work/corpus" | wc -l)
    echo "== fuzz_$t: ${limit[*]}"
    # The bank reader runs libinstpatch, which leaks a little on some bad
    # banks: those leaks are suppressed (tests/fuzz/lsan-libinstpatch.supp).
    env=()
    [ "$t" = sf2 ] && env=(ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0"
        LSAN_OPTIONS="suppressions=$ROOT/tests/fuzz/lsan-libinstpatch.supp")
    set +e
    env "${env[@]}" "$exe" "${FLAGS[@]}" "${limit[@]}" -artifact_prefix="$work/findings/" \
        "${dirs[@]}" >"$work/log.txt" 2>&1
    rc=$?
    set -e
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log.txt" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log.txt" | tail -1)
    after=$(ls "$work/corpus" | wc -l)
    findings=$(ls "$work/findings" | wc -l)
    report+=("$(printf '%-8s %10s execs %7s/s  corpus %4s -> %-4s findings %s' \
        "$t" "${execs:-?}" "${rate:-?}" "$before" "$after" "$findings")")
    if [ "$rc" != 0 ] || [ "$findings" != 0 ]; then
        status=1
        echo "fuzz_$t FAILED (exit $rc); log: $work/log.txt"
        grep -E "ERROR|SUMMARY|what\(\)" "$work/log.txt" | head -5 || true
        ls "$work/findings"
    fi
done

echo
echo "Fuzzing report ($MODE; results in $FUZZ_OUT)"
printf '%s\n' "${report[@]}"
if [ "$MODE" = ci ] && [ "$status" = 0 ] && [ -n "$auto_out" ]; then
    rm -rf "$FUZZ_OUT"
fi
exit $status
