#!/bin/sh
# A screenshot from an earlier run is kept: the first new one takes the next free name.
. "$(dirname "$0")/lib.sh"
with_data
printf 'an earlier screenshot' > "$RUN/screen0.png"
start_screen
start_game
press Print
wait_for_file screen1.png
check_title "$RUN/screen1.png"
[ "$(cat "$RUN/screen0.png")" = "an earlier screenshot" ] || fail "screen0.png was replaced"
press Escape
expect_exit 0
