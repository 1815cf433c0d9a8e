// Tests of text measuring and drawing with the bitmap font, against the glyphs as a person reads
// them off the screen (glyph_sheet.h).
#include "display/font.h"

#include "display/canvas.h"
#include "glyph_sheet.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
constexpr unsigned char Ground = 3; // what lies below the text: unlit cells keep it

// Draws the text over a canvas of Ground and returns the first cell, as "(x, y)", where it differs
// from the sheet's glyphs (each lit cell a scale x scale block of colour 9, turned by a half turn
// about (x, y) when asked, cells off the canvas skipped), or "" where none does.
std::string Misdrawn(const char* text, int x, int y, int scale, bool halfTurned)
{
    std::vector<unsigned char> expected(CanvasCells, Ground);
    const int turn = halfTurned ? -1 : 1;
    SheetText(text, 0, 0,
              [&](int column, int row)
              {
                  for (int i = 0; scale > 0 && i < scale * scale; ++i)
                  {
                      const int cx = x + turn * (column * scale + i % scale);
                      const int cy = y + turn * (row * scale + i / scale);
                      if (OnCanvas(cx, cy))
                      {
                          expected[cx * CanvasHeight + cy] = 9;
                      }
                  }
              });
    std::fill(std::begin(ScreenCells), std::end(ScreenCells), Ground);
    (halfTurned ? DrawTextHalfTurned : DrawText)(text, x, y, 9, scale);
    const int n = static_cast<int>(
        std::mismatch(expected.begin(), expected.end(), ScreenCells).first - expected.begin());
    return n == CanvasCells ? ""
                            : "(" + std::to_string(n / CanvasHeight) + ", " +
                                  std::to_string(n % CanvasHeight) + ")";
}
} // namespace

// Every character the screen shows is as wide and lit as its glyph reads, and every other byte
// has no glyph: it takes no room and draws nothing.
TEST(Font, EveryGlyphIsAsTheScreenShowsItAndOtherCharactersHaveNone)
{
    int glyphs = 0;
    for (int c = 1; c < 256; ++c)
    {
        const char text[2] = {static_cast<char>(c), '\0'};
        glyphs += SheetText(text, 0, 0, [](int, int) {}) > 0;
        ASSERT_EQ(TextWidth(text), SheetText(text, 0, 0, [](int, int) {})) << c;
        ASSERT_EQ(Misdrawn(text, 60, 40, 1, false), "") << c;
    }
    EXPECT_EQ(glyphs, GlyphCount);
}

// A glyphless character takes no room between its neighbours; scale blocks every pixel; text
// is cut cell by cell at each edge, and a scale of 0 or less draws nothing; turned by a half
// turn, each cell lies as far the other way from the starting cell.
TEST(Font, TextScalesClipsCellByCellAndTurnsAboutItsStart)
{
    struct Case
    {
        const char* text;
        int x, y, scale;
        bool halfTurned;
    };
    for (const Case& c : {Case{"a,b%i\x80y", 10, 20, 1, false}, Case{"a b", 10, 20, 2, false},
                          Case{"me", -5, 93, 1, false}, Case{"wq", 122, -6, 3, false},
                          Case{"abc", 10, 10, 0, false}, Case{"abc", 10, 10, -2, false},
                          Case{"goal", 100, 60, 1, true}, Case{"go", 6, 90, 2, true}})
    {
        EXPECT_EQ(Misdrawn(c.text, c.x, c.y, c.scale, c.halfTurned), "")
            << c.text << " " << c.scale;
        EXPECT_EQ(TextWidth(c.text), SheetText(c.text, 0, 0, [](int, int) {})) << c.text;
    }
}
