#!/bin/sh
# Without a data folder the game still shows the title screen, without its picture. The
# player's files are kept: a screenshot from an earlier run, and a file under the name of
# the next one's temporary file; the new screenshot takes the next number free of both.
. "$(dirname "$0")/lib.sh"
printf 'an earlier screenshot' >"$RUN/screen0.png"
printf 'the player'\''s' >"$RUN/screen1.png.tmp"
start_screen
start_game
press Print
wait_for_file screen2.png
check_title "$RUN/screen2.png"
[ "$(cat "$RUN/screen0.png")" = "an earlier screenshot" ] || fail "screen0.png was replaced"
[ "$(cat "$RUN/screen1.png.tmp")" = "the player's" ] || fail "screen1.png.tmp was touched"
press Escape
expect_exit 0
