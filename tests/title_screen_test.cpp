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

// Picture 0 covers the middle but not the help lines; the keys of the computer's levels keep
// to the free band right of it, and are gone while a friend is in.
TEST(TitleScreen, LinesAndPictureStandWhereTheLayoutPutsThem)
{
    ComputerOffered = true; // as it is without a friend in
    std::fill(std::begin(Pictures[0]), std::end(Pictures[0]), 0);
    ComputerOffered = true;
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
    // At 640 x 480 a cell is 5 x 5 pixels: every text at scale 1 has whole glyphs in the band.
    DrawText("vs cpu", 97, 55, 1, 1);
    DrawText("1", 97, 47, 9, 1);
    DrawText("easy", 102, 47, 1, 1);
    DrawText("2", 97, 40, 9, 1);
    DrawText("normal", 102, 40, 1, 1);
    DrawText("3", 97, 33, 9, 1);
    DrawText("hard", 102, 33, 1, 1);
    EXPECT_EQ(drawn, Canvas());
    EXPECT_LE(102 + TextWidth("normal"), CanvasWidth); // the widest line, clipped by nothing

    ComputerOffered = false; // a friend is in: no choice of levels
    ClearCanvas();
    DrawTitleScreen();
    EXPECT_EQ(withoutHint, Canvas());
    std::fill(std::begin(Pictures[0]), std::end(Pictures[0]), 0);
}
