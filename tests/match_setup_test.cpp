// Tests of a new match: its first turn, its seven units and the order of its draws.
#include "display/palette.h"
#include "match_board.h"
#include "platform/rand.h"

#include <gtest/gtest.h>

TEST(MatchSetup, SevenUnitsOnTheirStartingCellsFromDrawsInOrder)
{
    bool movesSeen[10] = {};
    int teamOneBegins = 0;
    for (unsigned seed = 1; seed <= 300; ++seed)
    {
        // The draws replayed by hand: team, moves, the ball's row, then a row and a column
        // for each player, team 0's first in each pair of rows.
        SeedRand(seed);
        const int team = Rand() & 1;
        const int moves = Rand() % 6 + 4;
        const int ballRow = 3 + (Rand() & 1);
        int cells[6] = {};
        for (int k = 0; k < 6; ++k)
        {
            const int row = 2 * (k / 2) + 1 + (Rand() & 1);
            cells[k] = (1 + 2 * (k % 2) + (Rand() & 1)) * 10 + row;
        }
        SeedRand(seed);
        PaletteTick = 500;
        SoundEar ear;
        GameTitle match;
        EXPECT_EQ("33", ear.Heard());
        EXPECT_EQ(0, PaletteTick);
        ASSERT_EQ(team, match.currentTeam);
        ASSERT_EQ(moves, match.movesLeft);
        EXPECT_TRUE(match.turnBanner && match.selectedId == 0);
        EXPECT_EQ(0,
                  match.settleTimer + match.respawnTimer + match.teamScore[0] + match.teamScore[1]);
        ASSERT_EQ(7u, match.units.size());
        EXPECT_EQ(UnitBall, match.units.at(1).type);
        EXPECT_EQ((team == 0 ? 50 : 0) + ballRow, CellOf(match, 1)); // beside the team that waits
        for (std::uint32_t id = 2; id <= 7; ++id)
        {
            EXPECT_EQ(UnitPlayer, match.units.at(id).type);
            EXPECT_EQ(static_cast<int>(id % 2), match.units.at(id).team);
            EXPECT_EQ(cells[id - 2], CellOf(match, id));
        }
        movesSeen[moves] = true;
        teamOneBegins += team;
    }
    EXPECT_TRUE(teamOneBegins > 0 && teamOneBegins < 300);
    for (int moves = 4; moves <= 9; ++moves)
    {
        EXPECT_TRUE(movesSeen[moves]) << moves;
    }
}
