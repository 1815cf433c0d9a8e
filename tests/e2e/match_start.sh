#!/bin/sh
# A key on the title screen starts a match: its banner stands over the half of the team
# whose turn it is, both scores are 0, the move count shows, and the seven units stand on
# their starting cells. Escape returns to the title screen; a second Escape ends the game.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
start_game
press Return
sleep 0.3
press Print
wait_for_file screen0.png
check_match match-start "$RUN/screen0.png"
hold space # the first key of a turn only takes the banner away
sleep 0.3
press Print
wait_for_file screen1.png
check_match match-board "$RUN/screen1.png"
press Escape
sleep 0.3
press Print
wait_for_file screen2.png
check_title "$RUN/screen2.png"
press Escape
expect_exit 0
