// Whole matches under random keys: the board's invariants after every step.
#include "audio/sample_bank.h"
#include "display/canvas.h"
#include "display/pictures.h"
#include "match/game_title.h"
#include "match_invariants.h"
#include "platform/rand.h"

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
            PressRandomKeys(match, Rand);
            match.Step();
            const char* fault = FindBoardFault(match);
            ASSERT_EQ(fault, nullptr) << fault << ", seed " << seed << " step " << step;
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
