#!/bin/sh
# A screenshot never half-writes a file: the game is killed while Print Screen is pressed
# again and again, and every screenN.png left behind is a whole image; nothing else but an
# unfinished screenN.png.tmp bears a screenshot's name.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
start_game
press Return # a match: the screenshots show more than the title
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
    [ -e "$file" ] || continue
    case "${file##*/}" in
    screen[0-9]*.png)
        check_png "$file"
        taken=$((taken + 1))
        ;;
    screen[0-9]*.png.tmp) ;;
    *) fail "unexpected file ${file##*/}" ;;
    esac
done
[ "$taken" -ge 2 ] || fail "only $taken screenshots before the kill"
echo "$taken whole screenshots"
