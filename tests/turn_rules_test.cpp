// Tests of the match rules: steps, pushes, swaps, goals, the ball's return and the win. The
// kept replays walk the set-up, the turn's timing and its keys.
#include "headless.h"
#include "match/controls.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <type_traits>

// The shell deletes a match through a pointer to its scene.
static_assert(std::has_virtual_destructor_v<GameState>);

TEST(TurnRules, ForwardStepPushesTheWholeLineOrSwapsWithAStuckBall)
{
    const char* cases[][3] = {
        // Row 3 before and after the player at '>' steps right, and the sounds: only the
        // unit right in front of the player says "push".
        {">.....", ".>....", "step@1"}, {">^Do..", ".>^Do.", "push@2 step@1"},
        {"..>RUo", "..>RUo", ""},       // a line; one at the edge
        {"...>Uo", "...>Uo", ""},       // a stuck ball inside a line is never swapped
        {"...>oR", "...o>R", "swap@4"}, // a stuck ball changes places with the player
    };
    for (const auto& [before, after, sounds] : cases)
    {
        GameTitle match;
        SetBoard(match, std::string("3") + before,
                 static_cast<int>(std::strchr(before, '>') - before), 3);
        ReadyHeadless(1);
        match.GameState::KeyDown(ActionUp); // held for one step
        match.Step();
        match.GameState::KeyUp(ActionUp);
        EXPECT_EQ(sounds, Heard()) << before;
        EXPECT_EQ(sounds[0] != '\0' ? 8 : 9, match.movesLeft); // a failed step is free
        std::string row = "......";                            // as SetBoard reads it
        for (const auto& [id, unit] : match.units)
        {
            row[unit.column] = unit.team < 0 ? 'o' : ">^<vRULD"[4 * unit.team + unit.facing];
            // Whatever moved glides from its old cell, a swapped ball the other way.
            const int slide = unit.busy == 0 ? 0 : unit.team < 0 && sounds[1] == 'w' ? 7 : -7;
            EXPECT_TRUE(unit.slideX == slide && (unit.busy == 0 || unit.busy == 13)) << before;
        }
        EXPECT_EQ(after, row) << before;
    }
}

// A new match sounds its ball. A ball pushed into a goal row scores for the team on turn; 32
// steps later a new ball comes to a free cell of row 3 or 4, or of row 2 or 5 when those are
// full, and with no move left the turn passes. The fifth goal wins, and no ball comes.
TEST(TurnRules, AGoalBringsANewBallUnlessItIsTheFifthWhichWins)
{
    const std::tuple<int, const char*, int> cases[] = {
        {0, "5..U... 6..o...", 3},
        {0, "5..U... 6..o... 3>>>>>. 4<<<<<<", 3},
        {0, "5..U... 6..o... 3>>>>>> 4<<<<<<", 2},
        {4, "5..U... 6..o...", -1},
    };
    for (const auto& [goals, rows, ballRow] : cases)
    {
        ReadyHeadless(1);
        GameTitle match;
        SetBoard(match, rows, 2, 5, 1);
        match.currentTeam = 1;
        match.teamScore[1] = goals;
        match.GameState::KeyDown(ActionUp); // held for one step
        match.Step();
        match.GameState::KeyUp(ActionUp);
        for (int step = 0; step < 14 + 33; ++step)
        {
            match.Step();
        }
        const Unit& last = match.units.rbegin()->second;
        EXPECT_EQ(ballRow, last.type == UnitBall ? std::min(last.row, 7 - last.row) : -1) << rows;
        EXPECT_TRUE(match.teamScore[1] == goals + 1 && match.teamScore[0] == 0);
        EXPECT_EQ(goals == 4, match.gameOver && match.winner == 1);
        EXPECT_EQ(std::string("ball push@2 step@2 score") + (goals < 4 ? " ball" : "") + " end",
                  Heard());
    }
}
