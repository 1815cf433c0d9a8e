// Tests of the title screen as the shell draws it: every line where the layout puts it, and the
// computer's levels offered only while no friend is in.
#include "app/shell.h"
#include "display/canvas.h"
#include "display/font.h"
#include "display/pictures.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace
{
std::vector<unsigned char> Canvas()
{
    return {std::begin(ScreenCells), std::end(ScreenCells)};
}

std::vector<unsigned char> TitleFrame(bool friendIn)
{
    ResetShell();
    FriendJoined = friendIn;
    DrawFrame();
    ResetShell();
    return Canvas();
}
} // namespace

// Picture 0 covers the middle but not the help lines; the title lines are centred at scale 2,
// the help pieces each one space after the text before it, the pointer to the rules in the band
// left of the picture, and the keys of the computer's
// levels keep to the free band right of the picture, with whole glyphs at 640 x 480.
TEST(TitleScreen, LinesStandWhereTheLayoutPutsThemAndTheLevelsOnlyWithoutAFriend)
{
    std::fill(std::begin(Pictures[0]), std::end(Pictures[0]), 0);
    Pictures[0][0 * 64 + 63] = 8;  // top-left cell of the picture, (32, 71)
    Pictures[0][63 * 64 + 14] = 5; // the first free row above the help lines, (95, 22)
    // Each text with its column, row, colour and scale.
    std::istringstream texts("brasswick|tumblequay|<>|rotate|^|move|&|switch teammate|get ball to "
                             "any goal to score|r|rules|vs cpu|1|easy|2|normal|3|hard");
    const int at[][4] = {{28, 83, 3, 2}, {23, 71, 3, 2},  {28, 16, 9, 1}, {44, 16, 1, 1},
                         {72, 16, 9, 1}, {82, 16, 1, 1},  {28, 9, 9, 1},  {38, 9, 1, 1},
                         {7, 2, 1, 1},   {3, 63, 9, 1},   {11, 63, 1, 1}, {97, 55, 1, 1},
                         {97, 47, 9, 1}, {102, 47, 1, 1}, {97, 40, 9, 1}, {102, 40, 1, 1},
                         {97, 33, 9, 1}, {102, 33, 1, 1}};
    ClearCanvas();
    std::vector<unsigned char> withFriend;
    std::string text;
    for (int n = 0; std::getline(texts, text, '|'); ++n)
    {
        if (n == 2) // the picture over the title lines, under the help lines
        {
            ScreenCells[32 * CanvasHeight + 71] = 8;
            ScreenCells[95 * CanvasHeight + 22] = 5;
        }
        withFriend = n == 11 ? Canvas() : withFriend; // before "vs cpu"
        DrawText(text.c_str(), at[n][0], at[n][1], static_cast<unsigned char>(at[n][2]), at[n][3]);
    }
    const std::vector<unsigned char> alone = Canvas();
    EXPECT_EQ(TitleFrame(false), alone);
    EXPECT_EQ(TitleFrame(true), withFriend);
    EXPECT_LE(102 + TextWidth("normal"), CanvasWidth); // the widest line, clipped by nothing
    std::fill(std::begin(Pictures[0]), std::end(Pictures[0]), 0);
}
