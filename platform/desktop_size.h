// The desktop's own resolution, asked of the video system before the window is opened.
#pragma once

struct DesktopSize
{
    int width;  // pixels
    int height; // pixels
};

// Asks the video system for the current display mode. Needs the video subsystem to be
// initialised; call it before the video mode is set, as that changes the answer.
DesktopSize QueryDesktopSize();
