// Tests of reading picture files and drawing pictures.
#include "display/pictures.h"

#include "display/canvas.h"

#include <cstdlib>
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

std::string Numbers(int count, int first = 1)
{
    std::string text;
    for (int k = 0; k < count; ++k)
    {
        text += std::to_string(first + k) + (k % 64 == 63 ? "\n" : " ");
    }
    return text;
}

unsigned char Cell(int x, int y)
{
    return ScreenCells[x * CanvasHeight + y];
}
} // namespace

TEST(Pictures, NumbersFillRowsFromTheBottomLeft)
{
    ReadFromText(Numbers(4096));
    EXPECT_EQ(At(0, 0), 1);
    EXPECT_EQ(At(63, 0), 64);
    EXPECT_EQ(At(0, 1), 65);
    EXPECT_EQ(At(63, 63), 4096);

    // Any white space between numbers reads the same; extra numbers are ignored.
    std::string spaced = "\n\t  ";
    for (int k = 1; k <= 4100; ++k)
    {
        spaced += std::to_string(k) + (k % 3 == 0 ? "\t\t" : (k % 5 == 0 ? "\r\n" : "   "));
    }
    const std::vector<std::int32_t> plain(Picture, Picture + PictureCells);
    ReadFromText(spaced);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), Picture));
}

TEST(Pictures, ReadingStopsAtTheFirstBadToken)
{
    struct Case
    {
        std::string text;
        int valuesRead;
    };
    const Case cases[] = {
        {Numbers(100), 100},                        // short file
        {"1 2 3 4 x 6 7", 4},                       // not a number
        {"1 2 3 4 2147483648 6", 4},                // too large for 32 bits
        {"1 2 -2147483649 4", 2},                   // too small
        {"1 2 3 4 - 5", 4},                         // sign without digits
        {"1 2 3 4 " + std::string(100000, '9'), 4}, // endless digits
        {"", 0},
    };
    for (const Case& c : cases)
    {
        ReadFromText(c.text);
        int nonZero = 0;
        for (std::int32_t value : Picture)
        {
            nonZero += value != 0;
        }
        EXPECT_EQ(nonZero, c.valuesRead) << c.text.substr(0, 40);
    }
    ReadFromText(Numbers(100));
    EXPECT_EQ(At(35, 1), 100);
    EXPECT_EQ(At(36, 1), 0);

    ReadFromText("-7 +8 2147483647 -2147483648 12abc 5");
    EXPECT_EQ(At(0, 0), -7);
    EXPECT_EQ(At(1, 0), 8);
    EXPECT_EQ(At(2, 0), 2147483647);
    EXPECT_EQ(At(3, 0), -2147483647 - 1);
    EXPECT_EQ(At(4, 0), 12);
    EXPECT_EQ(At(5, 0), 0);
}

TEST(Pictures, LoadPicturesReadsEachFileAndSkipsMissingOnes)
{
    const std::filesystem::path old = std::filesystem::current_path();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tq_pictures_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "dat");
    std::ofstream(folder / "dat" / "ms0.txt") << Numbers(4096);
    std::ofstream(folder / "dat" / "ms2.txt") << "3 x 9";
    Pictures[1][0] = 77; // left over from before: a missing file leaves the picture empty
    std::filesystem::current_path(folder);
    LoadPictures();
    std::filesystem::current_path(old);
    std::filesystem::remove_all(folder);

    EXPECT_EQ(Pictures[0][63 * 64 + 63], 4096);
    for (std::int32_t value : Pictures[1])
    {
        EXPECT_EQ(value, 0);
    }
    EXPECT_EQ(Pictures[2][0], 3);
    EXPECT_EQ(Pictures[2][64], 0);
}

TEST(Pictures, DrawPictureWritesLowBitsOfNonZeroCellsOnTheCanvas)
{
    for (std::int32_t& value : Pictures[1])
    {
        value = 0;
    }
    Pictures[1][0 * 64 + 0] = 6;       // lowest left corner
    Pictures[1][63 * 64 + 63] = 0x104; // only its low 8 bits are drawn
    Pictures[1][5 * 64 + 9] = -1;      // black
    ClearCanvas();
    ScreenCells[40 * CanvasHeight + 50] = 3; // a zero picture cell leaves this alone
    DrawPicture(1, 32, 64);
    EXPECT_EQ(Cell(0, 32), 6);
    EXPECT_EQ(Cell(63, 95), 4);
    EXPECT_EQ(Cell(5, 41), 255);
    EXPECT_EQ(Cell(40, 50), 3);

    // Near an edge only the part on the canvas is drawn, with nothing wrapping round.
    for (std::int32_t& value : Pictures[1])
    {
        value = 2;
    }
    ClearCanvas();
    DrawPicture(1, 120, 2);
    int drawn = 0;
    for (int x = 0; x < CanvasWidth; ++x)
    {
        for (int y = 0; y < CanvasHeight; ++y)
        {
            if (Cell(x, y) != 0)
            {
                ++drawn;
                EXPECT_TRUE(x >= 88 && y <= 33) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(drawn, 40 * 34);
    DrawPicture(3, 64, 48);
    DrawPicture(-1, 64, 48);
    for (std::int32_t& value : Pictures[1])
    {
        value = 0;
    }
}
