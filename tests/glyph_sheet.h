// The font as a person reads it off the screen, written apart from the game's own font code: the
// cells of each character's glyph, as wide as the glyph advances the pen, in sheets of glyphs
// side by side. The font's test holds the game's glyphs to it, and the end-to-end checks read
// words back with it, so that a fault in the font does not sit on both sides of a check.
#pragma once

#include <cstring>

struct GlyphSheet
{
    const char* characters; // one per glyph of the sheet, left to right
    const char* rows[5];    // from the top: each glyph's cells, '#' lit, one space between glyphs
};

inline constexpr GlyphSheet GlyphSheets[] = {
    {" abcdefghijklmno",
     {
         ".... .#.. ##.. .##. ##.. ###. ###. .##.. #.#. #. ##. #.#. #.. .#.#.. #..#. .#..",
         ".... #.#. #.#. #... #.#. #... #... #.... #.#. #. .#. #.#. #.. #.#.#. ##.#. #.#.",
         ".... ###. ##.. #... #.#. ##.. ##.. #.##. ###. #. .#. ##.. #.. #.#.#. #.##. #.#.",
         ".... #.#. #.#. #... #.#. #... #... #..#. #.#. #. .#. #.#. #.. #.#.#. #..#. #.#.",
         ".... #.#. ##.. .##. ##.. ###. #... .##.. #.#. #. #.. #.#. ##. #...#. #..#. .#..",
     }},
    {"pqrstuvwxyzABCD",
     {
         "##.. .#.. ##.. .##. ###. #.#. #.#. #...#. #.#. #.#. ###. .### #.... .##.#. #",
         "#.#. #.#. #.#. #... .#.. #.#. #.#. #...#. #.#. #.#. ..#. #... ..#.. #.#.#. #",
         "##.. #.#. ##.. ###. .#.. #.#. #.#. #.#.#. .#.. .#.. .#.. #### #.... #.#.#. #",
         "#... ##.. #.#. ..#. .#.. #.#. #.#. #.#.#. #.#. .#.. #... .... ..#.# #.#.#. .",
         "#... .##. #.#. ##.. .#.. ###. .#.. .#.#.. #.#. .#.. ###. #.## #...# ..#... .",
     }},
    {"EFGHIJKLMNOPQRS",
     {
         "####. ###.. #### #.# ##.. .... ..... . ...#.. .. .#. ##.. ...## ##.. .##..",
         "..... ..... .##. .#. ###. #.#. ..... . ...... .. .## .... ...## .... ##...",
         ".##.. ..#.# ..## #.# ##.. #.#. .#... . ...... .. ... .... ..... #.#. .#..#",
         "..... ..... .### ... ###. .... ..#.. . ...... .. ... .... .##.. #.#. ....#",
         "####. ..#.. #### #.# .... .... #...# . #####. ## ... .... .##.. #.#. .#...",
     }},
    {"TUVWXYZ01234567",
     {
         "..... ### #..... #. #... #.#.. #..... ###. .#. .#.. ##.. #.#. ###. ###. ###.",
         ".#... #.. ..#... ## ..#. #.#.# ..###. #.#. ##. #.#. ..#. #.#. #... #... ..#.",
         "..... ... .#.... #. ..## ....# ...... #.#. .#. ..#. ##.. ###. ###. ###. .#..",
         "...## ... ...##. #. #..# ..#.# ...... #.#. .#. .#.. ..#. ..#. ..#. #.#. #...",
         ".#..# ... ....#. .# #.## ..#.. ###... ###. .#. ###. ##.. ..#. ###. ###. #...",
     }},
    {"89^&<>.+-[]/'=:$",
     {
         "###. ###. ..#... ..#... ..#... ..#... .. .... .... ##. ##. ... #. .... .. ..#..",
         "#.#. #.#. .###.. ..#... .##... ..##.. .. .#.. .... #.. .#. .#. #. ###. #. .###.",
         "###. ###. #####. #####. #####. #####. .. ###. ###. #.. .#. .#. .. .... .. #.#..",
         "#.#. ..#. ..#... .###.. .##... ..##.. .. .#.. .... #.. .#. #.. .. ###. #. .###.",
         "###. ..#. ..#... ..#... ..#... ..#... #. .... .... ##. ##. #.. .. .... .. ..#..",
     }},
    {"?!}*",
     {
         "##.. #. ..#... #...#.",
         "..#. #. ####.. .#.#..",
         ".#.. #. ....#. ..#...",
         ".... .. ####.. .#.#..",
         ".#.. #. ..#... #...#.",
     }},
};

// Where the glyph of character c lies: its sheet, its first column in the sheet's rows and its
// width in cells. False for a character without a glyph (it takes no room).
inline bool FindSheetGlyph(char c, const GlyphSheet*& sheet, int& left, int& width)
{
    for (const GlyphSheet& candidate : GlyphSheets)
    {
        left = 0;
        for (const char* k = candidate.characters; *k != '\0'; ++k)
        {
            width = static_cast<int>(std::strcspn(candidate.rows[0] + left, " "));
            if (*k == c)
            {
                sheet = &candidate;
                return true;
            }
            left += width + 1;
        }
    }
    return false;
}

// Text as the screen shows it at scale 1 with the lower-left corner of its first glyph at (x, y):
// calls lit(column, row) for each lit cell, and returns the text's width in cells.
template<typename Lit>
int SheetText(const char* text, int x, int y, Lit lit)
{
    int pen = x;
    for (; *text != '\0'; ++text)
    {
        const GlyphSheet* sheet = nullptr;
        int left = 0, width = 0;
        if (!FindSheetGlyph(*text, sheet, left, width))
        {
            continue;
        }
        for (int row = 0; row < 5; ++row)
        {
            for (int column = 0; column < width; ++column)
            {
                if (sheet->rows[row][left + column] == '#')
                {
                    lit(pen + column, y + 4 - row);
                }
            }
        }
        pen += width;
    }
    return pen - x;
}
