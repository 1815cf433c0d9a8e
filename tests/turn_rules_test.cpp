// Tests of the match rules: steps, pushes, swaps, goals, the ball's return, the turn's
// timing and the win.
#include "match/controls.h"
#include "match_board.h"
#include "platform/rand.h"

#include <gtest/gtest.h>

namespace
{
const Board Empty = {"......", "......", "......", "......",
                     "......", "......", "......", "......"};

Board WithRow(int row, const char* cells, Board board = Empty)
{
    board[BoardRows - 1 - row] = cells;
    return board;
}

// One step with the given keys held, oldest first, released again afterwards.
void StepHolding(GameTitle& match, std::initializer_list<int> actions)
{
    for (int action : actions)
    {
        match.GameState::KeyDown(action);
    }
    match.Step();
    match.heldCount = 0;
}

// Steps until the turn passes; returns how many steps that took.
int StepsUntilTurnPasses(GameTitle& match)
{
    const int team = match.currentTeam;
    int steps = 0;
    while (match.currentTeam == team && steps < 200)
    {
        match.Step();
        ++steps;
    }
    return steps;
}

const Unit* FindBall(const GameTitle& match)
{
    for (const auto& [id, unit] : match.units)
    {
        if (unit.type == UnitBall)
        {
            return &unit;
        }
    }
    return nullptr;
}
} // namespace

TEST(TurnRules, ForwardStepPushesTheWholeLineOrSwapsWithAStuckBall)
{
    const struct
    {
        const char* row3;   // the player at '>' steps right
        const char* after;  // each unit's column afterwards, in id order
        const char* sounds; // only the unit right in front of the player says "push"
    } cases[] = {
        {">.....", "1", "38@1"},         {".....>", "5", ""},    // open cell; the edge
        {">^Do..", "1234", "35@2 38@1"}, {"..>RUo", "2345", ""}, // a line; one at the edge
        {"...>Uo", "345", ""},     // a stuck ball inside a line is never swapped
        {"....>o", "54", "40@5"},  // a stuck ball changes places with the player
        {"...>oR", "435", "40@4"}, // also in front of a stuck line
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.row3);
        GameTitle match;
        SetBoard(match, WithRow(3, c.row3), static_cast<int>(std::strchr(c.row3, '>') - c.row3), 3);
        SoundEar ear;
        StepHolding(match, {ActionUp});
        std::uint32_t id = 0;
        for (int from = 0; from < BoardColumns; ++from)
        {
            if (c.row3[from] != '.')
            {
                const int to = c.after[id++] - '0';
                EXPECT_EQ(to * 10 + 3, CellOf(match, id));
                EXPECT_EQ((from - to) * 7, match.units.at(id).slideX); // from its old cell
                EXPECT_EQ(to != from ? 13 : 0, match.units.at(id).busy);
            }
        }
        EXPECT_EQ(c.sounds[0] != '\0' ? 8 : 9, match.movesLeft); // a failed step is free
        EXPECT_EQ(c.sounds, ear.Heard());
    }
}

TEST(TurnRules, BallAtRestInEitherGoalRowScoresForTheTeamOnTurnAndComesBack)
{
    const char* pushers[2][2] = {{"..v...", "..^..."}, {"..D...", "..U..."}};
    for (int team = 0; team < 2; ++team)
    {
        for (int goalRow : {0, 7})
        {
            SCOPED_TRACE(team * 10 + goalRow);
            const int from = goalRow == 0 ? 2 : 5;
            GameTitle match;
            const Board board = WithRow(goalRow == 0 ? 1 : 6, "..o...");
            SetBoard(match, WithRow(from, pushers[team][goalRow / 7], board), 2, from);
            match.currentTeam = team;
            SoundEar ear;
            StepHolding(match, {ActionUp});
            int steps = 0;
            for (; match.teamScore[team] == 0 && steps < 100; ++steps)
            {
                match.Step();
            }
            EXPECT_EQ(14, steps);
            EXPECT_EQ(0, match.teamScore[1 - team]);
            EXPECT_EQ(nullptr, FindBall(match));
            EXPECT_EQ(32u, match.effects.size());
            for (steps = 0; FindBall(match) == nullptr && steps < 100; ++steps)
            {
                match.Step();
            }
            EXPECT_EQ(32, steps);
            EXPECT_TRUE(FindBall(match)->row == 3 || FindBall(match)->row == 4);
            EXPECT_EQ("35@2 38@2 36 33", ear.Heard());
        }
    }
}

