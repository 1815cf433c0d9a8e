// The board's rules as plain functions over a small copyable board.
#include "match/board_rules.h"

#include "audio/sounds.h"
#include "scene/unit_types.h"

namespace
{
constexpr int BallRows[2] = {3, 4};      // where a new ball goes first
constexpr int SpareBallRows[2] = {2, 5}; // where it goes when those are full

bool OnBoard(int column, int row)
{
    return column >= 0 && row >= 0 && column < BoardColumns && row < BoardRows;
}

void AddCue(MoveOutcome& outcome, int sound, int column)
{
    outcome.cues[outcome.cueCount++] = {sound, column};
}

// Moves a piece one cell in the direction, as the stepping player and each unit it pushes
// move, and returns whether it moved. mayPush: the line in the way is pushed on from its far
// end if its last piece has room; forced: the target cell is not looked at (the halves of a
// swap); ownStep: the stepping player's own step, which asks for "step" and changes places
// with a ball that cannot be pushed; pushSound: the piece is pushed right by the stepping
// player and asks for "push". A move that fails has moved nothing.
bool TryMove(Board& board, MoveOutcome& outcome, int piece, int direction, bool mayPush,
             bool forced, bool ownStep, bool pushSound)
{
    const int d = direction & 3;
    const int column = board.pieces[piece].column + DirectionColumn[d];
    const int row = board.pieces[piece].row + DirectionRow[d];
    if (mayPush && !forced)
    {
        const int blocker = PieceAt(board, column, row);
        if (blocker >= 0 && !TryMove(board, outcome, blocker, d, true, false, false, ownStep))
        {
            if (board.pieces[blocker].type != UnitBall || !ownStep)
            {
                return false; // the line in front is stuck
            }
            TryMove(board, outcome, piece, d, false, true, false, false);
            TryMove(board, outcome, blocker, d + 2, false, true, false, false);
            AddCue(outcome, SoundSwap, column);
            return true;
        }
    }
    if (!OnBoard(column, row))
    {
        return false; // the edge of the board
    }
    Piece& moving = board.pieces[piece];
    moving.column = static_cast<signed char>(column);
    moving.row = static_cast<signed char>(row);
    outcome.moved[outcome.movedCount] = static_cast<std::uint8_t>(piece);
    outcome.movedDirection[outcome.movedCount] = static_cast<std::uint8_t>(d);
    ++outcome.movedCount;
    if (ownStep)
    {
        AddCue(outcome, SoundStep, column);
    }
    else if (pushSound)
    {
        AddCue(outcome, SoundPush, column);
    }
    return true;
}
} // namespace

int PieceAt(const Board& board, int column, int row)
{
    for (int i = 0; i < board.count; ++i)
    {
        const Piece& piece = board.pieces[i];
        if (piece.column == column && piece.row == row && UnitTypes[piece.type].solid)
        {
            return i;
        }
    }
    return -1;
}

int FindPiece(const Board& board, std::uint32_t id)
{
    for (int i = 0; i < board.count; ++i)
    {
        if (board.pieces[i].id == id)
        {
            return i;
        }
    }
    return -1;
}

MoveOutcome StepForward(Board& board, int piece)
{
    MoveOutcome outcome = {};
    outcome.made =
        TryMove(board, outcome, piece, board.pieces[piece].facing, true, false, true, false);
    return outcome;
}

MoveOutcome TurnPiece(Board& board, int piece, int quarters)
{
    MoveOutcome outcome = {};
    Piece& turning = board.pieces[piece];
    turning.facing = static_cast<signed char>((turning.facing + quarters) & 3);
    outcome.made = true;
    AddCue(outcome, SoundRotate, turning.column);
    return outcome;
}

bool IsGoalRow(int row)
{
    return row == 0 || row == BoardRows - 1;
}

int CollectTeammates(const Board& board, int team, std::uint32_t exceptId, int (&pieces)[MaxPieces])
{
    int n = 0;
    for (int i = 0; i < board.count; ++i)
    {
        if (board.pieces[i].team == team && board.pieces[i].id != exceptId)
        {
            pieces[n++] = i;
        }
    }
    return n;
}

int CollectBallCells(const Board& board, int (&cells)[MaxBallCells][2])
{
    int spare[MaxBallCells][2];
    int counts[2] = {0, 0};
    for (int column = 0; column < BoardColumns; ++column)
    {
        for (int row = SpareBallRows[0]; row <= SpareBallRows[1]; ++row)
        {
            if (PieceAt(board, column, row) >= 0)
            {
                continue;
            }
            const bool first = row == BallRows[0] || row == BallRows[1];
            int* cell = first ? cells[counts[0]++] : spare[counts[1]++];
            cell[0] = column;
            cell[1] = row;
        }
    }
    if (counts[0] > 0)
    {
        return counts[0];
    }
    for (int i = 0; i < counts[1]; ++i)
    {
        cells[i][0] = spare[i][0];
        cells[i][1] = spare[i][1];
    }
    return counts[1];
}
