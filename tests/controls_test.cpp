// Tests of the match's keys: the banner's first key and the switch keys.
#include "match/controls.h"
#include "match_board.h"
#include "platform/rand.h"

#include <gtest/gtest.h>

TEST(Controls, FirstKeyOnlyTakesTheBannerAwayAndSwitchKeysSpendAMoveAtOnce)
{
    // Three players of team 0; the one in the middle is selected.
    const Board teams = WithRow(5, ">.....", WithRow(3, "..>...", WithRow(1, ">.....")));
    const int firstKeys[] = {ActionUp, ActionDown, ActionS, ActionOther};
    for (unsigned seed = 1; seed <= 20; ++seed)
    {
        SeedRand(seed);
        GameTitle match;
        SetBoard(match, teams, 2, 3, 2);
        match.turnBanner = true;
        SoundEar ear;
        const std::uint32_t first = match.selectedId;
        match.KeyDown(firstKeys[seed % 4]);
        for (int step = 0; step < 20; ++step)
        {
            match.Step();
        }
        EXPECT_TRUE(ear.Heard() == "37" && !match.turnBanner && match.movesLeft == 2 &&
                    match.selectedId == first && RowOf(match, 3) == "..>...");
        match.KeyDown(ActionUp); // the next press acts
        match.Step();
        match.KeyDown(seed % 2 == 0 ? ActionDown : ActionS); // while the player still slides
        const std::uint32_t second = match.selectedId;
        EXPECT_TRUE(RowOf(match, 3) == "...>.." && second != first && match.movesLeft == 0);
        EXPECT_TRUE(match.units.at(second).team == 0 && match.heldCount == 1);
        match.KeyDown(ActionDown); // no move left: nothing happens
        EXPECT_TRUE(match.selectedId == second && match.movesLeft == 0);
    }
}
