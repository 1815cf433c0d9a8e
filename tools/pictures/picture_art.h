// Picture art as readable text: reading it, checking where each picture may draw, and
// writing the numbers the game reads from dat/ms0.txt to dat/ms2.txt.
//
// An art file holds 64 lines of 64 characters, one character per cell. Its first art line
// is the top row of the picture as it shows on screen (picture row 63), its last line the
// bottom row (row 0). Lines that start with ';' are remarks and are skipped wherever they
// stand; a '\r' before a line end is dropped. The legend:
//   '.'        0, transparent: the cell is not drawn
//   '1'..'9'   palette colours 1 grey, 2 light grey, 3 brown, 4 orange, 5 deep blue,
//              6 blue, 7 dark green, 8 purple, 9 red
//   '#'        255, pure black
// '0' is refused: it would be transparent, not the background colour, so it is written '.'.
#pragma once

#include <cstdint>
#include <string>

constexpr int ArtSide = 64;                 // cells per art line and art lines per picture
constexpr int ArtCells = ArtSide * ArtSide; // 4096
constexpr int ArtPictures = 3;              // picture 0 title, 1 team 0 emblem, 2 team 1 emblem

// One picture read from art, in the game's layout: cell (column x, row y) at
// cells[x * 64 + y], row 0 lowest on screen.
struct PictureArt
{
    std::int32_t cells[ArtCells]; // colour numbers 0..9 or 255
    int fileLines[ArtSide];       // 1-based line of the art file that holds each row
};

// Reads art text into art. Returns false with a message naming the file line for a line of
// the wrong length, an unknown character, or a number of art lines other than 64; art is
// then incomplete and must not be used.
bool ParseArt(const std::string& text, PictureArt& art, std::string& error);

// Checks that picture n (0..2) leaves clear every cell the game needs for something else:
// picture 0 the help lines under its rows 0..13 and the title line at row 63; pictures 1
// and 2 everything outside their side panel and the corner of the turn banner that reaches
// into the panel. Returns false with a message naming a cell that breaks this (file line,
// column and the reason). A picture number outside 0..2 is refused too.
bool CheckClearAreas(int picture, const PictureArt& art, std::string& error);

// The game's text for one picture: 64 lines of 64 numbers separated by single spaces,
// picture row 0 first, each row from x = 0 to 63, every line ending in '\n'.
std::string FormatPictureData(const PictureArt& art);
