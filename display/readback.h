// Screenshots of what is on the screen, implemented in readback_gl.cpp.
#pragma once

// Reads the whole front buffer, width x height pixels (the size of the mode set, full
// screen or window), and saves it as the next screenshot file. Main thread; failures are
// silent.
void TakeScreenshot(int width, int height);
