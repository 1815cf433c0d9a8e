// Tests of drawing pictures. How picture files are read the picture fuzzer checks against
// formatted integer input, on the kept cases of tests/fuzz/regressions/picture/ and on
// whatever it finds.
#include "display/pictures.h"

#include "display/canvas.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

TEST(Pictures, DrawPictureWritesLowBitsOfNonZeroCellsAndClipsAtTheEdges)
{
    std::fill(std::begin(Pictures[1]), std::end(Pictures[1]), 0);
    Pictures[1][0 * 64 + 0] = 6;       // lowest left corner
    Pictures[1][63 * 64 + 63] = 0x104; // only its low 8 bits are drawn
    Pictures[1][5 * 64 + 9] = -1;      // black
    ClearCanvas();
    ScreenCells[40 * CanvasHeight + 50] = 3; // a zero picture cell leaves this alone
    DrawPicture(1, 32, 64);
    EXPECT_EQ(std::tuple(ScreenCells[0 * CanvasHeight + 32], ScreenCells[63 * CanvasHeight + 95],
                         ScreenCells[5 * CanvasHeight + 41], ScreenCells[40 * CanvasHeight + 50]),
              std::tuple(6, 4, 255, 3));

    // Near an edge only the part on the canvas is drawn, with nothing wrapping round.
    std::fill(std::begin(Pictures[1]), std::end(Pictures[1]), 2);
    ClearCanvas();
    DrawPicture(1, 120, 2);
    DrawPicture(3, 64, 48); // no such pictures: nothing drawn
    DrawPicture(-1, 64, 48);
    for (int x = 0; x < CanvasWidth; ++x)
    {
        for (int y = 0; y < CanvasHeight; ++y)
        {
            const bool inside = x >= 88 && y <= 33;
            ASSERT_EQ(ScreenCells[x * CanvasHeight + y], inside ? 2 : 0) << x << "," << y;
        }
    }
    std::fill(std::begin(Pictures[1]), std::end(Pictures[1]), 0);
}
