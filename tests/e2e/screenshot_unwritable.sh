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
press Print
sleep 1
press Print
sleep 1
kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended after a failed screenshot: $(cat "$WORK/game.err")"
[ -z "$(find "$RUN" -name 'screen*')" ] || fail "a screenshot was written: $(ls "$RUN")"
chmod 777 "$RUN"
press Print
for _ in $(seq 100); do
    [ -n "$(find "$RUN" -name 'screen*.png')" ] && break
    sleep 0.1
done
shot=$(find "$RUN" -name 'screen*.png' | sort | head -n 1)
case "${shot##*/}" in
screen0.png | screen1.png | "") fail "no screenshot, or a failed one's number used again: ${shot##*/}" ;;
esac
check_title "$shot"
press Escape
expect_exit 0
