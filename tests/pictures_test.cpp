// Tests of reading picture files and drawing pictures.
#include "display/pictures.h"

#include "display/canvas.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

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
    EXPECT_EQ(At(0, 0), 1);
    EXPECT_EQ(At(63, 0), 64);
    EXPECT_EQ(At(0, 1), 65);
    EXPECT_EQ(At(63, 63), 4096);

    const std::pair<std::string, int> cases[] = {
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
    ReadFromText(Numbers(100)); // a short file
    EXPECT_EQ(At(35, 1), 100);
    EXPECT_EQ(At(36, 1), 0);

    ReadFromText("\t-7\r\n+8  2147483647\n-2147483648 12abc 5");
    EXPECT_EQ(At(0, 0), -7);
    EXPECT_EQ(At(1, 0), 8);
    EXPECT_EQ(At(2, 0), 2147483647);
    EXPECT_EQ(At(3, 0), -2147483647 - 1);
    EXPECT_EQ(At(4, 0), 12);
    EXPECT_EQ(At(5, 0), 0);
}

TEST(Pictures, LoadPicturesReadsEachFileAndSkipsMissingOnes)
{
    namespace fs = std::filesystem;
    const fs::path old = fs::current_path();
    const fs::path folder = fs::temp_directory_path() / ("tq_pictures_" + std::to_string(getpid()));
    fs::create_directories(folder / "dat");
    std::ofstream(folder / "dat" / "ms0.txt") << Numbers(4096);
    std::ofstream(folder / "dat" / "ms2.txt") << "3 x 9";
    Pictures[1][0] = 77; // left over from before: a missing file leaves the picture empty
    fs::current_path(folder);
    LoadPictures();
    fs::current_path(old);
    fs::remove_all(folder);

    EXPECT_EQ(Pictures[0][63 * 64 + 63], 4096);
    EXPECT_EQ(std::count(std::begin(Pictures[1]), std::end(Pictures[1]), 0), PictureCells);
    EXPECT_EQ(Pictures[2][0], 3);
    EXPECT_EQ(Pictures[2][64], 0);
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
    EXPECT_EQ(ScreenCells[0 * CanvasHeight + 32], 6);
    EXPECT_EQ(ScreenCells[63 * CanvasHeight + 95], 4);
    EXPECT_EQ(ScreenCells[5 * CanvasHeight + 41], 255);
    EXPECT_EQ(ScreenCells[40 * CanvasHeight + 50], 3);

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
