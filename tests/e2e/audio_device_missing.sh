#!/bin/sh
# An audio device that cannot be opened ends the game with status 1 and one line that
# names the cause.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
(cd "$RUN" && SDL_AUDIODRIVER=no_such_driver exec "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!
expect_exit 1
[ "$(wc -l <"$WORK/game.err")" -eq 1 ] || fail "expected one line of explanation: $(cat "$WORK/game.err")"
grep -q "audio" "$WORK/game.err" || fail "the message does not name the audio device: $(cat "$WORK/game.err")"
