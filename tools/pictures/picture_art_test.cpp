// Tests of the picture art reader, its checks, and the data it writes for the game.
#include "tools/pictures/picture_art.h"

#include "display/pictures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

namespace
{
PictureArt Art;

// Art text of 64 blank lines with one character set at the given picture column and row.
std::string ArtWithCell(int x, int row, char character)
{
    std::string text;
    for (int line = 0; line < ArtSide; ++line)
    {
        text += std::string(ArtSide, '.') + "\n";
    }
    text[(ArtSide - 1 - row) * (ArtSide + 1) + x] = character;
    return text;
}
} // namespace

TEST(PictureArt, TopLineIsTopRowAndLegendGivesColours)
{
    std::string text = ArtWithCell(0, 63, '9');
    text[63 * (ArtSide + 1) + 63] = '#';                               // bottom row, last column
    text.insert(31 * (ArtSide + 1), "; a remark between art lines\n"); // after 31 art lines
    text.insert(2 * (ArtSide + 1) - 1, "\r");                          // a CR ends line 2
    text = "; a remark before the art\r\n" + text;
    std::string error;
    ASSERT_TRUE(ParseArt(text, Art, error)) << error;
    EXPECT_EQ(Art.cells[0 * ArtSide + 63], 9);
    EXPECT_EQ(Art.cells[63 * ArtSide + 0], 255);
    EXPECT_EQ(Art.cells[1 * ArtSide + 63], 0);
    EXPECT_EQ(Art.fileLines[63], 2);
    EXPECT_EQ(Art.fileLines[0], 66);
}

TEST(PictureArt, RefusesMalformedArtNamingTheLine)
{
    const std::string good = ArtWithCell(0, 0, '.');
    const std::pair<std::string, const char*> cases[] = {
        {good.substr(0, good.size() - 2) + "\n", "line 64: art line holds 63"},
        {ArtWithCell(7, 40, 'x'), "line 24: column 8: unknown character 'x'"},
        {ArtWithCell(7, 40, '0'), "write '.'"},
        {good.substr(ArtSide + 1), "only 63 art lines"},
        {good + good.substr(0, ArtSide + 1), "line 65: more than 64 art lines"},
    };
    for (const auto& [text, expected] : cases)
    {
        std::string error;
        EXPECT_FALSE(ParseArt(text, Art, error)) << expected;
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }
}

TEST(PictureArt, RefusesColourWhereTheGameNeedsTheCellClear)
{
    const std::tuple<int, int, int, bool> cases[] = {
        // picture, x, row, allowed
        {0, 30, 13, false}, {0, 30, 14, true}, {0, 0, 63, false},  {1, 26, 40, true},
        {1, 27, 40, false}, {1, 12, 8, false}, {1, 11, 8, true},   {1, 26, 23, false},
        {1, 12, 24, true},  {2, 37, 40, true}, {2, 36, 40, false}, {2, 49, 23, false},
        {2, 50, 23, true},
    };
    std::string error;
    for (const auto& [picture, x, row, allowed] : cases)
    {
        ASSERT_TRUE(ParseArt(ArtWithCell(x, row, '4'), Art, error)) << error;
        EXPECT_EQ(CheckClearAreas(picture, Art, error), allowed)
            << "picture " << picture << " x " << x << " row " << row;
        const std::string where = "line " + std::to_string(ArtSide - row) + ": column " +
                                  std::to_string(x + 1) + " must be '.'";
        EXPECT_TRUE(allowed || error.find(where) != std::string::npos) << error;
    }
    EXPECT_FALSE(CheckClearAreas(3, Art, error));
}

TEST(PictureArt, DataReadsBackIntoTheSameCells)
{
    std::string text;
    for (int i = 0; i < ArtCells; ++i)
    {
        text += ".123456789#"[(i * 7 + i / ArtSide) % 11];
        text += i % ArtSide == ArtSide - 1 ? "\n" : "";
    }
    std::string error;
    ASSERT_TRUE(ParseArt(text, Art, error)) << error;

    // The game's own reader must find every cell where the art put it, and nothing more.
    const std::string data = FormatPictureData(Art);
    std::FILE* stream = fmemopen(const_cast<char*>(data.data()), data.size(), "r");
    ASSERT_NE(stream, nullptr);
    static std::int32_t picture[PictureCells];
    ReadPicture(stream, picture);
    int extra = 0;
    EXPECT_EQ(std::fscanf(stream, "%d", &extra), EOF);
    std::fclose(stream);
    for (int i = 0; i < PictureCells; ++i)
    {
        ASSERT_EQ(picture[i], Art.cells[i]) << "cell " << i;
    }
}
