// Tests of reading picture files and drawing pictures.
#include "display/pictures.h"

#include "display/canvas.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace
{
std::int32_t Picture[PictureCells];

// Reads a picture from the given text as if it were a file.
void ReadFromText(const std::string& text)
{
    std::FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    ASSERT_NE(stream, nullptr);
    ReadPicture(stream, Picture);
    std::fclose(stream);
}

std::int32_t At(int x, int y)
{
    return Picture[x * PictureSide + y];
}

std::string Numbers(int count)
{
    std::string text;
    for (int k = 1; k <= count; ++k)
    {
        text += std::to_string(k) + (k % 64 == 0 ? "\n" : " ");
    }
    return text;
}
} // namespace

TEST(Pictures, NumbersFillRowsFromTheBottomLeftUntilTheFirstBadToken)
{
    ReadFromText(Numbers(4100)); // numbers past the last cell are ignored
    EXPECT_EQ(std::tuple(At(0, 0), At(63, 0), At(0, 1), At(63, 63)), std::tuple(1, 64, 65, 4096));

    const std::pair<std::string, int> cases[] = {
        {Numbers(100), 100},                        // a short file
        {"1 2 3 4 x 6 7", 4},                       // not a number
        {"1 2 3 4 2147483648 6", 4},                // too large for 32 bits
        {"1 2 -2147483649 4", 2},                   // too small
        {"1 2 3 4 - 5", 4},                         // sign without digits
        {"1 2 3 4 " + std::string(100000, '9'), 4}, // endless digits
    };
    for (const auto& [text, valuesRead] : cases)
    {
        ReadFromText(Numbers(4096)); // every cell set before
        ReadFromText(text);
        EXPECT_EQ(PictureCells - std::count(Picture, Picture + PictureCells, 0), valuesRead)
            << text.substr(0, 40);
    }

    ReadFromText("\t-7\r\n+8  2147483647\n-2147483648 12abc 5");
    EXPECT_EQ(std::tuple(At(0, 0), At(1, 0), At(2, 0), At(3, 0), At(4, 0), At(5, 0)),
              std::tuple(-7, 8, 2147483647, INT32_MIN, 12, 0));
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
