// Standard error while the libraries behind SDL open the screen and the sound device: their
// own lines (the sound system's, the window system's) are held back, and only the game's get
// through, so that a failure to start says one line. Main thread, at start-up.
#pragma once

// From now on, whatever is written to standard error is held back. When nothing can be held
// (no memory file, no descriptor), every line goes through as it comes.
void HoldLibraryLines();

// Standard error as it was, and the held lines that start with the game's name and a colon
// passed on in their order; the others are dropped. Nothing when nothing is held. Safe at
// exit (a failure to start ends the process while lines are held back).
void PassOwnLines();
