// Whole matches: a seeded turn played by script, and random keys keeping the board sound.
#include "audio/sample_bank.h"
#include "match/controls.h"
#include "match_board.h"
#include "match_invariants.h"
#include "platform/rand.h"

#include <gtest/gtest.h>
#include <type_traits>

// The shell deletes a match through a pointer to its scene.
static_assert(std::has_virtual_destructor_v<GameState>);

// Seed 1 sets up team 0 to begin with 6 moves and selects its player on (2, 2). Forward held
// steps it right every 14 steps to the edge; a left turn faces it up into the ball, which it
// pushes twice. Its last move settles and the turn passes to team 1 with 5 moves. This pins
// the order of the set-up's and the turn's random draws along with the rules: renew the rows
// only for a change that means to move them.
TEST(GameTitle, ScriptedTurnFromASeededStart)
{
    SeedRand(1);
    SoundEar ear;
    GameTitle match;
    match.Step();
    const char* start[8] = {"......", "....L.", "..>...", ".>.L.o",
                            "......", "...L..", "..>...", "......"};
    for (int row = 0; row < 8; ++row)
    {
        ASSERT_EQ(start[row], RowOf(match, row)) << row;
    }
    ASSERT_TRUE(match.currentTeam == 0 && match.movesLeft == 6);
    match.KeyDown(ActionOther); // the banner goes
    match.KeyUp(ActionOther);
    match.KeyDown(ActionUp);
    int steps = 0;
    for (; match.currentTeam == 0 && steps < 400; ++steps)
    {
        if (steps == 60)
        {
            match.KeyUp(ActionUp);
            match.KeyDown(ActionLeft);
        }
        else if (steps == 61)
        {
            match.KeyUp(ActionLeft);
            match.KeyDown(ActionUp);
        }
        match.Step();
    }
    EXPECT_EQ(103, steps);
    const char* end[8] = {"......", "....L.", "......", ".>.L..",
                          ".....^", "...L.o", "..>...", "......"};
    for (int row = 0; row < 8; ++row)
    {
        EXPECT_EQ(end[row], RowOf(match, row)) << row;
    }
    EXPECT_EQ("ball start step@3 step@4 step@5 rotate@5 push@5 step@5 push@5 step@5 end",
              ear.Heard());
    EXPECT_TRUE(match.movesLeft == 5 && match.turnBanner && match.teamScore[0] == 0);
}

TEST(GameTitle, RandomKeysKeepTheBoardSoundInEveryStep)
{
    int decided = 0;
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
        }
        decided += match.finished;
        delete scene; // as the shell deletes it
    }
    EXPECT_GT(decided, 10);
}
