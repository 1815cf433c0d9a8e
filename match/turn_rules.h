// The rules of a match step: stepping, turning, pushing, swapping with the ball, goals,
// the passing of the turn and the win.
#pragma once

class GameState;
struct Unit;

constexpr int GoalsToWin = 5;     // the first team with this many goals wins
constexpr int TurnBusy = 12;      // steps a quarter turn keeps the player busy
constexpr int RestAfterMove = 6;  // steps after a move before the turn may pass
constexpr int BallRestMargin = 2; // steps a sliding ball holds the turn beyond its slide
constexpr int GoalPause = 32;     // steps from a goal to the next ball and, with no move
                                  // left, to the next turn
constexpr int MinMoves = 4;       // moves of a turn, drawn from 4..9
constexpr int MoveChoices = 6;

constexpr float BallVolume = 0.2f; // a new ball's sound
constexpr float CueVolume = 0.4f;  // every other sound of the match
constexpr float CueSend = 0.6f;    // share of every match sound fed into the echo

// The step of each direction 0..3 (+x, +y, -x, -y) in board cells.
constexpr int DirectionColumn[4] = {1, 0, -1, 0};
constexpr int DirectionRow[4] = {0, 1, 0, -1};

// Stereo position of a sound made on a board column: -0.75 at column 0 to 0.75 at 5.
float ColumnPan(int column);

// The ball's own rule, run by the scene's step before its busy time counts down: while
// it slides it holds the turn open; at rest on row 0 or row 7 it scores for the team whose
// turn it is, leaves the board with its burst, and starts the pause before the next ball.
// Outside a match it does nothing.
void BallStep(Unit& ball, GameState& scene);
