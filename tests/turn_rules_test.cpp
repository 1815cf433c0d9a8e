// Tests of the match rules: the set-up, steps, pushes, swaps, goals, the ball's return, the
// turn's timing, the keys and the win.
#include "display/palette.h"
#include "match/controls.h"
#include "match_board.h"
#include "platform/rand.h"

#include <gtest/gtest.h>
#include <type_traits>

// The shell deletes a match through a pointer to its scene.
static_assert(std::has_virtual_destructor_v<GameState>);

TEST(TurnRules, ForwardStepPushesTheWholeLineOrSwapsWithAStuckBall)
{
    const char* cases[][3] = {
        // Row 3 before and after the player at '>' steps right, and the sounds: only the
        // unit right in front of the player says "push".
        {">.....", ".>....", "step@1"},
        {".....>", ".....>", ""}, // open cell; the edge
        {">^Do..", ".>^Do.", "push@2 step@1"},
        {"..>RUo", "..>RUo", ""},       // a line; one at the edge
        {"...>Uo", "...>Uo", ""},       // a stuck ball inside a line is never swapped
        {"....>o", "....o>", "swap@5"}, // a stuck ball changes places with the player
        {"...>oR", "...o>R", "swap@4"}, // also in front of a stuck line
    };
    for (const auto& [before, after, sounds] : cases)
    {
        GameTitle match;
        SetBoard(match, std::string("3") + before,
                 static_cast<int>(std::strchr(before, '>') - before), 3);
        SoundEar ear;
        StepHolding(match, {ActionUp});
        EXPECT_EQ(after, RowOf(match, 3)) << before;
        EXPECT_EQ(sounds, SoundEar::Heard()) << before;
        EXPECT_EQ(sounds[0] != '\0' ? 8 : 9, match.movesLeft); // a failed step is free
        for (const auto& [id, unit] : match.units)
        {
            // Whatever moved glides from its old cell, a swapped ball the other way.
            const int slide = unit.busy == 0 ? 0 : unit.team < 0 && sounds[1] == 'w' ? 7 : -7;
            EXPECT_TRUE(unit.slideX == slide && (unit.busy == 0 || unit.busy == 13)) << before;
        }
    }
}

TEST(TurnRules, BallAtRestInAGoalRowScoresForTheTeamOnTurnAndTheFifthGoalWins)
{
    const char* pushers[2][2] = {{"..v...", "..^..."}, {"..D...", "..U..."}};
    // The team on turn, the goal row, its goals so far, and whether rows 3 and 4 are full.
    const int cases[][4] = {{0, 0, 0, 0}, {0, 7, 4, 0}, {1, 0, 4, 0}, {1, 7, 0, 1}};
    for (const auto& [team, goalRow, goals, full] : cases)
    {
        SCOPED_TRACE(team * 10 + goalRow);
        const int from = goalRow == 0 ? 2 : 5; // the pusher's row, the ball's next to it
        const std::string rows = std::to_string(from) + pushers[team][goalRow / 7] +
                                 (goalRow == 0 ? " 1..o..." : " 6..o...") +
                                 (full != 0 ? " 3>>>>>> 4<<<<<<" : "");
        GameTitle match;
        SetBoard(match, rows, 2, from, 1);
        match.currentTeam = team;
        match.teamScore[team] = goals;
        SoundEar ear;
        StepHolding(match, {ActionUp});
        const std::uint32_t pushed = match.stepCount;
        const std::size_t units = match.units.size();
        while (match.teamScore[team] == goals && match.stepCount < 100)
        {
            match.Step();
        }
        EXPECT_EQ(14u, match.stepCount - pushed); // once the ball has stopped sliding
        EXPECT_TRUE(match.teamScore[1 - team] == 0 && match.effects.size() == 32u); // the burst
        EXPECT_EQ(goals == 4, match.gameOver && match.winner == team); // in the same step
        for (int step = 1; step <= 240; ++step)
        {
            // The new ball and, with no move left, the next turn come 32 steps later.
            ASSERT_EQ(units - (step > 32 && goals < 4 ? 0 : 1), match.units.size()) << step;
            ASSERT_EQ(step > 32, match.currentTeam != team) << step;
            match.Step();
            ASSERT_EQ(goals == 4 && step == 240, match.finished) << step;
        }
        // The new ball, with the next id, stands in row 3 or 4, or in row 2 or 5 when those
        // are full.
        const Unit& last = match.units.rbegin()->second;
        EXPECT_TRUE(goals == 4 ||
                    (last.type == UnitBall && std::min(last.row, 7 - last.row) == 3 - full));
        EXPECT_EQ(goals == 4 ? "push@2 step@2 score end" : "push@2 step@2 score ball end",
                  ear.Heard());
    }
}

