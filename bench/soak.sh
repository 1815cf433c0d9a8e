#!/bin/sh
# The real game under Xvfb for a long time with random key presses and releases, while its
# resident memory is sampled every five seconds.
#
#   bench/soak.sh [minutes]      (default 10)
#
# Matches are started, played with random keys, abandoned with Escape now and then, and
# some play to their end. Before every Escape a screenshot tells whether a match is
# running, so the game is never quit by accident. Fails when the game crashes, when its
# resident memory after the first minute grows beyond the first minute's peak, or when it
# does not end with status 0.
#
# The platform's allowance: Mesa's software renderer keeps a pool of up to four scenes of
# 1,028 kB each and adds one, inside SDL_GL_SwapBuffers, whenever all of its scenes are
# still being drawn; the bare baseline program alone, idle on a constant canvas, does so
# too, at an arbitrary minute. So up to three scenes (RENDERER_SCENES_KB) over the first
# minute's peak are not counted as growth; steady growth of the game's own shows beyond it.
set -eu
cd "$(dirname "$0")/.."
MINUTES=${1:-10}
RENDERER_SCENES_KB=$((3 * 1028))
BUILD=build/soak
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" --target tumblequay e2e_check -j "$(nproc)" >/dev/null
GAME="$PWD/$BUILD/tumblequay"
CHECK="$PWD/$BUILD/tests/e2e_check"

WORK=$(mktemp -d)
XVFB_PID=""
GAME_PID=""
SAMPLER_PID=""
cleanup() {
    [ -n "$SAMPLER_PID" ] && kill "$SAMPLER_PID" 2>/dev/null || true
    [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp -noreset 3>"$WORK/display" 2>/dev/null &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
DISPLAY=":$(cat "$WORK/display")"
export DISPLAY
# The game as it starts without settings, whatever the player running this has kept.
export XDG_CONFIG_HOME="$WORK/config"

mkdir "$WORK/run"
cp -r dat "$WORK/run/dat"
(cd "$WORK/run" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null exec "$GAME" 2>/dev/null) &
GAME_PID=$!
for _ in $(seq 100); do xdotool search --name '^marrowfen$' >/dev/null 2>&1 && break; sleep 0.1; done

# Resident memory in kB, one line every five seconds: seconds since start, kB.
(
    second=0
    while kill -0 "$GAME_PID" 2>/dev/null; do
        echo "$second $(awk '/VmRSS/ {print $2}' "/proc/$GAME_PID/status" 2>/dev/null)"
        sleep 5
        second=$((second + 5))
    done
) >"$WORK/rss" &
SAMPLER_PID=$!

alive() {
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended during the soak"
}

shots=0
# Whether the title screen is showing, from a fresh screenshot.
on_title() {
    xdotool key Print
    shot="$WORK/run/screen$shots.png"
    shots=$((shots + 1))
    for _ in $(seq 100); do [ -e "$shot" ] && break; sleep 0.05; done
    [ -e "$shot" ] || fail "no screenshot"
    result=0
    (cd "$WORK/run" && "$CHECK" title "$shot" 1280 720 >/dev/null 2>&1) || result=1
    rm -f "$shot"
    return $result
}

random() {
    od -An -N2 -tu2 /dev/urandom | awk -v n="$1" '{print $1 % n}'
}

KEYS="Up Down Left Right w s a d Return space q"
on_title_checks=0 abandoned=0
stop=$(($(date +%s) + MINUTES * 60))
next_check=$(($(date +%s) + 20))
while [ "$(date +%s)" -lt "$stop" ]; do
    alive
    key=$(echo $KEYS | cut -d' ' -f$(($(random 11) + 1)))
    xdotool keydown "$key"
    sleep "0.$(random 4)$(random 10)"
    xdotool keyup "$key"
    sleep "0.0$(random 10)"
    if [ "$(date +%s)" -ge "$next_check" ]; then
        if on_title; then
            xdotool key Return
            on_title_checks=$((on_title_checks + 1))
        else
            xdotool key Escape
            abandoned=$((abandoned + 1))
            sleep 0.2
            on_title || fail "Escape did not leave the match"
        fi
        next_check=$(($(date +%s) + 15 + $(random 30)))
    fi
done
alive
if on_title; then
    xdotool key Escape
else
    xdotool key Escape
    sleep 0.2
    xdotool key Escape
fi
status=0
wait "$GAME_PID" || status=$?
GAME_PID=""
wait "$SAMPLER_PID" 2>/dev/null || true
SAMPLER_PID=""
[ "$status" -eq 0 ] || fail "exit status $status"
cp "$WORK/rss" "${SOAK_RSS_LOG:-/dev/null}"

awk -v minutes="$MINUTES" -v titles="$on_title_checks" -v abandoned="$abandoned" \
    -v allowance="$RENDERER_SCENES_KB" '
    $2 == "" { next }
    $1 <= 60 { if ($2 > first) first = $2 }
    $1 > 60 { if ($2 > later) later = $2; if (min == 0 || $2 < min) min = $2 }
    END {
        printf "soak: %d min; at the checks, %d matches abandoned, title screen shown %d times\n",
            minutes, abandoned, titles;
        printf "resident memory: first minute peak %d kB, afterwards %d to %d kB\n", first, min, later;
        if (later > first + allowance) { print "FAIL: resident memory grew after the first minute"; exit 1 }
    }' "$WORK/rss"
