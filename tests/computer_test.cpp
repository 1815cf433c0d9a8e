// Tests of the computer opponent: its choices on boards where one answer is right, its pace at
// the keys, and that its thinking leaves the match's random draws alone.
#include "computer/pace.h"
#include "match/controls.h"
#include "match_board.h"
#include "platform/rand.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>

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
// allocates nothing.
TEST(Planner, EveryLevelScoresWhatItSeesAndOnlyHardClosesEveryThreat)
{
    const struct
    {
        const char* rows;
        int column, row, moves;
        const char* firsts; // easy, normal, hard
        const char* scores; // at the keys, for easy, normal and hard: '1' within the turn
        bool threat;
    } boards[] = {
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
        for (const auto& at : boards)
        {
            SCOPED_TRACE(testing::Message() << level << " " << at.column << at.row << at.moves);
            InitPlanner();
            GameTitle match;
            SetBoard(match, at.rows, at.column, at.row, at.moves);
            const Board board = match.CurrentBoard();
            const int selected = PieceAt(board, at.column, at.row);
            const long allocated = Allocations;
            const char first = "FLRS"[ChooseLevelMove(level, board, selected, at.moves)];
            EXPECT_TRUE(at.firsts[level - 1] == '*' || at.firsts[level - 1] == first);
            open += at.threat && first != 'F';
            ComputerPlayer computer = MakeComputerPlayer(0, LevelPolicy(level));
            long thinking = Allocations - allocated;
            for (int step = 0; step < 3000 && match.teamScore[0] == 0; ++step)
            {
                const long before = Allocations;
                TickComputerPlayer(computer, match);
                thinking += Allocations - before;
                match.Step();
            }
            EXPECT_EQ(0, thinking);
            EXPECT_EQ(at.scores[level - 1] - '0', match.teamScore[0]);
        }
        EXPECT_EQ(level != LevelHard, open > 0) << level;
    }
}

// Two computers play a match to its end, one key at a time, spending every move of each turn;
// the levels take the decisions in turn. Their thinking never draws the game's random numbers:
// those are the match's alone, so that a replay plays back without the planner. When the
// computer presses its keys the kept replay against the hard computer shows.
TEST(ComputerPlayer, PlaysAMatchToItsEndAndLeavesTheGamesDrawsAlone)
{
    static int decisions = 0, draws = 0;
    const MovePolicy watched = [](const Board& board, int selected, int movesLeft)
    {
        const std::uint64_t before = ReadRandState();
        const auto level = static_cast<ComputerLevel>(LevelEasy + decisions++ % 3);
        const ComputerMove move = ChooseLevelMove(level, board, selected, movesLeft);
        draws += ReadRandState() != before;
        return move;
    };
    SeedRand(4);
    InitPlanner();
    GameTitle match;
    ComputerPlayer computers[2] = {MakeComputerPlayer(0, watched), MakeComputerPlayer(1, watched)};
    int turns = 0;
    for (int step = 0; step < 100000 && !match.finished; ++step)
    {
        const int team = match.currentTeam, moves = match.movesLeft;
        TickComputerPlayer(computers[0], match);
        TickComputerPlayer(computers[1], match);
        match.Step();
        ASSERT_LE(match.heldCount, 1) << step;
        EXPECT_TRUE(match.currentTeam == team || moves == 0) << step;
        turns += match.currentTeam != team;
    }
    EXPECT_TRUE(match.finished && turns > 6 && decisions > 100 && draws == 0) << draws;
}
