#!/bin/sh
# The command line, answered before any window opens (there is no screen to open one on):
# --help prints the usage and the options on standard output with status 0, --version the
# project's version with status 0, and anything else one line of usage on standard error
# with status 2.
. "$(dirname "$0")/lib.sh"
unset DISPLAY
version=$(sed -n 's/^project(tumblequay VERSION \([0-9.]*\) .*/\1/p' "$SOURCE/CMakeLists.txt")
# Runs the game with the arguments, expecting the status; leaves its output in out and err.
run() {
    expected=$1
    shift
    status=0
    "$GAME" "$@" >"$WORK/out" 2>"$WORK/err" || status=$?
    [ "$status" -eq "$expected" ] || fail "$*: status $status, expected $expected: $(cat "$WORK/err")"
}

run 0 --help
head -n 1 "$WORK/out" | grep -q '^usage: tumblequay ' && grep -q -- '^  --window ' "$WORK/out" ||
    fail "--help: $(cat "$WORK/out")"
run 0 --version
[ "$(cat "$WORK/out")" = "tumblequay $version" ] || fail "--version: $(cat "$WORK/out")"
for arguments in --bogus --window=yes "--window --window" "--window --fullscreen" "--version x" ""; do
    # shellcheck disable=SC2086
    run 2 ${arguments:-""}
    [ ! -s "$WORK/out" ] && [ "$(wc -l <"$WORK/err")" -eq 1 ] && grep -q '^usage: tumblequay ' "$WORK/err" ||
        fail "'$arguments': not one line of usage on standard error: $(cat "$WORK/out" "$WORK/err")"
done
