// The board's rules as plain functions over a small copyable board: where a step, a push, a
// swap or a turn leaves every piece, which sound the move asks for, where the ball scores and
// where a new one may go, and who may be selected.
//
// Nothing here plays a sound, slides a unit, counts a timer or draws a random number: the
// match builds a Board from its units, lets a rule change it, and then applies the outcome
// with its slides, busy times, sounds and timers. The computer opponent plans on the very
// same functions, so the rules exist once.
#pragma once

#include "scene/units.h"

#include <cstdint>

constexpr int MaxPieces = BoardColumns * BoardRows; // no more pieces than cells
constexpr int MaxBallCells = 2 * BoardColumns;      // cells of a pair of rows

// The step of each direction 0..3 (+x, +y, -x, -y) in board cells.
constexpr int DirectionColumn[4] = {1, 0, -1, 0};
constexpr int DirectionRow[4] = {0, 1, 0, -1};

// One unit as the rules see it: where it stands and where it faces, nothing of its motion.
struct Piece
{
    std::uint32_t id;   // the unit's id; a board keeps its pieces in ascending id order
    signed char type;   // UnitTypes row: UnitBall or UnitPlayer
    signed char team;   // -1 for the ball, 0 or 1 for players
    signed char column; // 0..5
    signed char row;    // 0..7
    signed char facing; // 0..3, the direction a step goes
};

struct Board
{
    int count;               // pieces in use, 0..48
    Piece pieces[MaxPieces]; // in ascending id order
};

// A sound a move asks for, panned to the board column where it happens.
struct Cue
{
    int sound;  // sound number
    int column; // 0..5
};

// What a move did: the pieces it moved one cell each, in the order they moved (the far end
// of a pushed line first, the stepping player last), and the sounds it asks for, in order.
struct MoveOutcome
{
    bool made;                     // false: a blocked step, nothing moved and no move spent
    int movedCount;                // entries of moved, 0..48
    std::uint8_t moved[MaxPieces]; // piece indices
    std::uint8_t movedDirection[MaxPieces]; // the direction each went: a swapped ball goes back
    int cueCount;                           // entries of cues, 0..2
    Cue cues[2];                            // "push" before "step"; or "swap"; or "rotate"
};

// The index of the first solid piece, in ascending id order, on the cell; -1 off the board
// or on an empty cell.
int PieceAt(const Board& board, int column, int row);

// The index of the piece with the id; -1 when there is none.
int FindPiece(const Board& board, std::uint32_t id);

// The piece's own step in the direction it faces. Whatever line of pieces stands in front is
// pushed one cell on from its far end, if its last piece has room; only the piece right in
// front of the stepping one asks for "push", and the step itself for "step". When the line
// cannot move and its first piece is the ball, the stepper and the ball change places ("swap",
// at the ball's old column) instead; a ball further down a line is never swapped. A step off
// the board, or into a line that cannot move, changes nothing.
MoveOutcome StepForward(Board& board, int piece);

// A quarter turn of the piece on its cell: quarters 1 turns it left (counter-clockwise), 3
// right. Always made; asks for "rotate" at its column.
MoveOutcome TurnPiece(Board& board, int piece, int quarters);

// Row 0 and row 7: a ball at rest there scores for the team whose turn it is.
bool IsGoalRow(int row);

// Indices of the team's pieces but the one with id exceptId (0: none excepted), in ascending
// id order: the players a selection or a switch draws from. Returns how many.
int CollectTeammates(const Board& board, int team, std::uint32_t exceptId,
                     int (&pieces)[MaxPieces]);

// Cells where a new ball may be placed: the free cells of rows 3 and 4, or of rows 2 and 5
// when those are full, as (column, row), column by column and upwards within a column.
// Returns how many, 0 when the middle of the board is full.
int CollectBallCells(const Board& board, int (&cells)[MaxBallCells][2]);
