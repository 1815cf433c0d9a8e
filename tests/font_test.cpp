// Tests of text measuring and drawing with the bitmap font.
#include "display/font.h"

#include "display/canvas.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>
#include <utility>
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

// Characters without a glyph take no room; a glyph's row 0 is its top; text is clipped cell by
// cell at every edge.
TEST(Font, GlyphlessCharactersTakeNoRoomRowZeroIsTheTopAndTextClipsCellByCell)
{
    EXPECT_EQ(std::tuple(TextWidth("ab"), TextWidth("a b"), TextWidth(",()\"%\x80\xff")),
              std::tuple(8, 12, 0));
    const std::vector<unsigned char> joined = Drawn("i,i", 0, 0, 1);
    EXPECT_EQ(joined, Drawn("ii", 0, 0, 1));
    EXPECT_EQ(joined[2 * CanvasHeight + 0], 1); // the second "i" right after the first

    // The apex of "a" (row 0, column 1) lands at the top, as a 2 x 2 block.
    const std::vector<unsigned char> a = Drawn("a", 10, 20, 2);
    EXPECT_EQ(
        std::tuple(a[12 * CanvasHeight + 28], a[13 * CanvasHeight + 29], a[10 * CanvasHeight + 28]),
        std::tuple(1, 1, 0));
    EXPECT_TRUE(LitOnlyWithin(a, 10, 15, 20, 29));

    const std::vector<unsigned char> top = Drawn("i", 5, 93, 1);
    EXPECT_EQ(std::pair(Lit(top), int{top[5 * CanvasHeight + 95]}), std::pair(3, 1));

    EXPECT_EQ(Lit(Drawn("ab", -4, 0, 1)), Lit(Drawn("b", 0, 0, 1))); // "a" wholly off

    const std::vector<unsigned char> corner = Drawn("m", 125, -2, 2); // right and bottom
    EXPECT_GT(Lit(corner), 0);
    EXPECT_TRUE(LitOnlyWithin(corner, 125, 127, 0, 7));

    // A scale of 0 or less draws nothing.
    EXPECT_EQ(Lit(Drawn("abc", 10, 10, 0)) + Lit(Drawn("abc", 10, 10, -2)), 0);
}
