// Tests of the title screen's layout.
#include "app/title_screen.h"

#include "display/canvas.h"
#include "display/font.h"
#include "display/pictures.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace
{
std::vector<unsigned char> Canvas()
{
    return {std::begin(ScreenCells), std::end(ScreenCells)};
}

void ClearPicture(int n)
{
    std::fill(std::begin(Pictures[n]), std::end(Pictures[n]), 0);
}
} // namespace

TEST(TitleScreen, LinesStandWhereTheLayoutPutsThem)
{
    ClearPicture(0);
    ClearCanvas();
    DrawTitleScreen();
    const std::vector<unsigned char> drawn = Canvas();

    // The same screen from fixed positions: the title lines centred at scale 2, the help
    // pieces each one space after the text before it.
    ClearCanvas();
    DrawText("brasswick", 28, 83, 3, 2);
    DrawText("tumblequay", 23, 71, 3, 2);
    DrawText("<>", 28, 16, 9, 1);
    DrawText("rotate", 44, 16, 1, 1);
    DrawText("^", 72, 16, 9, 1);
    DrawText("move", 82, 16, 1, 1);
    DrawText("&", 28, 9, 9, 1);
    DrawText("switch teammate", 38, 9, 1, 1);
    DrawText("get ball to any goal to score", 7, 2, 1, 1);
    EXPECT_EQ(drawn, Canvas());

    // The widest line ends at column 122; nothing reaches the right edge.
    for (int x = 123; x < CanvasWidth; ++x)
    {
        for (int y = 0; y < CanvasHeight; ++y)
        {
            EXPECT_EQ(drawn[x * CanvasHeight + y], 0);
        }
    }
}

TEST(TitleScreen, PictureZeroCoversTheMiddleButNotTheHelp)
{
    ClearPicture(0);
    Pictures[0][0 * 64 + 63] = 8;  // top-left cell of the picture, (32, 71)
    Pictures[0][63 * 64 + 14] = 5; // the first free row above the help lines, (95, 22)
    ClearCanvas();
    DrawTitleScreen();
    EXPECT_EQ(ScreenCells[32 * CanvasHeight + 71], 8);
    EXPECT_EQ(ScreenCells[95 * CanvasHeight + 22], 5);
    ClearPicture(0);
}
