// The title screen shown between matches: title lines, picture 0 and the help lines.
#pragma once

// The browser holds the game's sound back until a person clicks or presses a key; while
// it does, the title screen says so in the free band left of the picture. Set by the
// browser's edge each frame; always false in the native game. Main thread.
extern bool SoundWaitsForPerson;

// Draws the whole title screen into a cleared canvas. Main thread, once per frame
// while no match runs.
void DrawTitleScreen();

// Draws picture 0 and the three help lines; the second half of DrawTitleScreen.
void DrawHelpText();
