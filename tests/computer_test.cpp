// Tests of the computer opponent: its choices on boards where one answer is right, its play at
// the keys, and that its thinking allocates nothing and leaves the match's random draws alone.
// How it paces its keys in a whole match the kept replay against the hard computer shows.
#include "computer/pace.h"
#include "headless.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <tuple>

// Every allocation of this program is counted, so that a test can see the computer's thinking
// make none.
namespace
{
std::atomic<long> Allocations = 0;
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
// right, '*' any), and whether each level at the keys scores within the turn: easy plans 3 moves
// ahead, normal 5, hard the whole turn, and a goal further off is out of sight. On the last boards
// team 1 stands ready to push the ball in next turn and a forward step pushes it away: hard always
// does, while easy and normal, blind to the other team, leave some of those threats open. Thinking
// allocates nothing and draws none of the game's random numbers: those are the match's alone,
// so that a replay plays back without the planner.
TEST(Planner, EveryLevelScoresWhatItSeesAndOnlyHardClosesEveryThreat)
{
    // The rows, the selected player's column and row, its moves, the first moves of easy, normal
    // and hard, their goals at the keys within the turn, and whether team 1 threatens.
    const std::tuple<const char*, int, int, int, const char*, const char*, bool> boards[] = {
        {"2..v... 1..o... 6L....L", 2, 2, 9, "FF*", "111", false},
        {"7L....L 3..>... 1..o...", 2, 3, 3, "**R", "111", false},
        {"3..v... 2..R... 1..o...", 2, 3, 1, "**F", "111", false}, // a line
        {"2....^. 4....o.", 4, 2, 4, "*FF", "011", false},         // four moves off
        {"0....^. 2....o.", 4, 0, 9, "**F", "001", false},         // up to row 7
        {"2..o... 1.....<", 5, 1, 9, "*FF", "011", false},         // along the row first
        {"2..v... 1..o... 0..R...", 2, 2, 1, "***", "000", false}, // stuck
        // Pushed away over a piece of team 0 that keeps it from going down; at the edge by
        // changing places.
        {"7L..... 2...D.. 1..>o.. 0....^.", 2, 1, 1, "**F", "000", false},
        {"7L..... 2.....D 1....>o 0....^.", 4, 1, 1, "**F", "000", false},
        {"3....D. 2...>o. 6L.....", 3, 2, 1, "**F", "000", true},
        {"3....D. 2...>o. 6L..... 5^.....", 3, 2, 1, "**F", "000", true},
        {"4....D. 3....o. 2...>.. 6L.....", 3, 2, 2, "**F", "000", true},
    };
    for (const ComputerLevel level : {LevelEasy, LevelNormal, LevelHard})
    {
        int open = 0;
        for (const auto& [rows, column, row, moves, firsts, scores, threat] : boards)
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
            open += threat && first != 'F';
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
