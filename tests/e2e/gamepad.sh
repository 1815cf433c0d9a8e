#!/bin/sh
# A gamepad, fed to the game at SDL's edge by the preloaded stand-in (lib.sh's SHIM). Its
# start button starts a two-player match, then takes the banner away; the stick pushed
# past half its travel turns the selected player until it is let go; the second face
# button switches the teammate once, however long it is held; a stick short of half its
# travel moves no one; the back button leaves the match and then quits.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
PADS="$WORK/pad_events"
: >"$PADS"
GAME_RUNNER="env LD_PRELOAD=$SHIM TQ_SHIM_PADS=$PADS"
start_game

pad() {
    echo "$*" >>"$PADS"
}
# Presses and releases a button.
tap() {
    pad button "$1" 1
    sleep 0.2
    pad button "$1" 0
    sleep 0.3
}
# Takes a screenshot of a match under way and sets MOVES to the moves it shows left.
shot=0
read_moves() {
    press Print
    wait_for_file "screen$shot.png"
    (cd "$RUN" && "$CHECK" match "$RUN/screen$shot.png" "$SCREEN_WIDTH" "$SCREEN_HEIGHT") \
        >"$WORK/match.out" || fail "screen$shot.png does not show a match under way"
    MOVES=$(sed -n 's/.* with \([0-9]*\) moves$/\1/p' "$WORK/match.out")
    shot=$((shot + 1))
}

tap 6
press Print
wait_for_file screen0.png
check_match "$RUN/screen0.png"
shot=1
tap 6
read_moves
first=$MOVES

pad axis 0 -30000
for _ in $(seq 20); do
    read_moves
    [ "$MOVES" -lt "$first" ] && break
done
pad axis 0 0
[ "$MOVES" -lt "$first" ] || fail "the stick did not turn the player: still $MOVES moves"
sleep 0.5
read_moves
turned=$MOVES
sleep 0.5
read_moves
[ "$MOVES" -eq "$turned" ] || fail "the player went on turning after the stick was let go"

pad button 1 1
sleep 0.5
read_moves
[ "$MOVES" -eq $((turned - 1)) ] || fail "holding the switch button: $MOVES moves, not $((turned - 1))"
pad button 1 0
pad axis 0 12000
sleep 0.5
read_moves
[ "$MOVES" -eq $((turned - 1)) ] || fail "a stick short of half its travel moved the player"
pad axis 0 0

tap 4
press Print
wait_for_file "screen$shot.png"
check_title "$RUN/screen$shot.png"
tap 4
expect_exit 0
