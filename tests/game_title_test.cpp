// Whole matches under random keys: the board's invariants after every step.
#include "display/canvas.h"
#include "match/game_title.h"
#include "platform/rand.h"
#include "scene/unit_types.h"

#include <gtest/gtest.h>

namespace
{
// What must hold after every step; an empty text when it all does.
const char* BrokenInvariant(const GameTitle& match)
{
    bool taken[BoardColumns][BoardRows] = {};
    int counts[3] = {0, 0, 0}; // balls, team 0's players, team 1's players
    for (const auto& [id, unit] : match.units)
    {
        if (unit.column < 0 || unit.column >= BoardColumns || unit.row < 0 || unit.row >= BoardRows)
        {
            return "unit off the board";
        }
        if (taken[unit.column][unit.row])
        {
            return "two units on one cell";
        }
        taken[unit.column][unit.row] = UnitTypes[unit.type].solid;
        ++counts[unit.type == UnitBall ? 0 : 1 + (unit.team & 1)];
    }
    if (counts[0] > 1 || counts[1] != 3 || counts[2] != 3)
    {
        return "wrong number of players or balls";
    }
    const bool scoresOk = match.teamScore[0] >= 0 && match.teamScore[0] <= 5 &&
                          match.teamScore[1] >= 0 && match.teamScore[1] <= 5;
    return !scoresOk                                    ? "score out of range"
           : match.movesLeft < 0 || match.movesLeft > 9 ? "moves out of range"
                                                        : "";
}
} // namespace

TEST(GameTitle, RandomKeysKeepTheBoardSoundInEveryStep)
{
    int decided = 0;
    for (unsigned seed = 1; seed <= 100; ++seed)
    {
        SeedRand(seed);
        GameTitle* match = new GameTitle();
        if (seed % 2 == 0)
        {
            match->teamScore[0] = match->teamScore[1] = 4; // so that many matches end
        }
        match->Step();
        for (int step = 0; step < 8000 && !match->finished; ++step)
        {
            const int roll = Rand() % 8; // presses and releases, forward keys most often
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
            ASSERT_STREQ("", BrokenInvariant(*match)) << "seed " << seed << " step " << step;
            if (step % 50 == 0)
            {
                ClearCanvas();
                match->Draw();
            }
        }
        decided += match->finished;
        delete static_cast<GameState*>(match); // as the shell deletes it
    }
    EXPECT_GT(decided, 10);
}
