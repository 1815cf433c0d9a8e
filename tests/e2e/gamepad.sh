#!/bin/sh
# A gamepad, fed to the game at SDL's edge by the preloaded stand-in (lib.sh's SHIM). Its
# start button starts a two-player match, then takes the banner away; the second face
# button switches the teammate once, however long it is held; the stick past half its
# travel turns the selected player; the back button leaves the match and then quits.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
PADS="$WORK/pad_events"
: >"$PADS"
GAME_RUNNER="env LD_PRELOAD=$SHIM TQ_SHIM_PADS=$PADS"
start_game
pad() {
    echo "$*" >>"$PADS"
    sleep 0.3
}
# Whether a screenshot shows a match under way, its banner down; sets MOVES to the moves
# left it shows.
under_way() {
    MOVES=$(cd "$RUN" && "$CHECK" state "$1" "$SCREEN_WIDTH" "$SCREEN_HEIGHT" 2>&1 |
        sed -n 's/^team [01] moves \([0-9]*\) banner 0$/\1/p')
    [ -n "$MOVES" ]
}
moves() {
    screenshot under_way || fail "no match under way"
}
# Whether the player has turned since the switch: fewer moves, or the turn has passed.
turned() {
    (cd "$RUN" && "$CHECK" match-start "$1" "$SCREEN_WIDTH" "$SCREEN_HEIGHT" >/dev/null 2>&1) ||
        { under_way "$1" && [ "$MOVES" -lt $((first - 1)) ]; }
}

pad button 6 1
pad button 6 0
screenshot check_match
pad button 6 1
pad button 6 0
moves
first=$MOVES
pad button 1 1
moves
[ "$MOVES" -eq $((first - 1)) ] || fail "holding the switch button: $MOVES moves, not $((first - 1))"
pad button 1 0
pad axis 0 -30000
for try in $(seq 20); do
    screenshot turned && try=done && break
done
pad axis 0 0
[ "$try" = done ] || fail "the stick did not turn the player"
pad button 4 1
pad button 4 0
screenshot check_title
pad button 4 1
expect_exit 0
