// The match screen: everything a frame of the match shows, drawn into the canvas.
#include "match/match_draw.h"

#include "display/canvas.h"
#include "display/font.h"
#include "display/pictures.h"
#include "display/text_scratch.h"
#include "match/game_title.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace
{
constexpr int LabelBottom = 3;    // bottom row of the lower "goal" label
constexpr int ScoreScale = 2;     // canvas cells per font pixel of the scores
constexpr int ScoreMargin = 2;    // cells from the canvas edges to the scores
constexpr int MovesRow = 16;      // bottom row of the move count
constexpr int BannerTextRow = 46; // bottom row of the banner's text
constexpr int MarkerSide = 10;    // cells of the selection marker's square
constexpr int BannerWidth = 60;   // cells of the turn banner's box
constexpr int BannerHeight = 16;
constexpr int BannerBottom = 40;              // lowest row of the banner's box
constexpr unsigned char EvenStripeColour = 7; // panel columns with an even x
constexpr unsigned char OddStripeColour = 8;  // panel columns with an odd x
constexpr int BlinkBit = 8;                   // stepCount bit that blinks the marker's ring
constexpr int ComputerNameRow = 55;           // bottom row of its name over the result

// The bottom zone reads from below, the top one from above: its word is the bottom
// word turned by a half turn about the centre of the canvas.
void DrawGoalZones()
{
    FillRect(BoardLeft, 0, BoardRight, GoalZoneHeight - 1, GoalColour);
    FillRect(BoardLeft, CanvasHeight - GoalZoneHeight, BoardRight, CanvasHeight - 1, GoalColour);
    const int left = 64 - TextWidth("goal") / 2;
    DrawText("goal", left, LabelBottom, LabelColour, 1);
    DrawTextHalfTurned("goal", CanvasWidth - 1 - left, CanvasHeight - 1 - LabelBottom, LabelColour,
                       1);
}

// A 10 x 10 square one cell inside the selected player's cell, following its slide; the
// ring blinks between the frame colour and the team's colour every 8 steps.
void DrawMarker(const GameTitle& match)
{
    const auto selected = match.units.find(match.selectedId);
    if (selected == match.units.end())
    {
        return; // nobody selected yet
    }
    const int ux = selected->second.x / SubCell;
    const int uy = selected->second.y / SubCell;
    const unsigned char ring =
        (match.stepCount & BlinkBit) != 0 ? TeamFrameColour(match.currentTeam) : FrameColour;
    for (int i = 1; i <= MarkerSide; ++i)
    {
        for (int j = 1; j <= MarkerSide; ++j)
        {
            const bool edge = i == 1 || j == 1 || i == MarkerSide || j == MarkerSide;
            PlotCell(ux + BoardLeft - 6 + i, uy - 6 + j, edge ? ring : GoalColour);
        }
    }
}

// Stripes on both sides and the frame lines, a whole column at a time: the panels mirror
// each other, and as 127 - x has the other parity than x, every panel column with an even
// x is colour 7 and every odd one colour 8.
void DrawPanels()
{
    for (int x = 0; x < LeftFrame; ++x)
    {
        const int mirrored = CanvasWidth - 1 - x;
        FillRect(x, 0, x, CanvasHeight - 1, x % 2 == 0 ? EvenStripeColour : OddStripeColour);
        FillRect(mirrored, 0, mirrored, CanvasHeight - 1,
                 mirrored % 2 == 0 ? EvenStripeColour : OddStripeColour);
    }
    FillRect(LeftFrame, 0, LeftFrame, CanvasHeight - 1, FrameColour);
    FillRect(RightFrame, 0, RightFrame, CanvasHeight - 1, FrameColour);
}

// Team 0's score in the lower-left corner, team 1's flush with the right edge; the move
// count in the panel of the team whose turn it is.
void DrawCounts(const GameTitle& match)
{
    std::snprintf(TextScratch, TextScratchSize, "%d", match.teamScore[0]);
    DrawText(TextScratch, ScoreMargin, ScoreMargin, TeamTextColour(0), ScoreScale);
    std::snprintf(TextScratch, TextScratchSize, "%d", match.teamScore[1]);
    DrawText(TextScratch, CanvasWidth - ScoreScale * TextWidth(TextScratch), ScoreMargin,
             TeamTextColour(1), ScoreScale);
    if (match.gameOver)
    {
        return; // the result replaces the turn's texts
    }
    std::snprintf(TextScratch, TextScratchSize, "%d", match.movesLeft);
    const int left = 1 + (RightFrame + 1) * match.currentTeam;
    DrawText(TextScratch, left, MovesRow, FrameColour, 1);
    DrawText("moves", left + TextWidth(TextScratch), MovesRow, MovesWordColour, 1);
}

// A black box with the team's frame over that team's half, naming the player whose turn
// it is.
void DrawBanner(const GameTitle& match)
{
    if (!match.turnBanner || match.gameOver)
    {
        return;
    }
    const int team = match.currentTeam;
    const int cx = 42 * (team + 1);
    const int left = cx - BannerWidth / 2;
    const int right = cx + BannerWidth / 2 - 1;
    const int top = BannerBottom + BannerHeight - 1;
    FillRect(left, BannerBottom, right, top, TeamFrameColour(team));
    FillRect(left + 1, BannerBottom + 1, right - 1, top - 1, Black);
    if (team == match.computerTeam)
    {
        std::snprintf(TextScratch, TextScratchSize, "%s turn", LevelName(match.computerLevel));
    }
    else
    {
        std::snprintf(TextScratch, TextScratchSize, "player %d turn", team + 1);
    }
    DrawText(TextScratch, cx - TextWidth(TextScratch) / 2, BannerTextRow, TeamTextColour(team), 1);
}

// At the end of a match against the computer, its level over its half, above the result.
void DrawComputerName(const GameTitle& match)
{
    if (match.computerTeam < 0)
    {
        return; // two people played
    }
    const char* name = LevelName(match.computerLevel);
    const int centre = match.computerTeam == 0 ? 32 : 96;
    DrawText(name, centre - TextWidth(name) / 2, ComputerNameRow,
             TeamTextColour(match.computerTeam), 1);
}

// The end's dissolve turns cell n = 96x + y black once (7381 + 33333 n) mod 12288 is below
// (240 - countdown) * 51: a fixed scattered order, about 51 more cells in 12288 per step.
// For whole numbers, k < 51 s exactly when k / 51 < s, so k / 51 is the step of the dissolve
// from which on the cell is black, 0..240. n is also the cell's index in ScreenCells.
constexpr std::array<unsigned char, CanvasCells> MakeDissolveSteps()
{
    std::array<unsigned char, CanvasCells> steps{};
    for (int n = 0; n < CanvasCells; ++n)
    {
        steps[n] = static_cast<unsigned char>((7381 + 33333 * n) % CanvasCells / 51);
    }
    return steps;
}
// Per cell index: the step of the dissolve from which the cell is black, 0..240.
constexpr std::array<unsigned char, CanvasCells> DissolveSteps = MakeDissolveSteps();

// Blackens the cells that the dissolve has reached with countdown steps left, and every
// cell from 1 on. The plain select over whole byte arrays lets the compiler do many cells
// at once.
void DrawDissolve(int countdown)
{
    if (countdown <= 1)
    {
        std::memset(ScreenCells, Black, sizeof ScreenCells);
        return;
    }
    const int elapsed = EndSteps - countdown;
    if (elapsed <= 0)
    {
        return; // nothing dissolved yet
    }
    const auto reached = static_cast<unsigned char>(elapsed);
    for (int n = 0; n < CanvasCells; ++n)
    {
        ScreenCells[n] = DissolveSteps[n] < reached ? Black : ScreenCells[n];
    }
}
} // namespace

void GameTitle::Draw()
{
    DrawGoalZones();
    DrawMarker(*this);
    DrawEffects();
    DrawUnits();
    DrawEndText();
    DrawPanels();
    DrawCounts(*this);
    DrawBanner(*this);
    DrawPicture(1, 32, 64);
    DrawPicture(2, 96, 64);
    if (!gameOver)
    {
        return;
    }
    DrawDissolve(endCountdown);
    DrawEndText();
    DrawComputerName(*this);
}
