#!/bin/sh
# The command line, answered before any window opens (there is no screen to open one on):
# --help prints the usage and the options on standard output with status 0, --version the
# project's version with status 0, and anything else one line of usage on standard error
# with status 2.
. "$(dirname "$0")/lib.sh"
unset DISPLAY
version=$(sed -n 's/^project(tumblequay VERSION \([0-9.]*\) .*/\1/p' "$SOURCE/CMakeLists.txt")

# Runs the game with the arguments; sets STATUS and leaves its output in out and err.
run() {
    STATUS=0
    "$GAME" "$@" >"$WORK/out" 2>"$WORK/err" || STATUS=$?
}

run --help
[ "$STATUS" -eq 0 ] && [ ! -s "$WORK/err" ] || fail "--help: status $STATUS, $(cat "$WORK/err")"
head -n 1 "$WORK/out" | grep -q '^usage: tumblequay ' || fail "--help does not begin with the usage"
for option in --fullscreen --window --help --version; do
    grep -q -- "^  $option " "$WORK/out" || fail "--help does not explain $option"
done

run --version
[ "$STATUS" -eq 0 ] && [ "$(cat "$WORK/out")" = "tumblequay $version" ] && [ ! -s "$WORK/err" ] ||
    fail "--version: status $STATUS, '$(cat "$WORK/out")', expected 'tumblequay $version'"

for arguments in --bogus -w --window=yes "" "--window --window" "--window --fullscreen" \
    "--help --help" "--version extra"; do
    # shellcheck disable=SC2086
    if [ -z "$arguments" ]; then run ""; else run $arguments; fi
    [ "$STATUS" -eq 2 ] || fail "'$arguments': status $STATUS, expected 2: $(cat "$WORK/err")"
    [ ! -s "$WORK/out" ] && [ "$(wc -l <"$WORK/err")" -eq 1 ] && grep -q '^usage: tumblequay ' "$WORK/err" ||
        fail "'$arguments' did not give one line of usage on standard error: $(cat "$WORK/out" "$WORK/err")"
done
