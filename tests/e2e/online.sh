#!/bin/sh
# Two games on the loopback address, each on its own virtual screen: a wrong code is refused
# and the host keeps waiting; with the right code the friend's screen shows the host's cell
# for cell; the friend's keys start the match and then act in team 1's turn and not in team
# 0's; when the friend's game is killed, the host keeps the match until it joins again.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
PORT=$((20000 + $$ % 20000))
start_game --host --port "$PORT"
code=$(awk 'NR == 2 { print $NF }' "$WORK/game.out")
[ ${#code} -eq 10 ] || fail "no join code on standard output: $(cat "$WORK/game.out")"
read_state() {
    STATE=$(cd "$RUN" && "$CHECK" state "$1" "$SCREEN_WIDTH" "$SCREEN_HEIGHT") || fail "$1 shows no match"
}
field() {
    echo "$1" | awk -v k="$2" '{ for (i = 1; i < NF; ++i) if ($i == k) print $(i + 1) }'
}
hosting() {
    (cd "$RUN" && "$CHECK" hosting "$1" "$SCREEN_WIDTH" "$SCREEN_HEIGHT") || fail "$1: not the title screen"
}

wrong=0000000000
[ "$code" != "$wrong" ] || wrong=1111111111
start_friend --join "127.0.0.1:$PORT" "$wrong"
sleep 1
friend_screenshot hosting # its own title screen again, with the notice
kill -0 "$GAME_PID" || fail "the host ended after a wrong code"
friend_press Escape
for _ in $(seq 50); do kill -0 "$FRIEND_PID" 2>/dev/null || break; sleep 0.1; done

start_friend --join "127.0.0.1:$PORT" "$code"
sleep 1.5
screenshot hosting
same_as_host() {
    "$CHECK" same "$1" "$RUN/screen$((SHOTS - 1)).png" "$SCREEN_WIDTH" "$SCREEN_HEIGHT" ||
        fail "the friend's screen differs from the host's"
}
friend_screenshot same_as_host

friend_press Return # the friend's key starts the match
sleep 1.5
screenshot read_state
seen_friend=0
for _ in $(seq 30); do
    screenshot read_state
    team=$(field "$STATE" team)
    moves=$(field "$STATE" moves)
    if [ "$team" = 0 ]; then
        [ "$seen_friend" = 1 ] && break
        for _ in $(seq 3); do friend_press Down; sleep 0.05; done # not the friend's turn
        sleep 0.3
        screenshot read_state
        [ "$(field "$STATE" moves)" = "$moves" ] || fail "the friend's keys acted in team 0's turn"
        press space
        sleep 0.2
        for _ in $(seq 10); do press Down; sleep 0.05; done
        sleep 0.6
        continue
    fi
    seen_friend=1
    for _ in $(seq 3); do press Down; sleep 0.05; done # the host's keys: nothing in team 1's turn
    sleep 0.3
    screenshot read_state
    [ "$(field "$STATE" moves)" = "$moves" ] || fail "the host's keys acted in team 1's turn"
    friend_press space
    sleep 0.2
    friend_press Down
    sleep 0.4
    friend_screenshot read_state
    [ "$(field "$STATE" team)" = 0 ] || [ "$(field "$STATE" moves)" -lt "$moves" ] ||
        fail "the friend's switch spent no move in team 1's turn"
    for _ in $(seq 10); do friend_press Down; sleep 0.05; done
    sleep 0.6
done
[ "$seen_friend" = 1 ] && [ "$team" = 0 ] || fail "the turn did not go to the friend and back"

# The friend's game crashes: the host keeps the match for it, gives up on the silent game
# after 10 s, and the friend, joining again with the same code, takes the match up.
kill -9 "$FRIEND_PID"
wait "$FRIEND_PID" 2>/dev/null || true
FRIEND_PID=""
sleep 11
screenshot read_state
start_friend --join "127.0.0.1:$PORT" "$code"
sleep 2
screenshot read_state
host=$STATE
friend_screenshot read_state
[ "$STATE" = "$host" ] || fail "the friend did not take the match up: host $host, friend $STATE"
press Escape # leaves the match at once, still hosting
sleep 0.5
screenshot hosting
press Escape
expect_exit 0
