// The arena's players: the reference players that stand in for people, and one seeded match
// between two policies at the keys of the real match scene.
#pragma once

#include "app/replay.h"
#include "computer/pace.h"
#include "match/game_title.h"
#include "platform/rand.h"

#include <type_traits>

constexpr long MaxMatchSteps = 400000; // a match still going after 2 hours is a draw

// A random player: each of the four moves with equal chance, from a generator of its own.
ComputerMove RandomMove(const Board& board, int selected, int movesLeft);
// A greedy player, one move ahead: a forward step that scores, else towards the ball, turning
// when the step ahead leads away from it or is blocked.
ComputerMove GreedyMove(const Board& board, int selected, int movesLeft);
// A person's plain plan: a goal in one move if it has one; else, when the ball is further away
// than the moves left allow and a teammate may be nearer, a switch; else towards the ball's
// column first and then along it, turning the shorter way to face where it goes before it
// walks.
ComputerMove ColumnMove(const Board& board, int selected, int movesLeft);

// Plays one match from the seed, team0's policy at team 0's keys and team1's at team 1's,
// recorded when Match is a RecordedMatch; returns the winning team, or -1 for a draw.
template<typename Match = GameTitle>
int PlayMatch(unsigned seed, MovePolicy team0, MovePolicy team1)
{
    SeedRand(seed);
    InitPlanner(); // as a match against the computer starts
    if constexpr (std::is_same_v<Match, RecordedMatch>)
    {
        BeginRecording(LevelNone, false);
    }
    Match match;
    ComputerPlayer players[2] = {MakeComputerPlayer(0, team0), MakeComputerPlayer(1, team1)};
    match.Step();
    for (long step = 0; step < MaxMatchSteps && !match.finished; ++step)
    {
        TickComputerPlayer(players[0], match);
        TickComputerPlayer(players[1], match);
        match.Step();
    }
    if constexpr (std::is_same_v<Match, RecordedMatch>)
    {
        EndRecording(match);
    }
    return match.finished ? match.winner : -1;
}
