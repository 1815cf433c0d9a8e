// Tests of the match screen: layout, marker, counts, banner, layers and the dissolve.
#include "display/canvas.h"
#include "display/pictures.h"
#include "match/match_draw.h"
#include "match_board.h"

#include <cstring>
#include <gtest/gtest.h>

namespace
{
// One player of team 1 on cell (1, 1), selected.
const Board Lone = {"......", "......", "......", "......", "......", "......", ".L....", "......"};

unsigned char Cell(int x, int y)
{
    return ScreenCells[x * CanvasHeight + y];
}

void DrawFrame(GameTitle& match)
{
    std::memset(Pictures, 0, sizeof Pictures);
    ClearCanvas();
    match.Draw();
}

// How many cells of the rectangle hold the colour, and the rightmost column holding it.
std::pair<int, int> FindColour(unsigned char colour, int left, int bottom, int right, int top)
{
    std::pair<int, int> found{0, -1};
    for (int x = left; x <= right; ++x)
    {
        for (int y = bottom; y <= top; ++y)
        {
            found = Cell(x, y) == colour ? std::pair{found.first + 1, x} : found;
        }
    }
    return found;
}
} // namespace

TEST(MatchDraw, GoalZonesLabelsPanelsFramesAndMarker)
{
    GameTitle match;
    SetBoard(match, Lone, 1, 1);
    match.currentTeam = 1;
    for (std::uint32_t step : {0u, 7u, 8u, 15u, 16u})
    {
        match.stepCount = step;
        DrawFrame(match);
        // The marker: one cell inside cell (1, 1), which spans x 40..51 and y 12..23.
        const unsigned char ring = step % 16 < 8 ? FrameColour : TeamFrameColour(1);
        EXPECT_TRUE(Cell(41, 13) == ring && Cell(50, 22) == ring && Cell(45, 13) == ring);
        EXPECT_TRUE(Cell(40, 12) == 0 && Cell(42, 14) == GoalColour);
    }
    EXPECT_GT(FindColour(3, 42, 14, 49, 21).first, 5); // the player's sprite over it
    int ink = 0;
    for (int y = 0; y < CanvasHeight; ++y)
    {
        EXPECT_TRUE(Cell(LeftFrame, y) == FrameColour && Cell(RightFrame, y) == FrameColour);
        for (int x = 0; x < LeftFrame && y >= 24; ++x)
        {
            ASSERT_TRUE(Cell(x, y) == 7 + x % 2 && Cell(127 - x, y) == 8 - x % 2) << x;
        }
        for (int x = BoardLeft; x <= BoardRight && y < GoalZoneHeight; ++x)
        {
            const bool label = Cell(x, y) == LabelColour;
            EXPECT_TRUE(label ? x >= 56 && x <= 71 : Cell(x, y) == GoalColour);
            // The top label is the bottom one turned by a half turn.
            EXPECT_EQ(label ? LabelColour : GoalColour, Cell(127 - x, 95 - y)) << x << "," << y;
            ink += label;
        }
    }
    EXPECT_GT(ink, 10);
}

TEST(MatchDraw, ScoresMoveCountAndBannerOverTheTeamsHalf)
{
    GameTitle match;
    SetBoard(match, Lone, 1, 1, 7);
    std::pair<int, int> previous{0, 125};
    for (int score : {0, 42, 12345})
    {
        match.teamScore[1] = score;
        DrawFrame(match);
        const auto digits = FindColour(TeamTextColour(1), 64, 0, 127, 15);
        EXPECT_GT(digits.first, previous.first); // more digits, all ending at the right edge
        EXPECT_EQ(previous.second, digits.second) << score;
        previous = digits;
    }
    for (int team = 0; team < 2; ++team)
    {
        match.currentTeam = team;
        match.turnBanner = true;
        match.gameOver = false;
        DrawFrame(match);
        const int cx = 42 * (team + 1);
        const int own = team == 0 ? 0 : 101;
        EXPECT_GT(FindColour(FrameColour, own, 16, own + 26, 20).first, 0); // "7"
        EXPECT_GT(FindColour(6, own, 16, own + 26, 20).first, 0);           // "moves"
        EXPECT_EQ(0, FindColour(FrameColour, 101 - own, 16, 127 - own, 20).first);
        EXPECT_TRUE(Cell(cx - 30, 40) == TeamFrameColour(team) &&
                    Cell(cx + 29, 55) == TeamFrameColour(team));
        EXPECT_TRUE(Cell(cx - 29, 41) == Black && Cell(cx + 28, 54) == Black);
        EXPECT_GT(FindColour(TeamTextColour(team), cx - 29, 41, cx - 1, 54).first, 10);
        EXPECT_GT(FindColour(TeamTextColour(team), cx, 41, cx + 28, 54).first, 10);

        match.gameOver = true; // deciding the match takes both away at once
        match.endCountdown = EndSteps;
        DrawFrame(match);
        EXPECT_EQ(0, FindColour(Black, 0, 0, 127, 95).first);
        EXPECT_EQ(0, FindColour(FrameColour, own, 16, own + 26, 20).first);
    }
}

TEST(MatchDraw, PicturesOverPanelsOverEffectsUnderUnits)
{
    GameTitle match;
    SetBoard(match, Lone, 1, 1);
    match.turnBanner = true;
    for (int x : {82, 17, 20}) // canvas columns 110, 45 and 48
    {
        match.effects.push_back(
            {EffectDebris, x * 64, (x == 17 ? 17 : 30) * 64, 0, 0, 5, 1, false});
    }
    DrawFrame(match);
    EXPECT_EQ(7, Cell(110, 30)); // the panel covers the fragment
    EXPECT_EQ(5, Cell(48, 30));
    EXPECT_NE(5, Cell(45, 17));             // the player covers this one
    Pictures[1][42 * PictureSide + 16] = 9; // on the banner, canvas (42, 48)
    Pictures[2][46 * PictureSide + 8] = 1;  // on the right panel, canvas (110, 40)
    ClearCanvas();
    match.Draw();
    EXPECT_TRUE(Cell(42, 48) == 9 && Cell(110, 40) == 1);
    std::memset(Pictures, 0, sizeof Pictures);
}

TEST(MatchDraw, ScreenDissolvesToBlackUnderTheResult)
{
    GameTitle match;
    SetBoard(match, Lone, 1, 1);
    match.gameOver = true;
    match.winner = 0;
    bool blackBefore[CanvasCells] = {};
    for (int countdown : {240, 200, 120, 40, 2, 1, 0})
    {
        match.endCountdown = countdown;
        DrawFrame(match);
        const int text = FindColour(6, 0, 0, 127, 95).first; // "win" and "lose" stay on top
        int black = 0;
        for (int i = 0; i < CanvasCells; ++i)
        {
            EXPECT_TRUE(!blackBefore[i] || ScreenCells[i] == Black || ScreenCells[i] == 6);
            blackBefore[i] = ScreenCells[i] == Black;
            black += blackBefore[i];
        }
        EXPECT_GT(text, 40);
        const double share =
            countdown <= 1 ? 1.0 - text / 12288.0 : (240.0 - countdown) * 51 / 12288;
        EXPECT_NEAR(share, black / 12288.0, countdown <= 1 ? 1e-9 : 0.05) << countdown;
    }
}
