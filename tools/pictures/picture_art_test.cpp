// Tests of the picture art reader, its checks, and the data it writes for the game.
#include "tools/pictures/picture_art.h"

#include "display/pictures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace
{
std::string BlankLine()
{
    return std::string(ArtSide, '.');
}

// Art text of 64 blank lines with one character set at the given picture column and row.
std::string ArtWithCell(int x, int row, char character)
{
    std::string text;
    for (int line = 0; line < ArtSide; ++line)
    {
        std::string art = BlankLine();
        if (line == ArtSide - 1 - row)
        {
            art[x] = character;
        }
        text += art + "\n";
    }
    return text;
}
} // namespace

TEST(PictureArt, TopLineIsTopRowAndLegendGivesColours)
{
    std::string text = "; a remark before the art\r\n";
    for (int line = 0; line < ArtSide; ++line)
    {
        std::string art = BlankLine();
        if (line == 0)
        {
            art[0] = '9';
        }
        if (line == ArtSide - 1)
        {
            art[63] = '#';
        }
        text += art + (line == 1 ? "\r\n" : "\n");
        if (line == 30)
        {
            text += "; a remark between art lines\n";
        }
    }
    static PictureArt art;
    std::string error;
    ASSERT_TRUE(ParseArt(text, art, error)) << error;
    EXPECT_EQ(art.cells[0 * ArtSide + 63], 9);
    EXPECT_EQ(art.cells[63 * ArtSide + 0], 255);
    EXPECT_EQ(art.cells[1 * ArtSide + 63], 0);
    EXPECT_EQ(art.fileLines[63], 2);
    EXPECT_EQ(art.fileLines[0], 66);
}

TEST(PictureArt, RefusesMalformedArtNamingTheLine)
{
    const std::string good = ArtWithCell(0, 0, '.');
    struct Case
    {
        std::string text;
        const char* expected; // part of the message
    };
    const Case cases[] = {
        {good.substr(0, good.size() - 2) + "\n", "line 64: art line holds 63"},
        {good.substr(0, 10) + "." + good.substr(10), "line 1: art line holds 65"},
        {ArtWithCell(7, 40, 'x'), "line 24: column 8: unknown character 'x'"},
        {ArtWithCell(7, 40, '0'), "write '.'"},
        {good.substr(ArtSide + 1), "only 63 art lines"},
        {good + BlankLine() + "\n", "line 65: more than 64 art lines"},
        {"\n" + good, "line 1: art line holds 0"},
    };
    for (const Case& c : cases)
    {
        static PictureArt art;
        std::string error;
        EXPECT_FALSE(ParseArt(c.text, art, error)) << c.expected;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
}

TEST(PictureArt, RefusesColourWhereTheGameNeedsTheCellClear)
{
    struct Case
    {
        int picture, x, row;
        bool allowed;
    };
    const Case cases[] = {
        {0, 30, 13, false}, {0, 30, 14, true},  {0, 0, 63, false},  {0, 63, 62, true},
        {1, 26, 40, true},  {1, 27, 40, false}, {1, 63, 63, false}, {1, 12, 8, false},
        {1, 26, 23, false}, {1, 11, 8, true},   {1, 12, 24, true},  {1, 12, 7, true},
        {2, 37, 40, true},  {2, 36, 40, false}, {2, 0, 0, false},   {2, 49, 23, false},
        {2, 50, 23, true},  {2, 37, 7, true},
    };
    for (const Case& c : cases)
    {
        static PictureArt art;
        std::string error;
        ASSERT_TRUE(ParseArt(ArtWithCell(c.x, c.row, '4'), art, error)) << error;
        EXPECT_EQ(CheckClearAreas(c.picture, art, error), c.allowed)
            << "picture " << c.picture << " x " << c.x << " row " << c.row;
        if (!c.allowed)
        {
            const std::string where = "line " + std::to_string(ArtSide - c.row) + ": column " +
                                      std::to_string(c.x + 1) + " must be '.'";
            EXPECT_NE(error.find(where), std::string::npos) << error;
        }
    }
    static PictureArt empty;
    std::string error;
    ASSERT_TRUE(ParseArt(ArtWithCell(0, 0, '.'), empty, error));
    EXPECT_FALSE(CheckClearAreas(3, empty, error));
}

TEST(PictureArt, DataReadsBackIntoTheSameCells)
{
    static PictureArt art;
    std::string error;
    std::string text;
    for (int line = 0; line < ArtSide; ++line)
    {
        std::string row;
        for (int x = 0; x < ArtSide; ++x)
        {
            row += ".123456789#"[(x * 7 + line * 3) % 11];
        }
        text += row + "\n";
    }
    ASSERT_TRUE(ParseArt(text, art, error)) << error;

    // The game's own reader must find every cell where the art put it, and nothing more.
    const std::string data = FormatPictureData(art);
    std::FILE* stream = fmemopen(const_cast<char*>(data.data()), data.size(), "r");
    ASSERT_NE(stream, nullptr);
    static std::int32_t picture[PictureCells];
    ReadPicture(stream, picture);
    int extra = 0;
    EXPECT_EQ(std::fscanf(stream, "%d", &extra), EOF);
    std::fclose(stream);
    for (int i = 0; i < PictureCells; ++i)
    {
        ASSERT_EQ(picture[i], art.cells[i]) << "cell " << i;
    }
}
