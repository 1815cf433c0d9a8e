// The title screen's left band.
#include "display/band.h"

#include "display/canvas.h"
#include "display/font.h"

#include <cstring>

namespace
{
constexpr int BandMiddle = 16; // column
constexpr int TopLineRow = 39;
constexpr int LineGap = 7; // rows from one line to the next
constexpr int CodeRows = 5;

// A code symbol as it reads: rows from the top, '#' lit, all of one width. Digits stand the
// whole height; the letters sit a row lower unless they rise or hang as written by hand.
struct CodeGlyph
{
    char symbol;
    const char* rows[CodeRows];
};
constexpr CodeGlyph CodeGlyphs[] = {
    {'0', {".##.", "#..#", "#.##", "##.#", ".##."}},
    {'1', {".#..", "##..", ".#..", ".#..", "###."}},
    {'2', {"###.", "...#", ".##.", "#...", "####"}},
    {'3', {"###.", "...#", "..#.", "...#", "###."}},
    {'4', {"..#.", ".##.", "#.#.", "####", "..#."}},
    {'5', {"####", "#...", "###.", "...#", "###."}},
    {'6', {"..##", ".#..", "###.", "#..#", ".##."}},
    {'7', {"####", "...#", "..#.", ".#..", ".#.."}},
    {'8', {".##.", "#..#", ".##.", "#..#", ".##."}},
    {'9', {".##.", "#..#", ".###", "..#.", "##.."}},
    {'a', {"....", ".##.", "...#", "#.##", ".###"}},
    {'b', {"#...", "#...", "###.", "#..#", "###."}},
    {'c', {"....", ".###", "#...", "#...", ".###"}},
    {'d', {"...#", "...#", ".###", "#..#", ".###"}},
    {'e', {"....", ".##.", "####", "#...", ".###"}},
    {'f', {"..##", ".#..", "####", ".#..", ".#.."}},
    {'g', {".###", "#..#", ".###", "...#", "###."}},
    {'h', {"#...", "#...", "###.", "#..#", "#..#"}},
    {'j', {"..#.", "....", "..#.", "..#.", "##.."}},
    {'k', {"#...", "#..#", "#.#.", "##..", "#..#"}},
    {'m', {".....", "##.#.", "#.#.#", "#.#.#", "#.#.#"}},
    {'n', {"....", "###.", "#..#", "#..#", "#..#"}},
    {'p', {"###.", "#..#", "###.", "#...", "#..."}},
    {'q', {".###", "#..#", ".###", "...#", "...#"}},
    {'r', {"....", "#.##", "##..", "#...", "#..."}},
    {'s', {"....", ".###", ".#..", "..#.", "###."}},
    {'t', {".#..", "####", ".#..", ".#..", "..##"}},
    {'v', {"....", "#..#", "#..#", ".#.#", "..#."}},
    {'w', {".....", "#...#", "#.#.#", "#.#.#", ".#.#."}},
    {'x', {"....", "#..#", ".##.", ".##.", "#..#"}},
    {'y', {"#..#", "#..#", ".###", "...#", "###."}},
    {'z', {"....", "####", "..#.", ".#..", "####"}},
};
constexpr int CodeGlyphCount = sizeof CodeGlyphs / sizeof CodeGlyphs[0];
static_assert(CodeGlyphCount == 32);

const CodeGlyph* FindCodeGlyph(char symbol)
{
    for (const CodeGlyph& glyph : CodeGlyphs)
    {
        if (glyph.symbol == symbol)
        {
            return &glyph;
        }
    }
    return nullptr;
}

// Cells from one symbol's left edge to the next one's: its width and a blank column.
int CodeAdvance(const CodeGlyph& glyph)
{
    return static_cast<int>(std::strlen(glyph.rows[0])) + 1;
}
} // namespace

void DrawBandText(const char* text, int line, unsigned char colour)
{
    if (line < 0 || line >= BandLines)
    {
        return;
    }
    DrawText(text, BandMiddle - TextWidth(text) / 2, TopLineRow - line * LineGap, colour, 1);
}

void DrawBandCode(const char* code, int line, unsigned char colour)
{
    if (line < 0 || line >= BandLines)
    {
        return;
    }
    int width = 0;
    for (const char* next = code; *next != '\0'; ++next)
    {
        const CodeGlyph* glyph = FindCodeGlyph(*next);
        width += glyph != nullptr ? CodeAdvance(*glyph) : 0;
    }
    int x = BandMiddle - width / 2;
    const int bottom = TopLineRow - line * LineGap;
    for (const char* next = code; *next != '\0'; ++next)
    {
        const CodeGlyph* glyph = FindCodeGlyph(*next);
        if (glyph == nullptr)
        {
            continue; // not a code's symbol
        }
        for (int row = 0; row < CodeRows; ++row)
        {
            for (int column = 0; glyph->rows[row][column] != '\0'; ++column)
            {
                if (glyph->rows[row][column] == '#')
                {
                    PlotCell(x + column, bottom + CodeRows - 1 - row, colour);
                }
            }
        }
        x += CodeAdvance(*glyph);
    }
}
