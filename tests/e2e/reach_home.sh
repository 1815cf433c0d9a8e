#!/bin/sh
# A friend on the home network joins with the code alone: three namespaces on one bridge, a
# host in one, another host with another code in the second, the friend in the third. The
# friend finds both, and only the one whose code it has lets it in. With no host on the
# network, the friend's band says "no game" / "found".
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/reach/rig.sh"
make_bridge
with_data
start_screen
hosting() {
    (cd "$RUN" && "$CHECK" hosting "$1" "$SCREEN_WIDTH" "$SCREEN_HEIGHT") || fail "$1: not the title screen"
}
no_game() {
    band_word "$1" 39 "no game" && band_word "$1" 32 found
}

# Nobody hosts yet: the search finds nothing within 3 seconds.
FRIEND_RUNNER="ip netns exec $RIGHT_NS"
start_friend --join k3m9xq2tvw
sleep 2.5
eventually friend_screenshot no_game || fail "the friend's band does not say \"no game\" / \"found\""
friend_press Escape
for _ in $(seq 50); do kill -0 "$FRIEND_PID" 2>/dev/null || break; sleep 0.1; done

# Another game hosts on the network, on a screen of its own, with a code the friend does not
# have.
open_screen other_display
OTHER_XVFB_PID=$OPENED_PID
mkdir -p "$WORK/other"
(cd "$WORK/other" && DISPLAY=$OPENED_DISPLAY SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null \
    exec ip netns exec "$OTHER_NS" "$GAME" --host >"$WORK/other.out" 2>&1) &
OTHER_PID=$!
RIG_PIDS="$OTHER_PID $OTHER_XVFB_PID"
GAME_RUNNER="ip netns exec $LEFT_NS"
start_game --host
code=$(awk 'NR == 2 { print $NF }' "$WORK/game.out")
[ "$(sed -n 2p "$WORK/game.out")" = "tumblequay --join $code" ] ||
    fail "no command with the code alone: $(cat "$WORK/game.out")"
start_friend --join "$code"
joined() {
    (cd "$RUN" && "$CHECK" word "$1" "$SCREEN_WIDTH" "$SCREEN_HEIGHT" 25 joined 2>/dev/null)
}
same_as_host() {
    "$CHECK" same "$1" "$RUN/screen$((SHOTS - 1)).png" "$SCREEN_WIDTH" "$SCREEN_HEIGHT" 2>/dev/null
}
eventually screenshot joined || fail "the friend did not join the host with its code"
# The other host has played its part; three games at once may starve two cores.
kill "$OTHER_PID"
wait "$OTHER_PID" 2>/dev/null || true
screenshot hosting
eventually friend_screenshot same_as_host || fail "the friend's screen differs from the host's"
press Escape
expect_exit 0
