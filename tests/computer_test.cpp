// Tests of the computer opponent: its choices on boards where one answer is right, its pace at
// the keys, and that its thinking leaves the match's random draws alone.
#include "computer/pace.h"
#include "match/controls.h"
#include "match_board.h"
#include "platform/rand.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

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
// every level makes of them: the planner's fewest moves to a scoring push, the first move of
// easy, normal and hard ('F' forward, 'L' left, 'R' right, '*' any), and whether each level
// at the keys scores within the turn: easy plans 3 moves ahead, normal 5, hard the whole turn,
// and a goal further off is out of sight. On the last boards team 1 stands ready to push the ball
// in next turn and a forward step pushes it away: hard always does, while easy and normal,
// blind to the other team, leave some of those threats open. Thinking allocates nothing.
TEST(Planner, EveryLevelScoresWhatItSeesAndOnlyHardClosesEveryThreat)
{
    const struct
    {
        const char* rows;
        int column, row, moves;
        int toScore;        // 99 for none in a turn, -1 not asked
        const char* firsts; // easy, normal, hard
        const char* scores; // at the keys, for easy, normal and hard: '1' within the turn
        bool threat;
    } boards[] = {
        {"2..v... 1..o... 6L....L", 2, 2, 9, 1, "FF*", "111", false},
        {"7L....L 3..>... 1..o...", 2, 3, 3, 3, "**R", "111", false},
        {"3..v... 2..R... 1..o...", 2, 3, 1, 1, "**F", "111", false},  // a line
        {"2....^. 4....o.", 4, 2, 4, 4, "*FF", "011", false},          // four moves off
        {"0....^. 2....o.", 4, 0, 9, 6, "**F", "001", false},          // up to row 7
        {"2..o... 1.....<", 5, 1, 9, 9, "*FF", "011", false},          // along the row first
        {"2..v... 1..o... 0..R...", 2, 2, 1, 99, "***", "000", false}, // stuck
        // Pushed away over a piece of team 0 that keeps it from going down; at the edge by
        // changing places.
        {"7L..... 2...D.. 1..>o.. 0....^.", 2, 1, 1, 7, "**F", "000", false},
        {"7L..... 2.....D 1....>o 0....^.", 4, 1, 1, 7, "**F", "000", false},
        {"3....D. 2...>o. 6L.....", 3, 2, 1, -1, "**F", "000", true},
        {"3....D. 2...>o. 6L.....", 3, 2, 2, -1, "**F", "000", true},
        {"3....D. 2...>o. 6L..... 5^.....", 3, 2, 1, -1, "**F", "000", true},
        {"4....D. 3....o. 2...>.. 6L.....", 3, 2, 2, -1, "**F", "000", true},
        {"4....D. 3....o. 2..>... 6L.....", 2, 2, 3, -1, "**F", "000", true},
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
            EXPECT_TRUE(at.toScore < 0 ||
                        at.toScore == std::min(MovesToScore(board, selected), 99));
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

// A player who cannot score alone in a turn may switch to a teammate who can: team 1's chance
// is more than the average over its players, each alone, and over 4 to 9 moves, whether the
// one who can score comes last or first.
TEST(Planner, ATeamsChanceCountsSwitchingToATeammateWhoCanScore)
{
    InitPlanner();
    for (const auto& [rows, scorerRow] :
         {std::pair{"7L....L 2..D... 1..o... 0>.....", 2}, {"6..o... 5..U... 0>...RR", 5}})
    {
        GameTitle match;
        SetBoard(match, rows, 0, 0);
        const Board board = match.CurrentBoard();
        float alone = 0.0f;
        for (int piece = 0; piece < board.count; ++piece)
        {
            const int moves = board.pieces[piece].team == 1 ? MovesToScore(board, piece) : 99;
            alone += static_cast<float>(std::clamp(10 - moves, 0, 6)) / 18.0f;
        }
        EXPECT_EQ(1, MovesToScore(board, PieceAt(board, 2, scorerRow)));
        EXPECT_GT(TeamScoreChance(board, 1), alone + 0.05f) << rows;
        EXPECT_LT(TeamScoreChance(board, 1), 1.0f);
    }
}

TEST(ComputerPlayer, TakesItsBannerAfterASecondThenOneMoveAKeyGapApart)
{
    SeedRand(4);
    InitPlanner();
    GameTitle match;
    ComputerPlayer computers[2] = {MakeComputerPlayer(0), MakeComputerPlayer(1)};
    match.Step();
    int turns = 0;
    int since = 0; // steps since the turn began, or since the last move
    for (int step = 0; turns < 6 && step < 5000; ++step)
    {
        const int team = match.currentTeam;
        const bool banner = match.turnBanner;
        const int moves = match.movesLeft;
        const std::uint32_t selected = match.selectedId;
        TickComputerPlayer(computers[0], match);
        TickComputerPlayer(computers[1], match);
        match.Step();
        ++since;
        ASSERT_LE(match.heldCount, 1); // one key at a time
        if (match.currentTeam != team)
        {
            EXPECT_EQ(0, moves) << step; // every move of the turn was spent
            ++turns;
            since = 0;
        }
        else if (banner && !match.turnBanner)
        {
            EXPECT_EQ(BannerWaitSteps + 1, since) << step; // about a second
            since = 0;
        }
        else if (match.movesLeft != moves || match.selectedId != selected)
        {
            EXPECT_EQ(KeyGapSteps + 1, since) << step; // about 0.4 s
            since = 0;
        }
    }
    EXPECT_EQ(6, turns);
}

// The levels take the decisions in turn: easy, normal, hard, easy, ...
TEST(ComputerPlayer, ThinkingLeavesTheMatchsDrawsAloneAndEveryMatchEnds)
{
    // The moves the computer chose, replayed at the same pace without any thinking.
    static std::vector<ComputerMove> chosen;
    static std::size_t replayed = 0;
    const MovePolicy record = [](const Board& board, int selected, int movesLeft)
    {
        const auto level = static_cast<ComputerLevel>(LevelEasy + chosen.size() % 3);
        chosen.push_back(ChooseLevelMove(level, board, selected, movesLeft));
        return chosen.back();
    };
    const MovePolicy replay = [](const Board&, int, int)
    { return replayed < chosen.size() ? chosen[replayed++] : MoveLeft; };
    std::string boards[2];
    int draws[2] = {};
    for (int run = 0; run < 2; ++run)
    {
        SeedRand(9);
        InitPlanner();
        GameTitle match;
        const MovePolicy policy = run == 0 ? record : replay;
        ComputerPlayer computers[2] = {MakeComputerPlayer(0, policy),
                                       MakeComputerPlayer(1, policy)};
        match.Step();
        for (int step = 0; step < 100000 && !match.finished; ++step)
        {
            TickComputerPlayer(computers[0], match);
            TickComputerPlayer(computers[1], match);
            match.Step();
        }
        EXPECT_TRUE(match.finished);
        for (int row = 0; row < BoardRows; ++row)
        {
            boards[run] += RowOf(match, row);
        }
        draws[run] = Rand();
    }
    EXPECT_GT(chosen.size(), 100u);
    EXPECT_EQ(chosen.size(), replayed);
    EXPECT_EQ(boards[0], boards[1]);
    EXPECT_EQ(draws[0], draws[1]);
}

// The move a policy chooses is the key the computer presses: one press later the player has
// stepped or turned, or (its row unchanged) been switched away from, for one move.
TEST(ComputerPlayer, PressesTheKeyOfTheChosenMove)
{
    static ComputerMove forced = MoveForward;
    const std::pair<ComputerMove, const char*> cases[] = {{MoveForward, "...>.."},
                                                          {MoveLeft, "..^..."},
                                                          {MoveRight, "..v..."},
                                                          {MoveSwitch, "..>..."}};
    for (const auto& [move, row3] : cases)
    {
        forced = move;
        GameTitle match;
        SetBoard(match, "3..>... 6^..... 0.....o", 2, 3, 5);
        ComputerPlayer computer =
            MakeComputerPlayer(0, [](const Board&, int, int) { return forced; });
        computer.wait = 0;
        for (int step = 0; step < KeyGapSteps; ++step)
        {
            TickComputerPlayer(computer, match);
            match.Step();
        }
        EXPECT_EQ(row3, RowOf(match, 3)) << move;
        EXPECT_EQ(4, match.movesLeft) << move;
    }
}
