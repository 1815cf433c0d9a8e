// Tests of text measuring and drawing with the bitmap font.
#include "display/font.h"

#include "display/canvas.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace
{
// Draws the text alone on a cleared canvas and returns the canvas.
std::vector<unsigned char> Drawn(const char* text, int x, int y, int scale)
{
    ClearCanvas();
    DrawText(text, x, y, 1, scale);
    return {std::begin(ScreenCells), std::end(ScreenCells)};
}

int Lit(const std::vector<unsigned char>& canvas)
{
    return static_cast<int>(canvas.size() - std::count(canvas.begin(), canvas.end(), 0));
}

// Whether every lit cell lies in columns x0..x1 and rows y0..y1.
bool LitOnlyWithin(const std::vector<unsigned char>& canvas, int x0, int x1, int y0, int y1)
{
    for (int x = 0; x < CanvasWidth; ++x)
    {
        for (int y = 0; y < CanvasHeight; ++y)
        {
            if (canvas[x * CanvasHeight + y] != 0 && (x < x0 || x > x1 || y < y0 || y > y1))
            {
                return false;
            }
        }
    }
    return true;
}
} // namespace

TEST(Font, TextWidthSumsAdvancesAndCharactersWithoutGlyphTakeNoRoom)
{
    EXPECT_EQ(TextWidth("ab"), 8);
    EXPECT_EQ(TextWidth("a b"), 12);
    EXPECT_EQ(TextWidth(",()\"%\x80\xff"), 0);
    const std::vector<unsigned char> joined = Drawn("i,i", 0, 0, 1);
    EXPECT_EQ(joined, Drawn("ii", 0, 0, 1));
    EXPECT_EQ(joined[2 * CanvasHeight + 0], 1); // the second "i" right after the first
}

TEST(Font, GlyphRowZeroIsTheTopOfTheCharacter)
{
    // The apex of "a" (row 0, column 1) lands at the top, as a 2 x 2 block.
    const std::vector<unsigned char> a = Drawn("a", 10, 20, 2);
    EXPECT_EQ(a[12 * CanvasHeight + 28], 1);
    EXPECT_EQ(a[13 * CanvasHeight + 29], 1);
    EXPECT_EQ(a[10 * CanvasHeight + 28], 0);
    EXPECT_TRUE(LitOnlyWithin(a, 10, 15, 20, 29));
}

TEST(Font, TextIsClippedCellByCellAtEveryEdge)
{
    const std::vector<unsigned char> top = Drawn("i", 5, 93, 1);
    EXPECT_EQ(Lit(top), 3);
    EXPECT_EQ(top[5 * CanvasHeight + 95], 1);

    EXPECT_EQ(Lit(Drawn("ab", -4, 0, 1)), Lit(Drawn("b", 0, 0, 1))); // "a" wholly off

    const std::vector<unsigned char> corner = Drawn("m", 125, -2, 2); // right and bottom
    EXPECT_GT(Lit(corner), 0);
    EXPECT_TRUE(LitOnlyWithin(corner, 125, 127, 0, 7));

    EXPECT_EQ(Lit(Drawn("abc", 10, 10, 0)), 0); // a scale of 0 or less draws nothing
    EXPECT_EQ(Lit(Drawn("abc", 10, 10, -2)), 0);
}
