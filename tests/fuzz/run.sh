#!/bin/sh
# tests/fuzz/run.sh [seconds]: builds the fuzz targets with clang's libFuzzer, replays the kept
# cases of tests/fuzz/regressions/<target>/, then fuzzes every reader of outside bytes side by side
# for the given seconds each (default 60). Corpora grow in build/fuzz/corpus/<target>; an input
# that fails lands in build/fuzz/artifacts/<target>/ (keep it as a regression once fixed).
set -eu
cd "$(dirname "$0")/../.."
SECONDS_EACH=${1:-60}
BUILD=build/fuzz
TARGETS="picture sample host_reads friend_reads search_reads replay meet_reads relay_reads squeeze_reads nats_reads settings"
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTQ_FUZZ=ON \
    -DTQ_TESTS=OFF -DTQ_WERROR=ON >/dev/null
# shellcheck disable=SC2046
cmake --build "$BUILD" -j 2 --target $(for t in $TARGETS; do echo "${t}_fuzz"; done)

# Leaks count as failures; the readers need a few MB, so 2 GB of memory is plenty, quarantine included.
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

for target in $TARGETS; do
    mkdir -p "$BUILD/corpus/$target" "$BUILD/artifacts/$target"
    cases=$(find "tests/fuzz/regressions/$target" -type f | sort)
    # shellcheck disable=SC2086
    "$BUILD/tests/fuzz/${target}_fuzz" $cases >"$BUILD/$target-regressions.log" 2>&1 ||
        { cat "$BUILD/$target-regressions.log"; echo "FAIL: a $target regression case fails"; exit 1; }
    echo "$target: $(echo "$cases" | wc -l) regression cases pass"
    cp $cases "$BUILD/corpus/$target/"
done
cp dat/ms*.txt "$BUILD/corpus/picture/"
cp dat/samples/*.ogg "$BUILD/corpus/sample/"
cp tests/replays/*.tqr "$BUILD/corpus/replay/"

pids=""
for target in $TARGETS; do
    "$BUILD/tests/fuzz/${target}_fuzz" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$target/" \
        "$BUILD/corpus/$target" >"$BUILD/$target.log" 2>&1 &
    pids="$pids $!"
done
status=0
for pid in $pids; do
    wait "$pid" || status=1
done
for target in $TARGETS; do
    echo "$target: $(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$BUILD/$target.log" | tail -1 |
        sed 's/^#\([0-9]*\)[^c]*\(cov: [0-9]*\).*\(exec\/s: [0-9]*\).*/\1 runs, \2, \3/')"
done
if [ "$status" -ne 0 ]; then
    for target in $TARGETS; do
        grep -A30 -E 'ERROR|runtime error' "$BUILD/$target.log" || true
    done
    echo "FAIL: a fuzzer found a fault; see $BUILD/artifacts/"
    exit 1
fi
