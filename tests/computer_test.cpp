// Tests of the computer opponent: its choices on boards where one answer is right, its play at
// the keys, and that its thinking allocates nothing and leaves the match's random draws alone.
// How it paces its keys in a whole match the kept replay against the hard computer shows.
#include "computer/estimate.h"
#include "computer/pace.h"
#include "headless.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <tuple>

// Every allocation of this program is counted, so that a test can see the computer's thinking
// make none.
namespace
{
std::atomic<long> Allocations = 0;

// Easy's moves at the keys since the count was set to 0, as letters: 'F' forward, 'L' left, 'R'
// right, 'S' switch.
char EasyMoves[16];
int EasyMoveCount = 0;

ComputerMove LoggedEasyMove(const Board& board, int selected, int movesLeft)
{
    const ComputerMove move = LevelPolicy(LevelEasy)(board, selected, movesLeft);
    EasyMoves[EasyMoveCount < 16 ? EasyMoveCount++ : 15] = "FLRS"[move];
    return move;
}
} // namespace

void* operator new(std::size_t size)
{
    ++Allocations;
    void* block = std::malloc(size == 0 ? 1 : size);
    return block != nullptr ? block : (std::abort(), nullptr);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

// Boards where one answer is right, for team 0's selected player and its moves left, and what
// every level makes of them: the first move of easy, normal and hard ('F' forward, 'L' left, 'R'
// right, '*' any), and whether each level at the keys scores within the turn: hard plans the
// whole turn, normal 5 moves ahead, and easy 2, walking its player to the ball and pushing it on
// the way it faces: a goal straight ahead it walks into, one behind the ball it never walks round
// to. On the last boards team 1 stands ready to push the ball in next turn, and the move given
// keeps it out: hard always makes it, while easy and normal, blind to the other team, leave some
// of those threats open. Thinking allocates nothing and draws none of the game's random numbers:
// those are the match's alone, so that a replay plays back without the planner.
TEST(Planner, EveryLevelScoresWhatItSeesAndOnlyHardClosesEveryThreat)
{
    // The rows, the selected player's column and row, its moves, the first moves of easy, normal
    // and hard, their goals at the keys within the turn, and the move that keeps team 1's goal
    // out ('-': none threatens).
    const std::tuple<const char*, int, int, int, const char*, const char*, char> boards[] = {
        {"2..v... 1..o... 6L....L", 2, 2, 9, "FF*", "111", '-'},
        {"7L....L 3..>... 1..o...", 2, 3, 3, "**R", "111", '-'},
        {"3..v... 2..R... 1..o...", 2, 3, 1, "**F", "111", '-'}, // a line
        {"2....^. 4....o.", 4, 2, 4, "*FF", "111", '-'},         // four moves off, straight on
        {"0....^. 2....o.", 4, 0, 9, "F*F", "101", '-'},         // up to row 7
        {"2..o... 1.....<", 5, 1, 9, "*FF", "111", '-'},         // along the row first
        {"3..>o.. 6L....L", 2, 3, 9, "F**", "001", '-'},         // round the ball first
        {"2..v... 1..o... 0..R...", 2, 2, 1, "***", "000", '-'}, // stuck
        // Pushed away over a piece of team 0 that keeps it from going down; at the edge by
        // changing places.
        {"7L..... 2...D.. 1..>o.. 0....^.", 2, 1, 1, "**F", "000", 'F'},
        {"7L..... 2.....D 1....>o 0....^.", 4, 1, 1, "**F", "000", 'F'},
        {"3....D. 2...>o. 6L.....", 3, 2, 1, "**F", "000", 'F'},
        {"3....D. 2...>o. 6L..... 5^.....", 3, 2, 1, "**F", "000", 'F'},
        {"4....D. 3....o. 2...>.. 6L.....", 3, 2, 2, "**F", "000", 'F'},
        // Into the goal cell below the ball, where easy's way to the ball does not go.
        {"2..D... 1..o... 0.^....", 1, 0, 2, "F*R", "000", 'R'},
    };
    for (const ComputerLevel level : {LevelEasy, LevelNormal, LevelHard})
    {
        int open = 0;
        for (const auto& [rows, column, row, moves, firsts, scores, keeper] : boards)
        {
            SCOPED_TRACE(testing::Message() << level << " " << rows << " " << moves);
            InitPlanner();
            GameTitle match;
            SetBoard(match, rows, column, row, moves);
            const Board board = match.CurrentBoard();
            const long allocated = Allocations;
            const std::uint64_t drawn = ReadRandState();
            const char first =
                "FLRS"[ChooseLevelMove(level, board, PieceAt(board, column, row), moves)];
            EXPECT_TRUE(firsts[level - 1] == '*' || firsts[level - 1] == first);
            open += keeper != '-' && first != keeper;
            ComputerPlayer computer = MakeComputerPlayer(0, LevelPolicy(level));
            EXPECT_EQ(drawn, ReadRandState()); // the match's own draws come with its keys
            long thinking = Allocations - allocated;
            for (int step = 0; step < 3000 && match.teamScore[0] == 0; ++step)
            {
                const long before = Allocations;
                TickComputerPlayer(computer, match);
                thinking += Allocations - before;
                match.Step();
            }
            EXPECT_EQ(0, thinking);
            EXPECT_EQ(scores[level - 1] - '0', match.teamScore[0]);
        }
        EXPECT_EQ(level != LevelHard, open > 0) << level;
    }
}

// With the ball out of its sight, easy walks its player towards it; without a ball, or with the
// ball walled in by other pieces, to the middle, near which the next one comes. Nor does it waste
// its moves where the ball stands stuck: it never turns straight back the way it just turned, nor
// takes three quarter turns one way for one the other. A weak player, not a lost one.
TEST(Planner, EasyWalksTowardsABallOutOfSightAndNeverTurnsBack)
{
    // The rows, the selected player's column and row, its moves, the cell it walks towards, and
    // the most cells it ends its turn away from it.
    const std::tuple<const char*, int, int, int, int, int, int> boards[] = {
        {"4o..... 0.....>", 5, 0, 9, 0, 4, 3},                         // far off, facing the wall
        {"3.....o 0v.....", 0, 0, 9, 5, 3, 3},                         // behind the player's back
        {"5.o.... 3RRR... 0.^....", 1, 0, 9, 1, 5, 3},                 // beyond the other team
        {"0v.....", 0, 0, 9, 2, 3, 2},                                 // no ball
        {"5D..... 2RDv... 1.o>... 0..^...", 2, 2, 9, 2, 3, 2},         // the ball walled in
        {"7.<.... 6o^L... 5L..... 4.^.... 3R.....", 1, 4, 9, 2, 3, 2}, // so too
        // Stuck at the wall, and in lines that cannot move.
        {"6o..... 5U>.L.. 3..>.L. 1.>....", 1, 5, 4, 0, 6, 2},
        {"7..^... 6..D... 5....U. 3D..... 2>..... 1o..... 0^.....", 0, 2, 5, 0, 1, 2},
        {"6..>.>. 5.L.... 4.o.<.. 3.....L 1..R...", 3, 4, 9, 1, 4, 3},
    };
    for (const auto& [rows, column, row, moves, toColumn, toRow, within] : boards)
    {
        SCOPED_TRACE(rows);
        InitPlanner();
        GameTitle match;
        SetBoard(match, rows, column, row, moves);
        const Unit& player = match.units.at(match.selectedId);
        ComputerPlayer computer = MakeComputerPlayer(0, LoggedEasyMove);
        EasyMoveCount = 0;
        for (int step = 0; step < 3000 && match.currentTeam == 0; ++step)
        {
            TickComputerPlayer(computer, match);
            match.Step();
        }
        const std::string made(EasyMoves, static_cast<std::size_t>(EasyMoveCount));
        EXPECT_EQ(moves, EasyMoveCount) << made;
        for (const char* wasted : {"LR", "RL", "LLL", "RRR"})
        {
            EXPECT_EQ(std::string::npos, made.find(wasted)) << made;
        }
        EXPECT_LE(std::abs(player.column - toColumn) + std::abs(player.row - toRow), within)
            << made;
    }
}

// The estimate a level values a board by: a player who needs m moves to score, the others
// standing still, scores in every turn of m moves or more, any length from 4 to 9 as likely: a
// goal that takes the whole turn counts, one a move longer does not.
TEST(Planner, ATeamScoresInEveryTurnWithTheMovesItsGoalTakes)
{
    // The rows, team 0's one player's column and row, and the moves its goal takes.
    const std::tuple<const char*, int, int, int> boards[] = {
        {"5..v... 4..o...", 2, 5, 4},          // pushed straight down
        {"6..v... 5..o...", 2, 6, 5},          // so too
        {"7..v... 6..o...", 2, 7, 6},          // so too
        {"7..>... 6..o...", 2, 7, 7},          // a turn first
        {"7..^... 6..o...", 2, 7, 8},          // two
        {"7.^.... 6..o... 5.L.L..", 1, 7, 9},  // a turn, a step, a turn: below is further
        {"7^..... 6..o... 5.L.L..", 0, 7, 10}, // two steps between: a move too many
    };
    for (const auto& [rows, column, row, moves] : boards)
    {
        SCOPED_TRACE(rows);
        GameTitle match;
        SetBoard(match, rows, column, row);
        const Board board = match.CurrentBoard();
        const int found = MovesToScore(board, PieceAt(board, column, row));
        EXPECT_TRUE(moves <= 9 ? found == moves : found > 9) << found;
        const int lengths = std::clamp(10 - moves, 0, 6); // of the turn's six lengths
        EXPECT_FLOAT_EQ(static_cast<float>(lengths) / 6.0f, TeamScoreChance(board, 0));
    }
}
