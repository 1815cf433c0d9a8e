// The turn of a match: the selected player acting on the held keys, the ball's goal, the
// passing of the turn, the new ball and the win, with their timers and sounds.
#pragma once

constexpr int GoalsToWin = 5;     // the first team with this many goals wins
constexpr int TurnBusy = 12;      // steps a quarter turn keeps the player busy
constexpr int RestAfterMove = 6;  // steps after a move before the turn may pass
constexpr int BallRestMargin = 2; // steps a sliding ball holds the turn beyond its slide
constexpr int GoalPause = 32;     // steps from a goal to the next ball and, with no move
                                  // left, to the next turn
constexpr int MinMoves = 4;       // moves of a turn, drawn from 4..9
constexpr int MoveChoices = 6;

// Stereo position of a sound made on a board column: -0.75 at column 0 to 0.75 at 5.
float ColumnPan(int column);
