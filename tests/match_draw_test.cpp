// Tests of the match screen: layout, marker, counts, banner, layers, the dissolve and the
// result.
#include "display/canvas.h"
#include "display/font.h"
#include "display/pictures.h"
#include "headless.h"
#include "match/match_draw.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace
{
unsigned char Cell(int x, int y)
{
    return ScreenCells[x * CanvasHeight + y];
}

std::vector<unsigned char> DrawFrame(GameTitle& match)
{
    ClearCanvas();
    match.Draw();
    return std::vector<unsigned char>(ScreenCells, ScreenCells + CanvasCells);
}

int CountColour(unsigned char colour, int left, int bottom, int right, int top)
{
    int count = 0;
    for (int x = left; x <= right; ++x)
    {
        for (int y = bottom; y <= top; ++y)
        {
            count += Cell(x, y) == colour;
        }
    }
    return count;
}
} // namespace

TEST(MatchDraw, TheBoardPanelsCountsAndBannerEachInItsPlaceAndLayer)
{
    std::memset(Pictures, 0, sizeof Pictures);
    GameTitle match;
    SetBoard(match, "1.L....", 1, 1, 7); // one player of team 1, selected
    match.currentTeam = 1;
    match.effects.push_back({EffectDebris, 82 * 64, 17 * 64, 0, 0, 5, 1, false}); // column 110
    match.effects.push_back({EffectDebris, 17 * 64, 17 * 64, 0, 0, 5, 1, false}); // column 45
    for (std::uint32_t step : {0u, 7u, 8u, 15u, 16u})
    {
        match.stepCount = step;
        DrawFrame(match);
        // The marker: one cell inside cell (1, 1), which spans x 40..51 and y 12..23.
        const unsigned char ring = step % 16 < 8 ? FrameColour : TeamFrameColour(1);
        EXPECT_TRUE(Cell(41, 13) == ring && Cell(50, 22) == ring && Cell(45, 13) == ring);
        EXPECT_TRUE(Cell(40, 12) == 0 && Cell(42, 14) == GoalColour);
    }
    // Team 1's colours on the player, over the marker and a fragment; the panel over another.
    EXPECT_TRUE(CountColour(3, 42, 14, 49, 21) > 5 && Cell(45, 17) != 5);
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
    Pictures[2][46 * PictureSide + 8] = 1; // on the right panel, canvas (110, 40)
    DrawFrame(match);
    std::memset(Pictures, 0, sizeof Pictures);
    EXPECT_EQ(1, Cell(110, 40));
    // The scores flush with the edges, the move count and the banner over the half of the team
    // whose turn it is.
    int previous = 0;
    for (int score : {0, 42, 12345})
    {
        match.teamScore[1] = score;
        DrawFrame(match);
        const int digits = CountColour(TeamTextColour(1), 64, 0, 125, 15);
        EXPECT_TRUE(digits > previous && CountColour(TeamTextColour(1), 124, 2, 125, 11) > 0 &&
                    CountColour(TeamTextColour(1), 126, 0, 127, 15) == 0);
        previous = digits;
    }
    EXPECT_GT(CountColour(TeamTextColour(0), 2, 2, 11, 11), 10); // team 0's "0"
    match.computerTeam = 1; // the computer's banner names its level
    match.computerLevel = LevelHard;
    for (int team = 0; team < 2; ++team)
    {
        match.currentTeam = team;
        match.turnBanner = true;
        match.gameOver = false;
        DrawFrame(match);
        const int cx = 42 * (team + 1);
        const int own = team == 0 ? 0 : 101;
        EXPECT_TRUE(CountColour(FrameColour, own, 16, own + 4, 20) > 0 && // "7"
                    CountColour(FrameColour, own + 4, 16, own + 26, 20) == 0 &&
                    CountColour(6, own + 4, 16, own + 26, 20) > 0 && // "moves"
                    CountColour(FrameColour, 101 - own, 16, 127 - own, 20) == 0);
        EXPECT_TRUE(Cell(cx - 30, 40) == TeamFrameColour(team) &&
                    Cell(cx + 29, 55) == TeamFrameColour(team));
        EXPECT_TRUE(Cell(cx - 29, 41) == Black && Cell(cx + 28, 54) == Black);
        // The banner's text on its five rows from row 46, no higher nor lower.
        const int bannerText = CountColour(TeamTextColour(team), cx - 29, 46, cx + 28, 50);
        ClearCanvas();
        DrawText(team == 0 ? "player 1 turn" : "hard turn", 0, 0, 1, 1);
        EXPECT_EQ(bannerText, CountColour(1, 0, 0, 127, 95)) << "the banner names team " << team;
        match.gameOver = true; // deciding the match takes both away at once
        DrawFrame(match);
        EXPECT_EQ(0, CountColour(Black, 0, 0, 127, 95) + CountColour(9, own, 16, own + 26, 20));
    }
}

TEST(MatchDraw, ScreenDissolvesToBlackInItsFixedOrderUnderTheResult)
{
    GameTitle match;
    SetBoard(match, "1.L....", 1, 1);
    match.turnBanner = true;
    // Each side's result, and the computer's level over its half.
    const char* texts[3][3] = {
        {"", "game over", ""}, {"win", "lose", "normal"}, {"lose", "win", "easy"}};
    for (int winner = -1; winner <= 1; ++winner)
    {
        match.winner = winner;
        match.computerTeam = winner < 0 ? -1 : 1;
        match.computerLevel = winner == 0 ? LevelNormal : LevelEasy;
        match.gameOver = true;
        match.endCountdown = EndSteps;
        const std::vector<unsigned char> undissolved = DrawFrame(match);
        for (int countdown : {239, 170, 2, 1, 0})
        {
            // Cell n = 96x + y turns black once (7381 + 33333 n) mod 12288 is below
            // (240 - countdown) * 51, and every cell from countdown 1 on. Team 0's result
            // shows on the left half and team 1's on the right, over the black.
            for (int n = 0; n < CanvasCells; ++n)
            {
                const bool black =
                    countdown <= 1 || (7381 + 33333 * n) % 12288 < (240 - countdown) * 51;
                ScreenCells[n] = black ? Black : undissolved[n];
            }
            const char* const* text = texts[winner + 1]; // left, right, the computer's name
            DrawText(text[0], 32 - TextWidth(text[0]), 42, 6, 2);
            DrawText(text[1], (winner < 0 ? 64 : 96) - TextWidth(text[1]), 42, 6, 2);
            DrawText(text[2], 96 - TextWidth(text[2]) / 2, 55, 4, 1);
            const std::vector<unsigned char> expected(ScreenCells, ScreenCells + CanvasCells);
            match.endCountdown = countdown;
            EXPECT_EQ(expected, DrawFrame(match)) << winner << " " << countdown;
        }
    }
}
