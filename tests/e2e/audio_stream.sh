#!/bin/sh
# The game plays from the first moment of the title screen and goes on playing when a
# match starts; the sound goes to a file through SDL's disk driver.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
start_game
sleep 2
"$CHECK" audio "$WORK/audio.raw" 0 2 || fail "no music in the first two seconds"
press Return
before=$(stat -c %s "$WORK/audio.raw")
sleep 2
after=$(stat -c %s "$WORK/audio.raw")
# Two seconds of 44100 frames of 4 bytes; the driver writes in real time.
[ $((after - before)) -gt 200000 ] || fail "the sound stopped when the match started"
"$CHECK" audio "$WORK/audio.raw" "$(awk "BEGIN{print $before / 176400}")" "$(awk "BEGIN{print $after / 176400}")" ||
    fail "the match is silent"
press Escape
press Escape
expect_exit 0
