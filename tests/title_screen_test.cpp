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
} // namespace

// Picture 0 covers the middle but not the help lines; the hint for a match against the
// computer keeps to the free band right of it.
TEST(TitleScreen, LinesAndPictureStandWhereTheLayoutPutsThem)
{
    ComputerOffered = true; // as it is without a friend in
    std::fill(std::begin(Pictures[0]), std::end(Pictures[0]), 0);
    Pictures[0][0 * 64 + 63] = 8;  // top-left cell of the picture, (32, 71)
    Pictures[0][63 * 64 + 14] = 5; // the first free row above the help lines, (95, 22)
    ClearCanvas();
    DrawTitleScreen();
    const std::vector<unsigned char> drawn = Canvas();

    // The same screen from fixed positions: the title lines centred at scale 2, the help
    // pieces each one space after the text before it.
    ClearCanvas();
    DrawText("brasswick", 28, 83, 3, 2);
    DrawText("tumblequay", 23, 71, 3, 2);
    ScreenCells[32 * CanvasHeight + 71] = 8;
    ScreenCells[95 * CanvasHeight + 22] = 5;
    DrawText("<>", 28, 16, 9, 1);
    DrawText("rotate", 44, 16, 1, 1);
    DrawText("^", 72, 16, 9, 1);
    DrawText("move", 82, 16, 1, 1);
    DrawText("&", 28, 9, 9, 1);
    DrawText("switch teammate", 38, 9, 1, 1);
    DrawText("get ball to any goal to score", 7, 2, 1, 1);
    const std::vector<unsigned char> withoutHint = Canvas();
    for (int n = 0; n < CanvasCells; ++n)
    {
        const int x = n / CanvasHeight, y = n % CanvasHeight;
        EXPECT_TRUE(drawn[n] == withoutHint[n] || (x >= 96 && y >= 21 && y <= 70)) << x << "," << y;
    }
    DrawText("1", 97, 40, 9, 1);
    DrawText("vs cpu", 104, 40, 1, 1);
    EXPECT_EQ(drawn, Canvas());
    std::fill(std::begin(Pictures[0]), std::end(Pictures[0]), 0);
}
