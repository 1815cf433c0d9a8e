// The game's three names, kept here at the bottom of the folders so that every part of
// the game can show them.
#pragma once

// The program: the executable and the launcher, the start of every error line on
// standard error, and the lower title line.
constexpr char ProgramName[] = "tumblequay";
// The window's caption, by which the desktop (and the end-to-end tests) find the window.
constexpr char WindowCaption[] = "marrowfen";
// The upper title line.
constexpr char TitleName[] = "brasswick";
