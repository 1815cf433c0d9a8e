#!/bin/sh
# A sample loader thread that cannot be started ends the game at start-up with status 1 and
# one line that names the cause, like the other start-up failures; nothing is left running.
. "$(dirname "$0")/lib.sh"
SHIM="$(dirname "$CHECK")/libfail_game_threads.so"
[ -f "$SHIM" ] || fail "the thread shim $SHIM was not built"
with_data
start_screen
(cd "$RUN" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$WORK/audio.raw" LD_PRELOAD="$SHIM" \
    exec "$GAME" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!
expect_exit 1
[ "$(wc -l <"$WORK/game.err")" -eq 1 ] || fail "expected one line of explanation: $(cat "$WORK/game.err")"
grep -q "sample loader: Resource temporarily unavailable" "$WORK/game.err" ||
    fail "the message does not name the loader and its cause: $(cat "$WORK/game.err")"
