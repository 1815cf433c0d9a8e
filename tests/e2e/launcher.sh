#!/bin/sh
# The installed launcher, with a stand-in for the game that shows where it was started and
# ends with status 3: it runs in the player's own folder, links dat there to the installed
# data, keeps a data folder the player put there, and passes the status through.
. "$(dirname "$0")/lib.sh"
PREFIX="$WORK/prefix"
cmake --install "$(dirname "$GAME")" --prefix "$PREFIX" >"$WORK/install.log" 2>&1 ||
    fail "cmake --install: $(tail -5 "$WORK/install.log")"
LAUNCHER="$PREFIX/games/tumblequay"
DATA="$PREFIX/share/games/tumblequay/dat"
printf '#!/bin/sh\npwd >"%s"\nexit 3\n' "$WORK/started_in" >"$PREFIX/lib/games/tumblequay/tumblequay"

# Runs the launcher from another folder with the given environment; checks status 3 and
# the folder the stand-in ran in.
launch() {
    expected=$1
    shift
    status=0
    (cd "$WORK" && env -u XDG_DATA_HOME "$@" "$LAUNCHER" 2>"$WORK/launcher.err") || status=$?
    [ "$status" -eq 3 ] || fail "status $status, not the game's 3: $(cat "$WORK/launcher.err")"
    [ "$(cat "$WORK/started_in")" = "$expected" ] ||
        fail "the game ran in $(cat "$WORK/started_in"), not in $expected"
}
links_to_data() {
    [ "$(readlink "$1/dat")" = "$DATA" ] || fail "$1/dat does not link to the installed data"
}

HOME_DIR="$WORK/home"
DEFAULT="$HOME_DIR/.local/share/tumblequay"
launch "$DEFAULT" HOME="$HOME_DIR"
links_to_data "$DEFAULT"
for unusable in "" "relative/path"; do
    launch "$DEFAULT" HOME="$HOME_DIR" XDG_DATA_HOME="$unusable"
done
launch "$WORK/xdg/tumblequay" HOME="$HOME_DIR" XDG_DATA_HOME="$WORK/xdg"
links_to_data "$WORK/xdg/tumblequay"

# A link to an older install's data, or to nothing, and a stray file are replaced.
for stale in link file; do
    rm -f "$DEFAULT/dat"
    if [ "$stale" = link ]; then ln -s /nonexistent "$DEFAULT/dat"; else : >"$DEFAULT/dat"; fi
    launch "$DEFAULT" HOME="$HOME_DIR"
    links_to_data "$DEFAULT"
done

# The player's own data folder stays as it is.
rm "$DEFAULT/dat"
mkdir "$DEFAULT/dat"
: >"$DEFAULT/dat/ms0.txt"
launch "$DEFAULT" HOME="$HOME_DIR"
[ -d "$DEFAULT/dat" ] && [ ! -L "$DEFAULT/dat" ] && [ -e "$DEFAULT/dat/ms0.txt" ] ||
    fail "the player's own dat folder was replaced"

# With no folder to play in, the launcher says so and fails.
status=0
(cd "$WORK" && env -u HOME -u XDG_DATA_HOME "$LAUNCHER" 2>"$WORK/launcher.err") || status=$?
[ "$status" -eq 1 ] && grep -q "HOME" "$WORK/launcher.err" ||
    fail "without HOME: status $status, $(cat "$WORK/launcher.err")"
