// Tests of the match's keys: the banner's first key and the switch keys.
#include "match/controls.h"
#include "match_board.h"
#include "platform/rand.h"

#include <gtest/gtest.h>

namespace
{
const Board Teams = {"......", "......", ">.....", "......",
                     "..>...", "......", ">.....", "......"};
} // namespace

TEST(Controls, FirstKeyOfATurnOnlyTakesTheBannerAway)
{
    for (int action : {ActionUp, ActionDown, ActionS, ActionOther})
    {
        SCOPED_TRACE(action);
        GameTitle match;
        SetBoard(match, Teams, 2, 3);
        match.turnBanner = true;
        SoundEar ear;
        const std::uint32_t selected = match.selectedId;
        match.KeyDown(action);
        EXPECT_EQ("37", ear.Heard());
        EXPECT_FALSE(match.turnBanner);
        for (int step = 0; step < 20; ++step)
        {
            match.Step();
        }
        EXPECT_EQ(23, CellOf(match, selected));
        EXPECT_EQ(selected, match.selectedId);
        EXPECT_EQ(9, match.movesLeft);
        match.KeyDown(ActionUp); // the next press acts
        match.Step();
        EXPECT_EQ(33, CellOf(match, selected));
    }
}

TEST(Controls, SwitchKeySpendsAMoveOnAnotherTeammateEvenWhileSliding)
{
    for (unsigned seed = 1; seed <= 20; ++seed)
    {
        SeedRand(seed);
        GameTitle match;
        SetBoard(match, Teams, 2, 3, 2);
        match.KeyDown(ActionUp);
        match.Step();
        match.KeyUp(ActionUp);
        const std::uint32_t first = match.selectedId;
        ASSERT_GT(match.units.at(first).busy, 0);
        match.KeyDown(seed % 2 == 0 ? ActionDown : ActionS);
        const std::uint32_t second = match.selectedId;
        EXPECT_NE(first, second);
        EXPECT_EQ(0, match.units.at(second).team);
        EXPECT_EQ(0, match.movesLeft + match.heldCount);
        match.KeyDown(ActionDown); // no move left: nothing happens
        EXPECT_EQ(second, match.selectedId);
        EXPECT_EQ(0, match.movesLeft);
    }
}