TEST(TurnRules, TurnPassesOncePlayerAndBallHaveSettled)
{
    const struct
    {
        const char* ballRow; // row 1
        int action, steps;
        const char* sounds;
    } cases[] = {
        {"......", ActionUp, 14, "step@2 end"},       // after a last step
        {"......", ActionA, 12, "rotate@2 end"},      // after a last turn
        {"......", ActionS, 6, "end"},                // after a last switch by a player at rest
        {"..o...", ActionW, 16, "push@2 step@2 end"}, // not while the ball slides
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.steps);
        GameTitle match;
        SetBoard(match, "0^.^.^. 1" + std::string(c.ballRow) + " 7.....L", 2, 0, 1);
        SoundEar ear;
        match.Step(); // the player stands at rest, the moves not yet spent
        match.KeyDown(c.action);
        if (c.action != ActionS)
        {
            match.Step(); // a held key acts in the step; the switch acted at once
        }
        int steps = 0;
        for (; match.currentTeam == 0 && steps < 200; ++steps)
        {
            match.Step();
        }
        EXPECT_TRUE(steps == c.steps && ear.Heard() == c.sounds) << steps << " " << ear.Heard();
        EXPECT_TRUE(match.turnBanner && match.heldCount == 0); // no key held for the new team
        EXPECT_TRUE(match.movesLeft >= 4 && match.movesLeft <= 9);
        EXPECT_EQ(1, match.units.at(match.selectedId).team); // chosen in the same step
    }
}

TEST(TurnRules, HeldKeysActTogetherInPressOrderWhileMovesLast)
{
    const struct
    {
        std::initializer_list<int> held;
        int moves;
        const char* rows; // rows 2 and 3 afterwards
        int movesAfter;
    } cases[] = {
        {{ActionLeft, ActionUp}, 2, "......|..^...", 0},    // turn, then step up
        {{ActionUp, ActionA}, 2, "...^..|......", 0},       // step right, then turn
        {{ActionLeft, ActionUp}, 1, "..^...|......", 0},    // only the first key
        {{ActionUp, ActionW}, 9, "....>.|......", 7},       // two cells at once
        {{ActionOther, ActionDown}, 9, "..>...|......", 9}, // neither acts while held
    };
    for (const auto& c : cases)
    {
        GameTitle match;
        SetBoard(match, "2..>...", 2, 2, c.moves);
        StepHolding(match, c.held);
        EXPECT_EQ(c.rows, RowOf(match, 2) + "|" + RowOf(match, 3));
        EXPECT_EQ(c.movesAfter, match.movesLeft);
    }
}

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
        EXPECT_TRUE(ear.Heard() == "ball" && PaletteTick == 0 && match.turnBanner);
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

TEST(Controls, FirstKeyOnlyTakesTheBannerAwayAndSwitchKeysSpendAMoveAtOnce)
{
    // Three players of team 0; the one in the middle is selected.
    const char* teams = "5>..... 3..>... 1>.....";
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
        EXPECT_TRUE(ear.Heard() == "start" && !match.turnBanner && match.movesLeft == 2 &&
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

TEST(BoardRules, ANewBallGoesToRowsThreeAndFourOrElseToRowsTwoAndFive)
{
    // The board, and the free cells offered in rows 2, 3, 4 and 5.
    const std::pair<const char*, const char*> cases[] = {
        {"3>..... 4<<<<<<", "0500"}, {"3>>>>>. 4<<<<<<", "0100"}, {"3>>>>>> 4<<<<<<", "6006"}};
    for (const auto& [rows, offered] : cases)
    {
        GameTitle match;
        SetBoard(match, rows, 0, 3);
        int cells[MaxBallCells][2];
        std::string counts = "0000";
        for (int i = CollectBallCells(match.CurrentBoard(), cells) - 1; i >= 0; --i)
        {
            ++counts.at(static_cast<std::size_t>(cells[i][1] - 2));
        }
        EXPECT_EQ(offered, counts) << rows;
    }
}
