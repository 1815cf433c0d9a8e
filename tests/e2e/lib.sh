# Shared steps of the end-to-end tests: a virtual screen, the real game in a scratch
# folder, key presses, and waiting for files and for the game's end.
#
# Sourced by each test with the arguments CTest passes: the game, the screen checker,
# and the source folder (for dat/).
set -eu

GAME=$1
CHECK=$2
SOURCE=$3
# Hosting games on this machine ask no router for their port: nothing leaves the machine.
# The tests of the router (reach_router.sh) run theirs in namespaces of their own without it.
TUMBLEQUAY_NO_PORT_MAP=1
export TUMBLEQUAY_NO_PORT_MAP
SCREEN_WIDTH=1280
SCREEN_HEIGHT=720
SHIM="$(dirname "$CHECK")/libsdl_shim.so" # preload it for pads and window modes of a test's own
WORK=$(mktemp -d)
RUN="$WORK/run"
mkdir -p "$RUN"
XVFB_PID=""
WM_PID=""
GAME_PID=""
FRIEND_PID=""      # online tests: a second game, on a virtual screen of its own
FRIEND_XVFB_PID=""

cleanup() {
    for pid in $FRIEND_PID $FRIEND_XVFB_PID; do
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    if [ -n "$GAME_PID" ] && kill -0 "$GAME_PID" 2>/dev/null; then
        kill "$GAME_PID" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$GAME_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$GAME_PID" 2>/dev/null || true # a game that hangs does not hang the test
        wait "$GAME_PID" 2>/dev/null || true
    fi
    if [ -n "$WM_PID" ]; then
        kill "$WM_PID" 2>/dev/null || true
        wait "$WM_PID" 2>/dev/null || true
    fi
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
    [ -n "${KEEP_WORK:-}" ] || rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Copies the game's data folder into the scratch folder.
with_data() {
    cp -r "$SOURCE/dat" "$RUN/dat"
}

# Starts a virtual screen on a free display, which it writes to $WORK/$1; sets OPENED_PID
# and OPENED_DISPLAY.
open_screen() {
    Xvfb -displayfd 3 -screen 0 "${SCREEN_WIDTH}x${SCREEN_HEIGHT}x24" -nolisten tcp -noreset \
        3>"$WORK/$1" 2>"$WORK/$1.log" &
    OPENED_PID=$!
    for _ in $(seq 100); do
        [ -s "$WORK/$1" ] && break
        sleep 0.1
    done
    [ -s "$WORK/$1" ] || fail "the virtual screen did not start"
    OPENED_DISPLAY=":$(cat "$WORK/$1")"
}

# Starts a virtual screen and points DISPLAY at it.
start_screen() {
    open_screen display
    XVFB_PID=$OPENED_PID
    DISPLAY=$OPENED_DISPLAY
    export DISPLAY
}

# Starts a window manager on the virtual screen: switching to full screen and back needs
# one. It binds no keys (by default it would take Print Screen for itself). Waits until it
# has taken the screen.
start_window_manager() {
    printf '<openbox_config xmlns="http://openbox.org/3.4/rc"><keyboard/><mouse/></openbox_config>\n' \
        >"$WORK/openbox.xml"
    openbox --config-file "$WORK/openbox.xml" >"$WORK/openbox.log" 2>&1 &
    WM_PID=$!
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    fail "the window manager did not start"
}

# Starts the game in the scratch folder with its sound going to a file, and waits for
# its window; the arguments go to the game. GAME_RUNNER, when set, is a command that runs
# the game (as another user, say).
start_game() {
    # shellcheck disable=SC2086
    (cd "$RUN" && SDL_AUDIODRIVER="${AUDIO_DRIVER:-disk}" SDL_DISKAUDIOFILE="$WORK/audio.raw" \
        exec ${GAME_RUNNER:-} "$GAME" "$@" >"$WORK/game.out" 2>"$WORK/game.err") &
    GAME_PID=$!
    for _ in $(seq 100); do
        if xdotool search --name '^marrowfen$' >/dev/null 2>&1; then
            # Under a window manager the keys go to the window that has the focus.
            [ -z "$WM_PID" ] || xdotool search --name '^marrowfen$' windowactivate --sync >/dev/null 2>&1
            sleep 0.5 # a few frames
            return 0
        fi
        kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended at start: $(cat "$WORK/game.err")"
        sleep 0.1
    done
    fail "no window appeared"
}

press() {
    xdotool key --clearmodifiers "$@"
}

# Waits up to ten seconds for a file in the game's folder.
wait_for_file() {
    for _ in $(seq 100); do
        [ -e "$RUN/$1" ] && return 0
        sleep 0.1
    done
    fail "$1 was not written"
}

# Waits up to ten seconds for the game to end and checks its exit status.
expect_exit() {
    for _ in $(seq 100); do
        if ! kill -0 "$GAME_PID" 2>/dev/null; then
            status=0
            wait "$GAME_PID" || status=$?
            GAME_PID=""
            [ "$status" -eq "$1" ] || fail "exit status $status, expected $1: $(cat "$WORK/game.err")"
            return 0
        fi
        sleep 0.1
    done
    fail "the game did not end"
}

# Checks a screenshot against the title screen as the core draws it from the scratch
# folder's data; the screenshot is the screen's size, or width x height when given.
check_title() {
    (cd "$RUN" && "$CHECK" title "$1" "${2:-$SCREEN_WIDTH}" "${3:-$SCREEN_HEIGHT}") ||
        fail "$1 does not show the title screen"
}

# Checks a screenshot against a new match with its banner up as the core draws it from
# the scratch folder's data; the screenshot is the screen's size, or width x height.
check_match() {
    (cd "$RUN" && "$CHECK" match-start "$1" "${2:-$SCREEN_WIDTH}" "${3:-$SCREEN_HEIGHT}") ||
        fail "$1 does not show a new match"
}

# Checks that a file is a whole PNG at the screen's size.
check_png() {
    "$CHECK" png "$1" "$SCREEN_WIDTH" "$SCREEN_HEIGHT" >/dev/null || fail "$1 is not a whole screenshot"
}

# Takes the next screenshot, screen$SHOTS.png, and checks it with the command given, which
# gets its path and the further arguments; returns what the check returns.
SHOTS=0
screenshot() {
    press Print
    wait_for_file "screen$SHOTS.png"
    SHOTS=$((SHOTS + 1))
    check=$1
    shift
    "$check" "$RUN/screen$((SHOTS - 1)).png" "$@"
}

# Holds a key down long enough for the game to see it held for a few steps.
hold() {
    xdotool keydown "$1"
    sleep 0.1
    xdotool keyup "$1"
}

# Online play: starts a second game in $WORK/friend on a virtual screen of its own, with the
# arguments given (run by FRIEND_RUNNER when set), and waits for its window; friend_press presses keys there, and
# friend_screenshot takes its next screenshot, as screenshot does.
FRIEND_SHOTS=0
start_friend() {
    mkdir -p "$WORK/friend"
    [ -e "$WORK/friend/dat" ] || cp -r "$SOURCE/dat" "$WORK/friend/dat"
    if [ -z "$FRIEND_XVFB_PID" ]; then
        open_screen friend_display
        FRIEND_XVFB_PID=$OPENED_PID
        FRIEND_DISPLAY=$OPENED_DISPLAY
    fi
    # shellcheck disable=SC2086
    (cd "$WORK/friend" && DISPLAY=$FRIEND_DISPLAY SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null \
        exec ${FRIEND_RUNNER:-} "$GAME" "$@" >"$WORK/friend.out" 2>"$WORK/friend.err") &
    FRIEND_PID=$!
    for _ in $(seq 100); do
        DISPLAY=$FRIEND_DISPLAY xdotool search --name '^marrowfen$' >/dev/null 2>&1 && sleep 0.5 && return 0
        kill -0 "$FRIEND_PID" 2>/dev/null || fail "the friend's game ended at start: $(cat "$WORK/friend.err")"
        sleep 0.1
    done
    fail "no window of the friend's game appeared"
}

friend_press() {
    DISPLAY=$FRIEND_DISPLAY xdotool key --clearmodifiers "$@"
}

friend_screenshot() {
    friend_press Print
    for _ in $(seq 100); do
        [ -e "$WORK/friend/screen$FRIEND_SHOTS.png" ] && break
        sleep 0.1
    done
    FRIEND_SHOTS=$((FRIEND_SHOTS + 1))
    check=$1
    shift
    "$check" "$WORK/friend/screen$((FRIEND_SHOTS - 1)).png" "$@"
}

# Whether a screenshot's left band shows the text centred on column 16 with its foot on the
# row.
band_word() {
    (cd "$RUN" && "$CHECK" word "$1" "$SCREEN_WIDTH" "$SCREEN_HEIGHT" "$2" "$3" 2>/dev/null)
}

# Takes screenshots with the first command until the check that follows holds, for up to
# about ten seconds.
eventually() {
    for _ in $(seq 30); do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}
