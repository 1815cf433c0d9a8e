// Screenshots: numbering the files and writing each one whole or not at all.
#pragma once

// Number tried for the next screenshot; 0 at start-up, one past the last number used
// after every screenshot, whether or not its file could be written. Main thread only.
extern unsigned ScreenshotCounter;

// Saves width x height RGBA pixels, bottom row first as read back from the screen, as
// "screen%d.png" in the working directory under the lowest number from
// ScreenshotCounter on for which neither that name nor "screen%d.png.tmp" is taken. The
// image is written to that temporary file, which is created here and never an existing
// one, and then linked into place, so no file of the player's is ever replaced or
// written, and a failed or interrupted write never leaves a broken PNG under a
// screenshot's name. Returns false, silently, when nothing could be written.
bool SaveScreenshot(int width, int height, const unsigned char* rgbaBottomUp);
