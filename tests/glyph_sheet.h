// The font as a person reads it off the screen, written apart from the game's own font code: the
// cells of each character's glyph, as wide as the glyph advances the pen, in sheets of glyphs
// side by side. The font's test holds the game's glyphs to it, and the end-to-end checks read
// words back with it, so that a fault in the font does not sit on both sides of a check.
#pragma once

#include <cstring>

// Each sheet: its characters, then five rows from the top, each glyph's cells ('#' lit) one
// space apart.
inline constexpr const char* GlyphSheets[][6] = {
    {" abcdefghijklmno",
     ".... .#.. ##.. .##. ##.. ###. ###. .##.. #.#. #. ##. #.#. #.. .#.#.. #..#. .#..",
     ".... #.#. #.#. #... #.#. #... #... #.... #.#. #. .#. #.#. #.. #.#.#. ##.#. #.#.",
     ".... ###. ##.. #... #.#. ##.. ##.. #.##. ###. #. .#. ##.. #.. #.#.#. #.##. #.#.",
     ".... #.#. #.#. #... #.#. #... #... #..#. #.#. #. .#. #.#. #.. #.#.#. #..#. #.#.",
     ".... #.#. ##.. .##. ##.. ###. #... .##.. #.#. #. #.. #.#. ##. #...#. #..#. .#.."},
    {"pqrstuvwxyzABCD",
     "##.. .#.. ##.. .##. ###. #.#. #.#. #...#. #.#. #.#. ###. .### #.... .##.#. #",
     "#.#. #.#. #.#. #... .#.. #.#. #.#. #...#. #.#. #.#. ..#. #... ..#.. #.#.#. #",
     "##.. #.#. ##.. ###. .#.. #.#. #.#. #.#.#. .#.. .#.. .#.. #### #.... #.#.#. #",
     "#... ##.. #.#. ..#. .#.. #.#. #.#. #.#.#. #.#. .#.. #... .... ..#.# #.#.#. .",
     "#... .##. #.#. ##.. .#.. ###. .#.. .#.#.. #.#. .#.. ###. #.## #...# ..#... ."},
    {"EFGHIJKLMNOPQRS",
     "####. ###.. #### #.# ##.. .... ..... . ...#.. .. .#. ##.. ...## ##.. .##..",
     "..... ..... .##. .#. ###. #.#. ..... . ...... .. .## .... ...## .... ##...",
     ".##.. ..#.# ..## #.# ##.. #.#. .#... . ...... .. ... .... ..... #.#. .#..#",
     "..... ..... .### ... ###. .... ..#.. . ...... .. ... .... .##.. #.#. ....#",
     "####. ..#.. #### #.# .... .... #...# . #####. ## ... .... .##.. #.#. .#..."},
    {"TUVWXYZ01234567",
     "..... ### #..... #. #... #.#.. #..... ###. .#. .#.. ##.. #.#. ###. ###. ###.",
     ".#... #.. ..#... ## ..#. #.#.# ..###. #.#. ##. #.#. ..#. #.#. #... #... ..#.",
     "..... ... .#.... #. ..## ....# ...... #.#. .#. ..#. ##.. ###. ###. ###. .#..",
     "...## ... ...##. #. #..# ..#.# ...... #.#. .#. .#.. ..#. ..#. ..#. #.#. #...",
     ".#..# ... ....#. .# #.## ..#.. ###... ###. .#. ###. ##.. ..#. ###. ###. #..."},
    {"89^&<>.+-[]/'=:$",
     "###. ###. ..#... ..#... ..#... ..#... .. .... .... ##. ##. ... #. .... .. ..#..",
     "#.#. #.#. .###.. ..#... .##... ..##.. .. .#.. .... #.. .#. .#. #. ###. #. .###.",
     "###. ###. #####. #####. #####. #####. .. ###. ###. #.. .#. .#. .. .... .. #.#..",
     "#.#. ..#. ..#... .###.. .##... ..##.. .. .#.. .... #.. .#. #.. .. ###. #. .###.",
     "###. ..#. ..#... ..#... ..#... ..#... #. .... .... ##. ##. #.. .. .... .. ..#.."},
    {"?!}*", "##.. #. ..#... #...#.", "..#. #. ####.. .#.#..", ".#.. #. ....#. ..#...",
     ".... .. ####.. .#.#..", ".#.. #. ..#... #...#."},
};

// Text as the screen shows it at scale 1 with the lower-left corner of its first glyph at (x, y):
// calls lit(column, row) for each lit cell, and returns the text's width in cells. A character
// without a glyph takes no room.
template<typename Lit>
int SheetText(const char* text, int x, int y, Lit lit)
{
    int pen = x;
    for (; *text != '\0'; ++text)
    {
        for (const auto& sheet : GlyphSheets)
        {
            const char* found = std::strchr(sheet[0], *text);
            int left = 0;
            for (const char* k = sheet[0]; found != nullptr && k != found; ++k)
            {
                left += static_cast<int>(std::strcspn(sheet[1] + left, " ")) + 1;
            }
            const int width = found ? static_cast<int>(std::strcspn(sheet[1] + left, " ")) : 0;
            for (int cell = 0; cell < 5 * width; ++cell)
            {
                if (sheet[1 + cell / width][left + cell % width] == '#')
                {
                    lit(pen + cell % width, y + 4 - cell / width);
                }
            }
            pen += width;
        }
    }
    return pen - x;
}
