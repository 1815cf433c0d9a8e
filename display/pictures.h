// The three decorative 64 x 64 pictures read from the data folder at start-up.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int PictureCount = 3;
constexpr int PictureSide = 64;                         // cells per row and column
constexpr int PictureCells = PictureSide * PictureSide; // 4096

// Element (column x, row y) of picture n at Pictures[n][x * 64 + y]; row 0 is drawn
// lowest. A value's low 8 bits are a canvas colour number; 0 is transparent.
// Written only by LoadPictures, read-only afterwards. Main thread only.
extern std::int32_t Pictures[PictureCount][PictureCells];

// Reads one picture from a text stream: up to 4096 whitespace-separated decimal
// integers, row 0 first, each row from x = 0 to 63. Reading stops at the first token
// that is not a number or does not fit 32 bits, or at the end of the stream; every
// element from there on is 0. Anything after the 4096th number is ignored.
void ReadPicture(std::FILE* stream, std::int32_t* picture);

// Reads dat/ms0.txt, dat/ms1.txt and dat/ms2.txt from the working directory into the
// three pictures. A missing file leaves its picture empty; nothing is reported.
void LoadPictures();

// Draws picture n with its 64 x 64 square spanning centre - 32 to centre + 31 on both
// axes: non-zero values replace canvas cells, zeros and off-canvas cells are skipped.
// A picture number outside 0..2 draws nothing.
void DrawPicture(int picture, int centreX, int centreY);
