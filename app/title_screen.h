// The title screen shown between matches: title lines, picture 0 and the help lines.
#pragma once

// The browser holds the game's sound back until a person clicks or presses a key; while
// it does, the title screen says so in the free band left of the picture. Set by the
// browser's edge each frame; always false in the native game. Main thread.
extern bool SoundWaitsForPerson;

// The keys 1, 2 and 3 start a match against the computer at its three levels, and the title
// screen says so; false while a friend is joined online, as any key then starts a match
// against the friend. Main thread.
extern bool ComputerOffered;

// Draws the whole title screen into a cleared canvas, with the pointer to the rules page. Main
// thread, once per frame while no match runs.
void DrawTitleScreen();

// Draws picture 0 and the three help lines; the second half of DrawTitleScreen.
void DrawHelpText();
