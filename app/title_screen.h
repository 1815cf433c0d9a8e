// The title screen shown between matches: title lines, picture 0 and the help lines.
#pragma once

// Draws the whole title screen into a cleared canvas. Main thread, once per frame
// while no match runs.
void DrawTitleScreen();

// Draws picture 0 and the three help lines; the second half of DrawTitleScreen.
void DrawHelpText();
