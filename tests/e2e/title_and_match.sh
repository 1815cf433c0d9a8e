#!/bin/sh
# The game from start to end: music from the first moment of the title screen; a key
# starts a match with its banner over the half of the team whose turn it is, both scores 0
# and the move count, and the sound goes on; Escape returns to the title screen as the core
# draws it, and a second Escape ends the game with status 0, the game having written
# nothing to standard error. The sound goes to a file through SDL's disk driver.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
start_game
sleep 2
"$CHECK" audio "$WORK/audio.raw" 0 2 || fail "no music in the first two seconds"
press Return
sleep 0.3
screenshot check_match
before=$(stat -c %s "$WORK/audio.raw")
sleep 2
after=$(stat -c %s "$WORK/audio.raw")
# Two seconds of 44100 frames of 4 bytes; the driver writes in real time.
[ $((after - before)) -gt 200000 ] || fail "the sound stopped when the match started"
"$CHECK" audio "$WORK/audio.raw" "$(awk "BEGIN{print $before / 176400}")" "$(awk "BEGIN{print $after / 176400}")" ||
    fail "the match is silent"
press Escape
sleep 0.3
screenshot check_title
press Escape
expect_exit 0
# SDL's disk audio driver announces itself; the game itself says nothing.
unexpected=$(grep -v -e 'disk i/o audio driver' -e 'Writing to file' "$WORK/game.err" || true)
[ -z "$unexpected" ] || fail "the game wrote to standard error: $unexpected"
