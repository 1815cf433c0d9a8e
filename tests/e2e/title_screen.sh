#!/bin/sh
# The game opens its window on the title screen; Print Screen saves what is shown, twice;
# Escape ends the game with status 0.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
start_game
press Print
wait_for_file screen0.png
check_title "$RUN/screen0.png"
press Print
wait_for_file screen1.png
check_title "$RUN/screen1.png"
press Escape
expect_exit 0
# SDL's disk audio driver announces itself; the game itself says nothing.
unexpected=$(grep -v -e 'disk i/o audio driver' -e 'Writing to file' "$WORK/game.err" || true)
[ -z "$unexpected" ] || fail "the game wrote to standard error: $unexpected"
