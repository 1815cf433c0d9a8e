// The rules page: how the game is played and its keys, on one screen of the game's own font,
// shown from the title screen; and the title screen's line that points to it.
#pragma once

// Draws the whole rules page into a cleared canvas: the title, the rules and the keys, one line
// every 7 rows, keys in red and words in grey, and last "any key returns".
void DrawRulesPage();

// Draws the title screen's pointer to the rules page in the free band left of the picture:
// "r rules", centred on column 16, its foot on row 63.
void DrawRulesHint();
