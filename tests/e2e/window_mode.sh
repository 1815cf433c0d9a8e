#!/bin/sh
# The window and Alt+Enter, under a window manager as on a desktop. --window opens a window
# of whole multiples of the canvas, smaller than the screen, whose screenshots have its
# size and show the title screen; Alt+Enter switches to the screen's size and back, on the
# title screen without starting a match and in a match without taking its banner away.
# Then, with a video system that has no window mode at all, --window plays full screen
# and Alt+Enter leaves it there.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
start_window_manager
WINDOW_WIDTH=768 # six times 128 x 96: the largest that leaves a tenth of 1280 x 720 free
WINDOW_HEIGHT=576
start_game --window
size=$(xdotool search --name '^marrowfen$' getwindowgeometry | sed -n 's/ *Geometry: //p')
[ "$size" = "${WINDOW_WIDTH}x$WINDOW_HEIGHT" ] || fail "the window is $size"

# Takes a screenshot and checks it: the check and its size are the arguments.
shot=0
screenshot() {
    press Print
    wait_for_file "screen$shot.png"
    "$1" "$RUN/screen$shot.png" "$2" "$3"
    shot=$((shot + 1))
}
screenshot check_title "$WINDOW_WIDTH" "$WINDOW_HEIGHT"
press alt+Return
sleep 0.5
screenshot check_title "$SCREEN_WIDTH" "$SCREEN_HEIGHT"
press alt+Return
sleep 0.5
screenshot check_title "$WINDOW_WIDTH" "$WINDOW_HEIGHT"
press Return
sleep 0.3
press alt+Return
sleep 0.5
screenshot check_match "$SCREEN_WIDTH" "$SCREEN_HEIGHT"
press Escape
press Escape
expect_exit 0

# No window mode: the shim refuses every mode but full screen.
GAME_RUNNER="env LD_PRELOAD=$SHIM TQ_SHIM_NO_WINDOW=1"
start_game --window
screenshot check_title "$SCREEN_WIDTH" "$SCREEN_HEIGHT"
press alt+Return
sleep 0.5
screenshot check_title "$SCREEN_WIDTH" "$SCREEN_HEIGHT"
press Escape
expect_exit 0
