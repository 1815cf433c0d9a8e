// The arena's reference players, which stand in for people at the computer's keys.
#include "bench/arena_players.h"

#include "scene/unit_types.h"

#include <cstdint>
#include <cstdlib>

namespace
{
std::uint64_t ArenaState = 1; // the random player's own generator, not the match's

// What a forward step of the selected piece would do: whether it can be made, whether it
// brings the ball into a goal row, and which piece the ball is (-1: none).
struct StepAhead
{
    bool made;
    bool scores;
    int ball;
};

StepAhead LookAhead(const Board& board, int selected)
{
    Board next = board;
    const MoveOutcome outcome = StepForward(next, selected);
    int ball = -1;
    for (int i = 0; i < next.count; ++i)
    {
        ball = next.pieces[i].type == UnitBall ? i : ball;
    }
    return {outcome.made, outcome.made && ball >= 0 && IsGoalRow(next.pieces[ball].row), ball};
}

} // namespace

ComputerMove RandomMove(const Board&, int, int)
{
    ArenaState = ArenaState * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<ComputerMove>((ArenaState >> 33) % ComputerMoveCount);
}

ComputerMove GreedyMove(const Board& board, int selected, int)
{
    const StepAhead ahead = LookAhead(board, selected);
    if (ahead.scores || ahead.ball < 0)
    {
        return ahead.scores ? MoveForward : MoveLeft; // a goal in one, or nothing to go for
    }
    const int ball = ahead.ball;
    const Piece& me = board.pieces[selected];
    const Piece& target = board.pieces[ball];
    const int dx = target.column - me.column;
    const int dy = target.row - me.row;
    const auto towards = [&](int facing)
    { return DirectionColumn[facing] * dx > 0 || DirectionRow[facing] * dy > 0; };
    if (towards(me.facing) && ahead.made)
    {
        return MoveForward;
    }
    if (towards((me.facing + 1) & 3))
    {
        return MoveLeft;
    }
    return MoveRight;
}

ComputerMove ColumnMove(const Board& board, int selected, int movesLeft)
{
    const StepAhead ahead = LookAhead(board, selected);
    if (ahead.scores || ahead.ball < 0)
    {
        return ahead.scores ? MoveForward : MoveLeft; // a goal in one, or nothing to go for
    }
    const int ball = ahead.ball;
    const Piece& me = board.pieces[selected];
    const int dx = board.pieces[ball].column - me.column;
    const int dy = board.pieces[ball].row - me.row;
    int mates[MaxPieces];
    if (std::abs(dx) + std::abs(dy) > movesLeft + 1 && movesLeft >= 4 &&
        CollectTeammates(board, me.team, me.id, mates) > 0)
    {
        return MoveSwitch;
    }
    const int facing = dx > 0 ? 0 : dx < 0 ? 2 : dy > 0 ? 1 : 3;
    const int quarters = (facing - me.facing) & 3; // left turns to face that way
    if (quarters == 0)
    {
        return ahead.made ? MoveForward : MoveRight;
    }
    return quarters == 3 ? MoveRight : MoveLeft;
}