TEST(TurnRules, NewBallPrefersTheMiddleRows)
{
    const Board middleFull = WithRow(3, ">>>>>>", WithRow(4, "<<<<<<"));
    const Board oneGap = WithRow(3, ">>>.>>", middleFull);
    bool rowSeen[BoardRows] = {};
    for (unsigned seed = 1; seed <= 40; ++seed)
    {
        SeedRand(seed);
        for (const Board* board : {&Empty, &middleFull, &oneGap})
        {
            GameTitle match;
            SetBoard(match, *board, 0, 0);
            match.RespawnBall();
            const Unit* ball = FindBall(match);
            ASSERT_NE(nullptr, ball);
            EXPECT_EQ(match.units.size(), ball->id); // the next id
            const bool middle = ball->row == 3 || ball->row == 4;
            EXPECT_EQ(board != &middleFull, middle);
            EXPECT_TRUE(board != &oneGap || CellOf(match, ball->id) == 33);
            rowSeen[ball->row] = true;
        }
    }
    EXPECT_TRUE(rowSeen[2] && rowSeen[3] && rowSeen[4] && rowSeen[5]);
}

TEST(TurnRules, TurnPassesOncePlayerAndBallHaveSettled)
{
    const Board players = WithRow(0, "^.^.^.", WithRow(7, ".....L"));
    const struct
    {
        Board board;
        int action, steps;
        const char* sounds;
    } cases[] = {
        {players, ActionUp, 14, "38@2 34"}, // after a last step
        {players, ActionA, 12, "39@2 34"},  // after a last turn
        {players, ActionS, 6, "34"},        // after a last switch by a player at rest
        {WithRow(1, "..o...", players), ActionW, 16, "35@2 38@2 34"}, // not while the ball slides
        {WithRow(6, "..o...", WithRow(5, "..^...", players)), ActionUp, 46,
         "35@2 38@2 36 33 34"}, // the pause after a goal
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.steps);
        GameTitle match;
        SetBoard(match, c.board, 2, c.steps == 46 ? 5 : 0, 1);
        SoundEar ear;
        if (c.action == ActionS)
        {
            match.Step(); // the player stands at rest
            match.KeyDown(ActionS);
        }
        else
        {
            StepHolding(match, {c.action});
        }
        ASSERT_EQ(0, match.movesLeft);
        match.GameState::KeyDown(ActionUp); // a key still held when the turn passes
        EXPECT_EQ(c.steps, StepsUntilTurnPasses(match));
        EXPECT_EQ(c.sounds, ear.Heard());
        EXPECT_TRUE(match.turnBanner && match.heldCount == 0);
        EXPECT_TRUE(match.movesLeft >= 4 && match.movesLeft <= 9);
        EXPECT_EQ(1, match.units.at(match.selectedId).team); // chosen in the same step
    }
}

TEST(TurnRules, HeldKeysActTogetherInPressOrderWhileMovesLast)
{
    const struct
    {
        std::initializer_list<int> held;
        int moves, cell, facing, movesAfter;
    } cases[] = {
        {{ActionLeft, ActionUp}, 2, 23, 1, 0},    // turn, then step up
        {{ActionUp, ActionA}, 2, 32, 1, 0},       // step right, then turn
        {{ActionLeft, ActionUp}, 1, 22, 1, 0},    // only the first key
        {{ActionUp, ActionW}, 9, 42, 0, 7},       // two cells at once
        {{ActionOther, ActionDown}, 9, 22, 0, 9}, // neither acts while held
    };
    for (const auto& c : cases)
    {
        GameTitle match;
        SetBoard(match, WithRow(2, "..>..."), 2, 2, c.moves);
        StepHolding(match, c.held);
        EXPECT_EQ(c.cell, CellOf(match, match.selectedId));
        EXPECT_EQ(c.facing, match.units.at(match.selectedId).facing);
        EXPECT_EQ(c.movesAfter, match.movesLeft);
    }
    // Held down, the forward key steps every 14 steps and a turn key turns every 12.
    for (const auto& [action, every] : {std::pair{ActionUp, 14}, {ActionRight, 12}})
    {
        GameTitle match;
        SetBoard(match, WithRow(0, "^....."), 0, 0);
        match.GameState::KeyDown(action);
        for (int step = 0; step < 3 * every + 1; ++step)
        {
            const int before = match.movesLeft;
            match.Step();
            EXPECT_EQ(before - (step % every == 0 ? 1 : 0), match.movesLeft) << step;
        }
    }
}

TEST(TurnRules, FifthGoalEndsTheMatchAndNoBallReturns)
{
    GameTitle match;
    SetBoard(match, WithRow(2, "..D...", WithRow(1, "..o...")), 2, 2);
    match.currentTeam = 1;
    match.teamScore[1] = 4;
    StepHolding(match, {ActionUp});
    int decided = 0;
    for (int step = 1; step <= 400 && !match.finished; ++step)
    {
        match.Step();
        if (match.gameOver && decided == 0)
        {
            decided = step;
            EXPECT_TRUE(match.teamScore[1] == 5 && match.winner == 1);
        }
        EXPECT_EQ(step < 14, FindBall(match) != nullptr) << step;
        EXPECT_TRUE(!match.finished || step == decided + 240) << step;
    }
    EXPECT_EQ(14, decided);
    EXPECT_TRUE(match.finished);
}
