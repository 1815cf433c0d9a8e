// Tests of a new match: its first turn and its seven units.
#include "display/palette.h"
#include "match_board.h"
#include "platform/rand.h"

#include <gtest/gtest.h>

TEST(MatchSetup, SevenUnitsInTheirRowPairsAndTeamColumnsBallBesideTheWaitingTeam)
{
    int movesSeen = 0; // bit per move count
    int teamOneBegins = 0;
    for (unsigned seed = 1; seed <= 300; ++seed)
    {
        SeedRand(seed);
        PaletteTick = 500;
        SoundEar ear;
        GameTitle match;
        EXPECT_TRUE(ear.Heard() == "33" && PaletteTick == 0 && match.turnBanner);
        EXPECT_TRUE(match.selectedId == 0 && match.settleTimer == 0 && match.respawnTimer == 0);
        ASSERT_TRUE(match.movesLeft >= 4 && match.movesLeft <= 9 && match.units.size() == 7u);
        const Unit& ball = match.units.at(1);
        EXPECT_TRUE(ball.type == UnitBall && ball.team == -1 && (ball.row == 3 || ball.row == 4));
        EXPECT_EQ(match.currentTeam == 0 ? 5 : 0, ball.column);
        for (std::uint32_t id = 2; id <= 7; ++id)
        {
            // Team 0 and team 1 alternately, a pair of ids to each pair of rows 1-2, 3-4
            // and 5-6; team 0 in columns 1-2 facing +x, team 1 in columns 3-4 facing -x.
            const Unit& player = match.units.at(id);
            const int team = static_cast<int>(id % 2);
            const int row = player.row - static_cast<int>(id / 2 * 2 - 1);
            const int column = player.column - (1 + 2 * team);
            EXPECT_TRUE(player.type == UnitPlayer && player.team == team &&
                        player.facing == 2 * team);
            EXPECT_TRUE((row == 0 || row == 1) && (column == 0 || column == 1)) << id;
        }
        movesSeen |= 1 << match.movesLeft;
        teamOneBegins += match.currentTeam;
    }
    EXPECT_TRUE(teamOneBegins > 0 && teamOneBegins < 300);
    EXPECT_EQ(0x3f0, movesSeen); // 4 to 9
}
