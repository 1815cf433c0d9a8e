#!/bin/sh
# Online play over a poor line: the friend joins through a UDP relay that delays every
# datagram by 75 ms each way and drops 2 % of them, the same ones each run (it is seeded).
# The friend's key starts the match, whole turns play through with both sides' keys, and
# whenever the host stands idle on a turn's banner the friend's screen comes to show the
# same turn.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
PORT=$((20000 + $$ % 20000))
RELAY_PORT=$((PORT + 1))
python3 "$(dirname "$0")/udp_relay.py" "$RELAY_PORT" "$PORT" --seed 7 &
RELAY_PID=$!
trap 'kill "$RELAY_PID" 2>/dev/null; cleanup' EXIT
start_game --host --port "$PORT"
code=$(awk 'NR == 2 { print $NF }' "$WORK/game.out")
start_friend --join "127.0.0.1:$RELAY_PORT" "$code"
sleep 2
read_state() {
    STATE=$(cd "$RUN" && "$CHECK" state "$1" "$SCREEN_WIDTH" "$SCREEN_HEIGHT") || fail "$1 shows no match"
}
field() {
    echo "$1" | awk -v k="$2" '{ for (i = 1; i < NF; ++i) if ($i == k) print $(i + 1) }'
}
# Waits until the host shows a turn's banner, which stands still until a key takes it away,
# and checks that the friend's screen comes to show the same turn within a few tries.
idle_and_agreed() {
    for _ in $(seq 20); do
        screenshot read_state
        [ "$(field "$STATE" banner)" = 1 ] && break
        sleep 0.3
    done
    host=$STATE
    for _ in $(seq 6); do
        friend_screenshot read_state
        [ "$STATE" = "$host" ] && return 0
        sleep 0.5
    done
    fail "the screens disagree: host $host, friend $STATE"
}
friend_press Return
sleep 1
turns=0
last=""
for _ in $(seq 6); do
    idle_and_agreed
    team=$(field "$host" team)
    [ -n "$last" ] && [ "$team" != "$last" ] && turns=$((turns + 1))
    last=$team
    [ "$turns" -ge 2 ] && break
    # The side on turn takes the banner away and spends every move on switches.
    if [ "$team" = 0 ]; then keys=press; else keys=friend_press; fi
    $keys space
    sleep 0.3
    for _ in $(seq 10); do $keys Down; sleep 0.1; done
    sleep 0.5
done
[ "$turns" -ge 2 ] || fail "the turns did not pass through the relay"
