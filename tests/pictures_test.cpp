// Tests of reading and drawing pictures. The picture fuzzer also checks the reading against
// formatted integer input, on the kept cases of tests/fuzz/regressions/picture/ and on whatever
// it finds.
#include "display/pictures.h"

#include "display/canvas.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// Number k of a file lands in column k mod 64 of row k / 64, rows from the bottom; numbers are
// read as formatted input reads them (white space of any kind, a sign), and the first token that
// is not a number, or not one of 32 bits, ends the picture: the rest stays transparent, as it
// does after the 4096th number.
TEST(Pictures, ReadPictureFillsRowsFromTheBottomUpToTheFirstBadNumber)
{
    std::string all;
    std::vector<int> counted;
    for (int k = 1; k <= PictureCells + 1; ++k)
    {
        all += std::to_string(k) + " ";
        counted.push_back(k);
    }
    for (auto [text, numbers] : {
             std::pair{all, counted},
             {"7\t-2\n+3 \v\r\f2147483647 -2147483648 05",
              {7, -2, 3, 2147483647, -2147483647 - 1, 5}},
             {"1 2 2147483648 4", {1, 2}},
             {"1 -2147483649 4", {1}},
             {"1 99999999999999999999 3", {1}},
             {"1 2 x3 4", {1, 2}},
             {"1 - 4", {1}},
             {"1-2+3x4", {1, -2, 3}},
         })
    {
        std::FILE* stream = fmemopen(text.data(), text.size(), "r");
        std::vector<std::int32_t> picture(PictureCells, 1);
        ReadPicture(stream, picture.data());
        std::fclose(stream);
        for (int k = 0; k < PictureCells; ++k)
        {
            const int expected = k < static_cast<int>(numbers.size()) ? numbers[k] : 0;
            ASSERT_EQ(picture[k % PictureSide * PictureSide + k / PictureSide], expected)
                << text.substr(0, 20) << " " << k;
        }
    }
}

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
