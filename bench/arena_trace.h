// How each level of the computer moves, turn by turn, against the greedy player.
#pragma once

// The trace of each level against the greedy player over the matches from the first seed:
// how its moves look turn by turn. Prints a table; returns 0.
int MeasureTrace(int matches, unsigned firstSeed);
