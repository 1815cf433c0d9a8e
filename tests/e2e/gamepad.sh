#!/bin/sh
# A gamepad, fed to the game at SDL's edge by the preloaded stand-in (lib.sh's SHIM). Its
# start button starts a two-player match, then takes the banner away; the second face
# button switches the teammate once, however long it is held; a stick short of half its
# travel moves no one; pushed past half it turns the selected player again and again until
# it is let go (or the turn's moves run out); the back button leaves the match and then
# quits.
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
# Takes the next screenshot; sets SHOT to its path.
shot=0
screenshot() {
    press Print
    wait_for_file "screen$shot.png"
    SHOT="$RUN/screen$shot.png"
    shot=$((shot + 1))
}
# Whether the screenshot shows a match under way; sets MOVES to the moves it shows left.
under_way() {
    (cd "$RUN" && "$CHECK" match "$SHOT" "$SCREEN_WIDTH" "$SCREEN_HEIGHT") >"$WORK/match.out" 2>&1 ||
        return 1
    MOVES=$(sed -n 's/.* with \([0-9]*\) moves$/\1/p' "$WORK/match.out")
}
read_moves() {
    screenshot
    under_way || fail "$SHOT does not show a match under way"
}

tap 6
screenshot
check_match "$SHOT"
tap 6
read_moves
first=$MOVES

pad button 1 1
sleep 0.5
read_moves
[ "$MOVES" -eq $((first - 1)) ] || fail "holding the switch button: $MOVES moves, not $((first - 1))"
pad button 1 0
pad axis 0 12000
sleep 0.5
read_moves
[ "$MOVES" -eq $((first - 1)) ] || fail "a stick short of half its travel moved the player"

# Turning until the screen shows it, or until the turn has passed to the other team.
pad axis 0 -30000
turned=""
for _ in $(seq 20); do
    screenshot
    if (cd "$RUN" && "$CHECK" match-start "$SHOT" "$SCREEN_WIDTH" "$SCREEN_HEIGHT") >/dev/null 2>&1; then
        turned=passed && break
    elif under_way && [ "$MOVES" -lt $((first - 1)) ]; then
        turned=$MOVES && break
    fi
done
pad axis 0 0
[ -n "$turned" ] || fail "the stick did not turn the player"
if [ "$turned" != passed ]; then
    sleep 0.5
    read_moves
    settled=$MOVES
    sleep 0.5
    read_moves
    [ "$MOVES" -eq "$settled" ] || fail "the player went on turning after the stick was let go"
fi

tap 4
screenshot
check_title "$SHOT"
tap 4
expect_exit 0
