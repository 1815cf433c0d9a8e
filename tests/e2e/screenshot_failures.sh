#!/bin/sh
# A screenshot is written whole or not at all. In a folder the game cannot write to, Print
# Screen writes nothing and harms nothing; once the folder is writable again the next
# screenshot takes the next number. Then the game is killed while Print Screen is pressed
# again and again: every screenN.png left behind is a whole image, and nothing else but an
# unfinished screenN.png.tmp bears a screenshot's name. The game runs as an unprivileged
# user, since root writes anywhere.
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
check_match "$RUN/screen2.png"

xdotool key --delay 20 $(yes Print | head -n 200) &
PRESSES_PID=$!
sleep 2
kill -9 "$GAME_PID"
wait "$GAME_PID" 2>/dev/null || true
GAME_PID=""
kill "$PRESSES_PID" 2>/dev/null || true
wait "$PRESSES_PID" 2>/dev/null || true
taken=0
for file in "$RUN"/screen*; do
    case "${file##*/}" in
    screen[01].png*) fail "a failed number was used again: ${file##*/}" ;;
    screen[0-9]*.png)
        check_png "$file"
        taken=$((taken + 1))
        ;;
    screen[0-9]*.png.tmp) ;;
    *) fail "unexpected file ${file##*/}" ;;
    esac
done
[ "$taken" -ge 3 ] || fail "only $taken screenshots before the kill"
echo "$taken whole screenshots"
