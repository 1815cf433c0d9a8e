// A headless soak of the match: millions of steps of back-to-back matches under random
// keys, the board checked after every step and a frame drawn now and then.
//
//   match_soak [steps] [seed]      (default 10000000 steps, seed 1)
//
// Exits 0 and prints what was played when every step kept the board sound; exits 1 with
// the step and the fault otherwise.
#include "display/canvas.h"
#include "headless.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace
{
// What is wrong with the match, or nullptr when every unit is on the board, no two solid
// units share a cell, each team has three players, there is at most one ball, and the
// scores and the move count are in range.
const char* FindBoardFault(const GameTitle& match)
{
    bool taken[BoardColumns][BoardRows] = {};
    int counts[3] = {0, 0, 0}; // balls, team 0's players, team 1's players
    for (const auto& [id, unit] : match.units)
    {
        if (unit.column < 0 || unit.column >= BoardColumns || unit.row < 0 || unit.row >= BoardRows)
        {
            return "a unit is off the board";
        }
        if (UnitTypes[unit.type].solid && taken[unit.column][unit.row])
        {
            return "two units share a cell";
        }
        taken[unit.column][unit.row] = UnitTypes[unit.type].solid;
        ++counts[unit.type == UnitBall ? 0 : 1 + (unit.team & 1)];
    }
    const bool scores = match.teamScore[0] >= 0 && match.teamScore[0] <= 5 &&
                        match.teamScore[1] >= 0 && match.teamScore[1] <= 5;
    return counts[0] > 1                                ? "more than one ball"
           : counts[1] != 3 || counts[2] != 3           ? "a team does not have three players"
           : !scores                                    ? "a score out of range"
           : match.movesLeft < 0 || match.movesLeft > 9 ? "a move count out of range"
                                                        : nullptr;
}
} // namespace

int main(int argc, char** argv)
{
    const long long steps = argc > 1 ? std::atoll(argv[1]) : 10000000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoll(argv[2])) : 1;
    ReadyHeadless(seed); // sound requests go through until the effect voices run out
    long long matches = 1;
    auto match = std::make_unique<GameTitle>();
    for (long long step = 0; step < steps; ++step)
    {
        if (match->finished)
        {
            match = std::make_unique<GameTitle>();
            ++matches;
        }
        // Random keys as two people might press them: now and then a press, forward keys
        // most often, or a release.
        const int roll = Rand() % 8;
        if (roll == 0)
        {
            const int action = Rand() % 12;
            match->KeyDown(action < 9 ? action : (action & 1) * 4);
        }
        else if (roll == 1)
        {
            match->KeyUp(Rand() % 9);
            match->KeyUp(8);
        }
        match->Step();
        if (const char* fault = FindBoardFault(*match))
        {
            std::fprintf(stderr, "match_soak: step %lld, seed %u: %s\n", step, seed, fault);
            return 1;
        }
        if (step % 97 == 0)
        {
            ClearCanvas();
            match->Draw();
        }
    }
    std::printf("match_soak: %lld steps, %lld matches\n", steps, matches);
    return 0;
}
