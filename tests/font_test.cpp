// Tests of text measuring and drawing with the bitmap font.
#include "display/font.h"

#include "display/canvas.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace
{
unsigned char Cell(int x, int y)
{
    return ScreenCells[x * CanvasHeight + y];
}

int CountCells(unsigned char colour)
{
    int count = 0;
    for (unsigned char cell : ScreenCells)
    {
        count += cell == colour;
    }
    return count;
}
} // namespace

TEST(Font, TextWidthSumsAdvancesOfKnownGlyphsOnly)
{
    EXPECT_EQ(TextWidth("ab"), 8);
    EXPECT_EQ(TextWidth("a b"), 12);
    EXPECT_EQ(TextWidth(""), 0);
    EXPECT_EQ(TextWidth(",()\"%\x80\xff"), 0);
    EXPECT_EQ(FindGlyph('*'), GlyphCount - 1);
    EXPECT_EQ(TextWidth("goal"), 16);
    EXPECT_EQ(TextWidth("mw"), 12);
    EXPECT_EQ(TextWidth("<> rotate ^ "), 54);
}

TEST(Font, GlyphRowZeroIsTheTopOfTheCharacter)
{
    ClearCanvas();
    DrawText("i", 0, 0, 5, 1);
    for (int y = 0; y < 5; ++y)
    {
        EXPECT_EQ(Cell(0, y), 5);
    }
    EXPECT_EQ(CountCells(5), 5);

    ClearCanvas();
    DrawText("a", 10, 20, 2, 2);
    // The apex of "a" (row 0, column 1) lands at the top, as a 2 x 2 block.
    EXPECT_EQ(Cell(12, 28), 2);
    EXPECT_EQ(Cell(13, 29), 2);
    EXPECT_EQ(Cell(10, 28), 0);
    for (int x = 0; x < CanvasWidth; ++x)
    {
        for (int y = 0; y < CanvasHeight; ++y)
        {
            if (Cell(x, y) != 0)
            {
                EXPECT_TRUE(x >= 10 && x <= 15 && y >= 20 && y <= 29) << x << "," << y;
            }
        }
    }
}

TEST(Font, CharacterWithoutGlyphLeavesNoGap)
{
    ClearCanvas();
    DrawText("i,i", 0, 0, 1, 1);
    unsigned char joined[CanvasCells];
    std::copy(std::begin(ScreenCells), std::end(ScreenCells), joined);
    ClearCanvas();
    DrawText("ii", 0, 0, 1, 1);
    EXPECT_TRUE(std::equal(std::begin(ScreenCells), std::end(ScreenCells), joined));
    EXPECT_EQ(Cell(2, 0), 1);
}

TEST(Font, TextIsClippedCellByCellAtEveryEdge)
{
    ClearCanvas();
    DrawText("i", 5, 93, 1, 1);
    EXPECT_EQ(CountCells(1), 3);
    EXPECT_EQ(Cell(5, 95), 1);

    ClearCanvas();
    DrawText("ab", -4, 0, 1, 1); // "a" wholly off, "b" at 0..3
    ClearCanvas();
    DrawText("b", 0, 0, 2, 1);
    const int drawnAlone = CountCells(2);
    ClearCanvas();
    DrawText("ab", -4, 0, 2, 1);
    EXPECT_EQ(CountCells(2), drawnAlone);

    ClearCanvas();
    DrawText("m", 125, -2, 3, 2); // right and bottom edges
    for (int x = 0; x < CanvasWidth; ++x)
    {
        for (int y = 0; y < CanvasHeight; ++y)
        {
            if (Cell(x, y) != 0)
            {
                EXPECT_TRUE(x >= 125 && y <= 7);
            }
        }
    }
    EXPECT_GT(CountCells(3), 0);

    ClearCanvas();
    DrawText("abc", 10, 10, 4, 0); // a scale of 0 or less draws nothing
    DrawText("abc", 10, 10, 4, -2);
    EXPECT_EQ(CountCells(4), 0);
}
