#!/bin/sh
# A friend outside a home router reaches the host inside it with the command the host printed,
# in a model of a home in network namespaces (reach/rig.sh), with miniupnpd in the router
# speaking UPnP and NAT-PMP, then NAT-PMP alone, then UPnP alone: the host's band says "open", the friend sees
# the host's title screen, and once the host quits with Escape the router holds no mapping.
# With no daemon, the host says the port is closed, and the friend gets "no answer". SIGTERM
# removes the mapping as Escape does.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/reach/rig.sh"
make_home
with_data
start_screen
GAME_RUNNER="ip netns exec $HOME_NS env -u TUMBLEQUAY_NO_PORT_MAP"
FRIEND_RUNNER="ip netns exec $OUTSIDE_NS"

hosting() {
    (cd "$RUN" && "$CHECK" hosting "$1" "$SCREEN_WIDTH" "$SCREEN_HEIGHT") || fail "$1: not the title screen"
}
no_answer() {
    band_word "$1" 39 no && band_word "$1" 32 answer
}
# Waits up to ten seconds for the host to print a line with the text; sets LINE_NUMBER.
wait_for_line() {
    for _ in $(seq 100); do
        LINE_NUMBER=$(grep -n -F "$1" "$WORK/game.out" | head -n 1 | cut -d: -f1)
        [ -n "$LINE_NUMBER" ] && return 0
        sleep 0.1
    done
    fail "the host did not say \"$1\": $(cat "$WORK/game.out")"
}
wait_for_no_mapping() {
    for _ in $(seq 50); do
        [ -z "$(router_mappings)" ] && return 0
        sleep 0.1
    done
    fail "the router still holds: $(router_mappings)"
}

# Hosts, waits for the router's answer, and lets the friend join with the printed command.
reach_through_router() {
    start_router_daemon "$1"
    start_game --host
    wait_for_line "a friend on the internet joins with:"
    command=$(sed -n "$((LINE_NUMBER + 1))p" "$WORK/game.out")
    case $command in
        "tumblequay --join $ROUTER_OUTSIDE_ADDRESS:27183 "??????????) ;;
        *) fail "$1: the command to give is \"$command\"" ;;
    esac
    [ -n "$(router_mappings)" ] || fail "$1: the router holds no mapping"
    # shellcheck disable=SC2086
    start_friend ${command#tumblequay }
    eventually screenshot band_word 25 joined || fail "$1: the friend did not join"
    screenshot band_word 48 open || fail "$1: the host's band does not say \"open\""
    friend_screenshot hosting # the host's title, a friend in: no computer hint
    eventually friend_screenshot band_word 48 open || fail "$1: the friend sees no \"open\""
    press Escape
    expect_exit 0
    wait_for_no_mapping
    kill "$FRIEND_PID" 2>/dev/null || true
    wait "$FRIEND_PID" 2>/dev/null || true
    FRIEND_PID=""
}

reach_through_router upnp+natpmp
kill "$DAEMON_PID"
wait "$DAEMON_PID" 2>/dev/null || true
reach_through_router natpmp
kill "$DAEMON_PID"
wait "$DAEMON_PID" 2>/dev/null || true
reach_through_router upnp

# SIGTERM ends the game as Escape does: the mapping goes with it.
start_game --host
wait_for_line "a friend on the internet joins with:"
kill -TERM "$GAME_PID"
expect_exit 0
wait_for_no_mapping
kill "$DAEMON_PID"
wait "$DAEMON_PID" 2>/dev/null || true
DAEMON_PID=""

# No daemon: nothing opens the port, and unasked traffic stays out.
start_game --host
wait_for_line "no router opened the port: for friends on the internet, forward UDP port 27183"
screenshot band_word 48 closed || fail "the host's band does not say \"closed\""
code=$(awk 'NR == 2 { print $NF }' "$WORK/game.out")
start_friend --join "$ROUTER_OUTSIDE_ADDRESS" "$code"
sleep 4.5 # the friend gives up after 5 seconds, and says so for 3
eventually friend_screenshot no_answer || fail "the friend's band does not say \"no answer\""
press Escape
expect_exit 0
