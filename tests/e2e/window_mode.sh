#!/bin/sh
# The window and Alt+Enter, under a window manager as on a desktop. --window opens a window
# of whole multiples of the canvas, smaller than the screen, whose screenshots have its
# size and show the title screen; Alt+Enter switches to the screen's size and back, on the
# title screen without starting a match and in a match without taking its banner away.
# Then, on a video system without window modes, --window plays full screen and Alt+Enter
# leaves it there.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
start_window_manager
start_game --window
size=$(xdotool search --name '^marrowfen$' getwindowgeometry | sed -n 's/ *Geometry: //p')
[ "$size" = 768x576 ] || fail "the window is $size, not six times 128 x 96" # 1280 x 720 less a tenth
screenshot check_title 768 576
press alt+Return
sleep 0.5
screenshot check_title
press alt+Return
sleep 0.5
screenshot check_title 768 576
press Return
sleep 0.3
press alt+Return
sleep 0.5
screenshot check_match
press Escape
press Escape
expect_exit 0

GAME_RUNNER="env LD_PRELOAD=$SHIM TQ_SHIM_NO_WINDOW=1"
start_game --window
screenshot check_title
press alt+Return
sleep 0.5
screenshot check_title
press Escape
expect_exit 0
