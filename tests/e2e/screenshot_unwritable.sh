#!/bin/sh
# Print Screen in a folder the game cannot write to writes nothing and harms nothing; once
# the folder is writable again the next screenshot takes the next number. The game runs as
# an unprivileged user, since root writes anywhere.
. "$(dirname "$0")/lib.sh"
with_data
if [ "$(id -u)" -eq 0 ]; then
    GAME_RUNNER="setpriv --reuid=65534 --regid=65534 --clear-groups"
    chmod 755 "$WORK"     # the user may enter the scratch folder and read dat/
    : >"$WORK/audio.raw"  # and write its sound through the disk driver
    chmod 666 "$WORK/audio.raw"
fi
chmod 555 "$RUN"
start_screen
start_game
press Return # in a match key repeat is off: one press, one screenshot
sleep 0.3
press Print
sleep 1
press Print
sleep 1
kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended after a failed screenshot: $(cat "$WORK/game.err")"
[ -z "$(find "$RUN" -name 'screen*')" ] || fail "a screenshot was written: $(ls "$RUN")"
chmod 777 "$RUN"
press Print
wait_for_file screen2.png
check_match match-start "$RUN/screen2.png"
[ ! -e "$RUN/screen0.png" ] && [ ! -e "$RUN/screen1.png" ] || fail "a failed number was used again"
press Escape
press Escape
expect_exit 0
