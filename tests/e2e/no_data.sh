#!/bin/sh
# Without a data folder the game still shows the title screen, without its picture, and
# quits cleanly.
. "$(dirname "$0")/lib.sh"
start_screen
start_game
press Print
wait_for_file screen0.png
check_title "$RUN/screen0.png"
press Escape
expect_exit 0
