// Tests of the title screen as the shell draws it: every line where the layout puts it, and the
// computer's levels offered only while no friend is in.
#include "app/shell.h"
#include "display/canvas.h"
#include "display/font.h"
#include "display/pictures.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>
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
// the help pieces each one space after the text before it, and the keys of the computer's
// levels keep to the free band right of the picture, with whole glyphs at 640 x 480.
TEST(TitleScreen, LinesStandWhereTheLayoutPutsThemAndTheLevelsOnlyWithoutAFriend)
{
    std::fill(std::begin(Pictures[0]), std::end(Pictures[0]), 0);
    Pictures[0][0 * 64 + 63] = 8;  // top-left cell of the picture, (32, 71)
    Pictures[0][63 * 64 + 14] = 5; // the first free row above the help lines, (95, 22)
    const struct
    {
        const char* text;
        int x, y;
        unsigned char colour;
        int scale;
    } lines[] = {
        {"brasswick", 28, 83, 3, 2},
        {"tumblequay", 23, 71, 3, 2},
        {"<>", 28, 16, 9, 1},
        {"rotate", 44, 16, 1, 1},
        {"^", 72, 16, 9, 1},
        {"move", 82, 16, 1, 1},
        {"&", 28, 9, 9, 1},
        {"switch teammate", 38, 9, 1, 1},
        {"get ball to any goal to score", 7, 2, 1, 1},
        {"vs cpu", 97, 55, 1, 1},
        {"1", 97, 47, 9, 1},
        {"easy", 102, 47, 1, 1},
        {"2", 97, 40, 9, 1},
        {"normal", 102, 40, 1, 1},
        {"3", 97, 33, 9, 1},
        {"hard", 102, 33, 1, 1},
    };
    ClearCanvas();
    std::vector<unsigned char> withFriend;
    for (std::size_t n = 0; n < std::size(lines); ++n)
    {
        if (n == 2) // the picture over the title lines, under the help lines
        {
            ScreenCells[32 * CanvasHeight + 71] = 8;
            ScreenCells[95 * CanvasHeight + 22] = 5;
        }
        withFriend = n == 9 ? Canvas() : withFriend; // before "vs cpu"
        DrawText(lines[n].text, lines[n].x, lines[n].y, lines[n].colour, lines[n].scale);
    }
    const std::vector<unsigned char> alone = Canvas();
    EXPECT_EQ(TitleFrame(false), alone);
    EXPECT_EQ(TitleFrame(true), withFriend);
    EXPECT_LE(102 + TextWidth("normal"), CanvasWidth); // the widest line, clipped by nothing
    std::fill(std::begin(Pictures[0]), std::end(Pictures[0]), 0);
}
