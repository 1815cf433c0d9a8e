#!/bin/sh
# Online play's figures: a real host under Xvfb and the headless friend (online_probe), first
# on the loopback address and then through the relay of the tests (75 ms each way, 2 % lost).
# While the probe measures a match, the host's side presses keys too, so both teams move.
#
#   bench/online.sh [samples, default 10]   (needs a build with -DTQ_BENCH=ON in build/bench;
#                                           RELAY_SEED picks the relay's losses, default 1)
set -eu
cd "$(dirname "$0")/.."
SAMPLES=${1:-10}
BUILD=build/bench
WORK=$(mktemp -d)
PORT=$((20000 + $$ % 12000)) # and the next one, for the relay: both below the ephemeral range
PIDS=""
trap 'for pid in $PIDS; do kill "$pid" 2>/dev/null || true; done; rm -rf "$WORK"' EXIT
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3>"$WORK/display" 2>/dev/null &
PIDS="$PIDS $!"
sleep 1
DISPLAY=":$(cat "$WORK/display")"
export DISPLAY
cp -r dat "$WORK/dat"
(cd "$WORK" && SDL_AUDIODRIVER=dummy TUMBLEQUAY_NO_PORT_MAP=1 exec "$OLDPWD/$BUILD/tumblequay" --host --port "$PORT" >host.out 2>&1) &
PIDS="$PIDS $!"
sleep 2
code=$(awk 'NR == 2 { print $NF }' "$WORK/host.out")
(for _ in $(seq 1200); do
    [ ! -e "$WORK/pressing" ] || xdotool key --clearmodifiers space Left Down 2>/dev/null || true
    # The probe has left a match, which waits for it to come back: Escape ends it.
    [ ! -e "$WORK/escape" ] || { xdotool key Escape 2>/dev/null || true; rm -f "$WORK/escape"; }
    sleep 0.1
done) &
PIDS="$PIDS $!"
echo "== loopback"
"$BUILD/bench/online_probe" 127.0.0.1 "$PORT" "$code" "$SAMPLES" "$WORK/pressing" "$WORK/escape"
python3 tests/e2e/udp_relay.py $((PORT + 1)) "$PORT" 300 --seed "${RELAY_SEED:-1}" &
PIDS="$PIDS $!"
echo "== through the relay: 75 ms each way, 2 % lost"
"$BUILD/bench/online_probe" 127.0.0.1 $((PORT + 1)) "$code" "$SAMPLES" "$WORK/pressing" "$WORK/escape"
