// The 5 x 5 bitmap font: measuring and drawing text into the canvas.
#pragma once

constexpr int GlyphCount = 81;
constexpr int GlyphSide = 5; // font pixels per glyph row and column

// The characters that have a glyph; a glyph's number is its position here.
extern const char CharacterSet[GlyphCount + 1];
// Advance of each glyph in font pixels, the blank column after it included.
extern const int (&GlyphWidths)[GlyphCount];
// Glyph pixels, byte r * 5 + c for row r (0 = top) and column c (0 = left); 1 is lit.
extern const unsigned char (&GlyphBitmaps)[GlyphCount][GlyphSide * GlyphSide];

// The glyph number of a character, or -1 when the font has no glyph for it.
int FindGlyph(char character);

// Width of a zero-terminated string in font pixels (unscaled): the sum of the advances
// of the characters that have a glyph; the others add nothing. Never negative.
int TextWidth(const char* text);

// Draws a zero-terminated string with the lower-left corner of its first glyph at
// (x, y), every lit font pixel a scale x scale block of colour. Characters without a
// glyph are skipped without moving the pen; cells off the canvas are skipped one by
// one; a scale of 0 or less draws nothing.
void DrawText(const char* text, int x, int y, unsigned char colour, int scale);

// Draws the text as DrawText would at (x, y), turned by a half turn about cell (x, y): the
// cell DrawText lights at (x + dx, y + dy) is lit at (x - dx, y - dy), so the text reads
// upside down from the right, its first glyph's upper-right corner at (x, y).
void DrawTextHalfTurned(const char* text, int x, int y, unsigned char colour, int scale);
