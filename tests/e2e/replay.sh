#!/bin/sh
# A match played in the real game is kept as replay0.tqr when it is left, and --replay shows it
# again: the first turn's banner cell for cell as it was (Space pausing it), then the title
# screen. A file that is
# not a replay is refused with one line and status 2 before a window opens.
. "$(dirname "$0")/lib.sh"
with_data
start_screen

(cd "$RUN" && "$GAME" --replay dat/ms0.txt >"$WORK/refused.out" 2>"$WORK/refused.err") && fail "a picture file was played"
status=0
(cd "$RUN" && "$GAME" --replay dat/ms0.txt 2>/dev/null) || status=$?
[ "$status" -eq 2 ] || fail "exit status $status for a file that is not a replay, expected 2"
[ "$(wc -l <"$WORK/refused.err")" -eq 1 ] || fail "expected one line: $(cat "$WORK/refused.err")"

start_game
sleep 1 # the samples load
press space
sleep 0.5
screenshot check_match # screen0.png: the first turn's banner
sleep 2.5 # the banner stays up as long in the replay
press Down
hold Up
hold Left
hold Up
sleep 1
press Escape
wait_for_file replay0.tqr
press Escape
expect_exit 0

start_game --replay replay0.tqr
is_match() {
    (cd "$RUN" && "$CHECK" match-start "$1" "$SCREEN_WIDTH" "$SCREEN_HEIGHT" >/dev/null 2>&1)
}
for _ in $(seq 20); do # the playback starts once the samples have loaded
    screenshot is_match && break
    sleep 0.2
done
# The selected player's ring blinks every eight steps: paused (Space) at one step after another
# until the ring shows as it did, every cell must be as it was.
same=0
for _ in $(seq 6); do
    press space
    screenshot check_match
    if "$CHECK" same "$RUN/screen0.png" "$RUN/screen$((SHOTS - 1)).png" "$SCREEN_WIDTH" \
        "$SCREEN_HEIGHT" >"$WORK/same.log" 2>&1; then
        same=1
        break
    fi
    press space
    sleep 0.1
done
[ "$same" = 1 ] || fail "the replay's first banner differs from the match's: $(cat "$WORK/same.log")"
press space
sleep 8 # the match, about five seconds
screenshot check_title
press Escape
expect_exit 0
grep -q replay "$WORK/game.err" && fail "the playback said: $(cat "$WORK/game.err")"
[ ! -e "$RUN/replay1.tqr" ] || fail "the playback was recorded again"
