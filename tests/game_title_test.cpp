// Whole matches under random keys: the board's invariants after every step.
#include "audio/sample_bank.h"
#include "display/canvas.h"
#include "display/pictures.h"
#include "match/game_title.h"
#include "platform/rand.h"
#include "scene/unit_types.h"

#include <cstring>
#include <gtest/gtest.h>
#include <type_traits>

// The shell deletes a match through a pointer to its scene.
static_assert(std::has_virtual_destructor_v<GameState>);

// Also sums up every frame drawn in one digest, which was taken from the plain, cell by cell
// drawing of the match screen before it was sped up.
TEST(GameTitle, RandomKeysKeepTheBoardSoundInEveryStep)
{
    int decided = 0;
    std::uint32_t digest = 2166136261u;
    std::memset(Pictures, 0, sizeof Pictures); // no pictures and no sounds, which draw too
    SamplesLoaded.store(false);
    for (unsigned seed = 1; seed <= 100; ++seed)
    {
        SeedRand(seed);
        GameState* scene = new GameTitle();
        GameTitle& match = *static_cast<GameTitle*>(scene);
        match.teamScore[0] = match.teamScore[1] = seed % 2 == 0 ? 4 : 0; // so that many end
        match.Step();
        for (int step = 0; step < 8000 && !match.finished; ++step)
        {
            const int roll = Rand() % 8; // presses and releases, forward keys most often
            if (roll == 0)
            {
                const int action = Rand() % 12;
                match.KeyDown(action < 9 ? action : (action & 1) * 4);
            }
            else if (roll == 1)
            {
                match.KeyUp(Rand() % 9);
                match.KeyUp(8);
            }
            match.Step();
            // Every unit on the board, one per cell, three players a team, at most one
            // ball, scores and moves in range.
            bool taken[BoardColumns][BoardRows] = {};
            int counts[3] = {0, 0, 0}; // balls, team 0's players, team 1's players
            for (const auto& [id, unit] : match.units)
            {
                ASSERT_TRUE(unit.column >= 0 && unit.column < BoardColumns && unit.row >= 0 &&
                            unit.row < BoardRows && !taken[unit.column][unit.row])
                    << "seed " << seed << " step " << step;
                taken[unit.column][unit.row] = true;
                ++counts[unit.type == UnitBall ? 0 : 1 + (unit.team & 1)];
            }
            ASSERT_TRUE(counts[0] <= 1 && counts[1] == 3 && counts[2] == 3 &&
                        match.teamScore[0] <= 5 && match.teamScore[1] <= 5 &&
                        match.movesLeft >= 0 && match.movesLeft <= 9)
                << "seed " << seed << " step " << step;
            if (step % 50 == 0)
            {
                ClearCanvas();
                match.Draw();
                for (unsigned char cell : ScreenCells)
                {
                    digest = (digest ^ cell) * 16777619u;
                }
            }
        }
        decided += match.finished;
        delete scene; // as the shell deletes it
    }
    EXPECT_GT(decided, 10);
    EXPECT_EQ(49570751u, digest);
}
