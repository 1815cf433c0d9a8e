// How each level of the computer moves, turn by turn, against the greedy player: what a person
// watching it would see. A level that wastes its moves turns on the spot, turns back the way it
// came, or spends a turn without a step.
#include "bench/arena_trace.h"

#include "bench/arena_players.h"

#include <cstdio>

namespace
{
// One level's moves over the traced matches. A stretch is the moves one player makes in a row:
// a turn, or the part of it before or after a switch.
struct Trace
{
    long wins;           // matches won against the greedy player
    long turns;          // turns taken
    long moves;          // moves made
    long quarterTurns;   // of them, turns left or right
    long reversals;      // a left right after a right in the same turn, or a right after a left
    long roundabouts;    // a third quarter turn the same way in a row: one the other way would do
    long stretches;      // stretches of three moves or more
    long stillStretches; // of them, those without a step forward
    int lastMovesLeft;   // the moves left at the last decision, 0 when a turn is to begin
    ComputerMove last;   // the last move of this turn
    int sameTurns;       // quarter turns the same way in a row up to the last move
    int stretchMoves;    // moves of the stretch under way
    bool stretchStepped; // whether it stepped forward
};
Trace Traces[LevelHard + 1];

void EndStretch(Trace& trace)
{
    if (trace.stretchMoves >= 3)
    {
        ++trace.stretches;
        trace.stillStretches += trace.stretchStepped ? 0 : 1;
    }
    trace.stretchMoves = 0;
    trace.stretchStepped = false;
}

// Each decision spends one move, so a turn goes on while the moves left count down by one.
ComputerMove TracedMove(ComputerLevel level, const Board& board, int selected, int movesLeft)
{
    const ComputerMove move = ChooseLevelMove(level, board, selected, movesLeft);
    Trace& trace = Traces[level];
    if (movesLeft != trace.lastMovesLeft - 1)
    {
        EndStretch(trace);
        ++trace.turns;
        trace.last = ComputerMoveCount;
        trace.sameTurns = 0;
    }
    const bool quarter = move == MoveLeft || move == MoveRight;
    ++trace.moves;
    trace.quarterTurns += quarter ? 1 : 0;
    trace.reversals += quarter && trace.last == (move == MoveLeft ? MoveRight : MoveLeft);
    trace.sameTurns = quarter ? (move == trace.last ? trace.sameTurns + 1 : 1) : 0;
    trace.roundabouts += trace.sameTurns == 3 ? 1 : 0;
    if (move == MoveSwitch)
    {
        EndStretch(trace);
    }
    else
    {
        ++trace.stretchMoves;
        trace.stretchStepped = trace.stretchStepped || move == MoveForward;
    }
    trace.last = move;
    trace.lastMovesLeft = movesLeft;
    return move;
}

// TracedMove at one level, as a policy.
template<ComputerLevel Level>
ComputerMove Traced(const Board& board, int selected, int movesLeft)
{
    return TracedMove(Level, board, selected, movesLeft);
}
} // namespace

int MeasureTrace(int matches, unsigned firstSeed)
{
    const MovePolicy levels[] = {nullptr, Traced<LevelEasy>, Traced<LevelNormal>,
                                 Traced<LevelHard>};
    std::printf("| level | matches | won against greedy | turns | moves | quarter turns | "
                "left-right reversals a turn | three quarter turns one way, a turn | stretches of "
                "3 moves or more | of them without a step |\n|---|---|---|---|---|---|---|---|---|"
                "---|\n");
    for (int level = LevelEasy; level <= LevelHard; ++level)
    {
        Trace& trace = Traces[level];
        for (int m = 0; m < matches; ++m)
        {
            const int side = m % 2; // the level plays this team, as in the arena's pairings
            trace.lastMovesLeft = 0;
            const int winner = PlayMatch(firstSeed + m, side == 0 ? levels[level] : GreedyMove,
                                         side == 0 ? GreedyMove : levels[level]);
            trace.wins += winner == side;
            EndStretch(trace);
        }
        const double turns = static_cast<double>(trace.turns);
        std::printf(
            "| %s | %d | %.1f %% | %ld | %ld | %.1f %% | %.2f | %.3f | %ld | %ld, %.1f %% |\n",
            LevelName(static_cast<ComputerLevel>(level)), matches,
            100.0 * static_cast<double>(trace.wins) / matches, trace.turns, trace.moves,
            100.0 * static_cast<double>(trace.quarterTurns) / static_cast<double>(trace.moves),
            static_cast<double>(trace.reversals) / turns,
            static_cast<double>(trace.roundabouts) / turns, trace.stretches, trace.stillStretches,
            100.0 * static_cast<double>(trace.stillStretches) /
                static_cast<double>(trace.stretches));
        std::fflush(stdout);
    }
    return 0;
}
