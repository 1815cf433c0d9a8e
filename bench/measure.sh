#!/bin/sh
# Whole-process measurements of the game against the bare baseline program.
#
#   bench/measure.sh [seconds] [rounds]      (default 20 seconds, 3 rounds)
#
# Builds both in build/bench (Release), then runs the game and the baseline in turn under
# Xvfb at 1920x1080, on the title screen and in a match (keys sent with xdotool), each for
# the given number of seconds after a two-second settling time, round after round so that
# the machine's drift touches both alike. For each run it prints: CPU seconds used per
# wall second, peak resident memory, the time from launch to the first presented frame,
# and the simulation steps and frames per second the loop reached (counted by
# bench/frame_probe.c from the loop's own clock readings). Then the medians over the
# rounds and the game/baseline ratios of the medians.
set -eu
cd "$(dirname "$0")/.."
SECONDS_PER_RUN=${1:-20}
ROUNDS=${2:-3}
BUILD=build/bench
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DTQ_BENCH=ON -DTQ_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target tumblequay baseline frame_probe -j "$(nproc)" >/dev/null

WORK=$(mktemp -d)
XVFB_PID=""
PROGRAM_PID=""
cleanup() {
    [ -n "$PROGRAM_PID" ] && kill "$PROGRAM_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$WORK/display" 2>/dev/null &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
DISPLAY=":$(cat "$WORK/display")"
export DISPLAY
# The game as it starts without settings, whatever the player running this has kept.
export XDG_CONFIG_HOME="$WORK/config"

# CPU time (user + system) of a process in clock ticks.
cpu_ticks() {
    awk '{print $14 + $15}' "/proc/$1/stat"
}

# run <name> <program> <window name> <title|match>: prints one result line.
run() {
    name=$1 program=$2 window=$3 scene=$4
    probe="$WORK/$name-$scene.probe"
    start=$(date +%s%N)
    (cd "$PWD" && FRAME_PROBE_OUT="$probe" FRAME_PROBE_T0_NS="$start" \
        LD_PRELOAD="$PWD/$BUILD/bench/libframe_probe.so" \
        SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null exec "$program" >/dev/null 2>&1) &
    PROGRAM_PID=$!
    for _ in $(seq 200); do
        xdotool search --name "^$window\$" >/dev/null 2>&1 && break
        sleep 0.05
    done
    if [ "$scene" = match ]; then
        xdotool key Return
    fi
    sleep 2
    ticks0=$(cpu_ticks "$PROGRAM_PID")
    wall0=$(date +%s%N)
    end=$(($(date +%s) + SECONDS_PER_RUN))
    while [ "$(date +%s)" -lt "$end" ]; do
        if [ "$scene" = match ]; then
            for key in Up Left Up Right Down; do
                xdotool keydown "$key"
                sleep 0.15
                xdotool keyup "$key"
                sleep 0.35
            done
        else
            sleep 1
        fi
    done
    ticks1=$(cpu_ticks "$PROGRAM_PID")
    wall1=$(date +%s%N)
    peak_kb=$(awk '/VmHWM/ {print $2}' "/proc/$PROGRAM_PID/status")
    xdotool key Escape
    [ "$scene" = match ] && [ "$name" = game ] && sleep 0.3 && xdotool key Escape
    for _ in $(seq 100); do
        kill -0 "$PROGRAM_PID" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$PROGRAM_PID" 2>/dev/null; then
        echo "$name $scene: did not end on Escape" >&2
        kill -9 "$PROGRAM_PID"
    fi
    wait "$PROGRAM_PID" || true
    PROGRAM_PID=""
    hz=$(getconf CLK_TCK)
    awk -v t0="$ticks0" -v t1="$ticks1" -v w0="$wall0" -v w1="$wall1" -v hz="$hz" \
        -v kb="$peak_kb" -v name="$name" -v scene="$scene" -v probe="$(cat "$probe")" 'BEGIN {
        split(probe, fields, " ");
        for (i in fields) { split(fields[i], kv, "="); value[kv[1]] = kv[2] }
        cpu = (t1 - t0) / hz / ((w1 - w0) / 1e9);
        printf "%-8s %-5s cpu/s %.3f  peak %6.1f MB  first frame %6.1f ms  steps/s %.3f  frames/s %.2f\n",
            name, scene, cpu, kb / 1024, value["first_frame_ms"],
            value["steps"] / value["loop_seconds"], value["frames"] / value["loop_seconds"]
    }'
}

echo "Each run: $SECONDS_PER_RUN s measured after 2 s of settling, Xvfb 1920x1080x24, $ROUNDS rounds."
for round in $(seq "$ROUNDS"); do
    for scene in title match; do
        run game "$BUILD/tumblequay" marrowfen "$scene" | tee -a "$WORK/results"
        run baseline "$BUILD/bench/baseline" baseline "$scene" | tee -a "$WORK/results"
    done
done
# Medians per program and scene of CPU, peak, first frame, steps and frames per second.
median() {
    grep "^$1 *$2 " "$WORK/results" | awk -v f="$3" '{print $f}' | sort -n |
        awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
for scene in title match; do
    for name in game baseline; do
        printf "median   %-8s %-5s cpu/s %.3f  peak %6.1f MB  first frame %6.1f ms  steps/s %.3f  frames/s %.2f\n" \
            "$name" "$scene" "$(median "$name" "$scene" 4)" "$(median "$name" "$scene" 6)" \
            "$(median "$name" "$scene" 10)" "$(median "$name" "$scene" 13)" "$(median "$name" "$scene" 15)"
    done
    awk -v scene="$scene" -v gc="$(median game "$scene" 4)" -v bc="$(median baseline "$scene" 4)" \
        -v gp="$(median game "$scene" 6)" -v bp="$(median baseline "$scene" 6)" \
        -v gf="$(median game "$scene" 10)" -v bf="$(median baseline "$scene" 10)" 'BEGIN {
        printf "ratio    %-5s cpu %.3f  peak %+.1f MB  first frame %+.1f ms\n", scene, gc / bc, gp - bp, gf - bf
    }'
done
