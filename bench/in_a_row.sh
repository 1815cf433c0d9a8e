#!/bin/sh
# How steady the test suite is on a busy machine: the first stage of ./test (every unit,
# property and end-to-end test of the plain build) run again and again, while the game and
# its tests are built from clean beside it the whole time.
#
#   bench/in_a_row.sh [runs]     (default 20)
#
# Stops at the first red run and keeps its log. Run ./test once first, so that what the
# suite needs is installed and build/test is configured. The logs go to build/in_a_row/:
# runN.log for each run, builds.log for the build beside, and the summary, a line per run
# (seconds, load average at its start and end) and one per build beside.
set -eu
cd "$(dirname "$0")/.."
RUNS=${1:-20}
OUT=$PWD/build/in_a_row
[ -f build/test/CMakeCache.txt ] || {
    echo "run ./test first: build/test is not configured" >&2
    exit 1
}
rm -rf "$OUT"
mkdir -p "$OUT"
cmake --build build/test -j "$(nproc)" >"$OUT/build.log"
cmake -S . -B build/beside -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

# The build beside, in a process group of its own, so that it ends with the runs.
# shellcheck disable=SC2016
setsid sh -c '
    n=1
    while :; do
        s=$(date +%s)
        rc=0
        cmake --build build/beside --clean-first -j 1 >"$1/builds.log" 2>&1 || rc=$?
        echo "build $n: status $rc, $(($(date +%s) - s)) s" >>"$1/summary"
        n=$((n + 1))
    done' beside "$OUT" &
BESIDE=$!
trap 'kill -- "-$BESIDE" 2>/dev/null || true' EXIT INT TERM

load() { cut -d' ' -f1 /proc/loadavg; }
run=1
while [ "$run" -le "$RUNS" ]; do
    s=$(date +%s)
    at_start=$(load)
    rc=0
    ctest --test-dir build/test --output-on-failure -j 2 >"$OUT/run$run.log" 2>&1 || rc=$?
    skipped=$(grep -c 'Skipped\|Not Run' "$OUT/run$run.log" || true)
    echo "run $run: status $rc, $(($(date +%s) - s)) s, load $at_start to $(load)," \
        "$(grep -o '[0-9]*% tests passed, [0-9]* tests failed out of [0-9]*' "$OUT/run$run.log")," \
        "$skipped skipped" >>"$OUT/summary"
    if [ "$rc" -ne 0 ]; then
        echo "run $run of $RUNS was red: $OUT/run$run.log" >&2
        exit 1
    fi
    run=$((run + 1))
done
cat "$OUT/summary"
echo "$RUNS of $RUNS runs green in a row"
