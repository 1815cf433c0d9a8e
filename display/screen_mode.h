// The game's two screen modes, full screen and a window, and the size each one takes.
#pragma once

#include "platform/desktop_size.h"

// A window fits "comfortably" when it leaves at least a tenth of the desktop's width and of
// its height free: room for a panel or dock, the title bar and the borders the window
// manager adds, so that the whole canvas stays in view.
constexpr int WindowShareTenths = 9;   // tenths of each desktop side a window may take
constexpr int UnknownDesktopScale = 5; // a window of 640 x 480 when the desktop's size is unknown

struct ScreenMode
{
    bool fullScreen; // the whole desktop, else a window
    int width;       // pixels; 0 x 0 in full screen on a desktop of unknown size: SDL's choice
    int height;      // pixels
};

// The mode to ask the video system for. Full screen takes the desktop's size as reported.
// A window is the largest whole multiple of the 128 x 96 canvas that fits comfortably
// inside the desktop, at least 128 x 96 however small the desktop; a desktop size that is
// not positive counts as unknown.
ScreenMode ChooseScreenMode(bool fullScreen, DesktopSize desktop);
