// The title screen's left band, columns 0..31 beside picture 0, where online play shows its
// join code, its state and its notices: short words centred in the band on three lines.
#pragma once

constexpr int BandLines = 3;

// Draws text centred on the band's middle, starting half its width (TextWidth, rounded down)
// left of column 16, on line 0 (the top: its glyphs' bottom row on canvas row 39), 1 (row 32)
// or 2 (row 25); another line draws nothing.
void DrawBandText(const char* text, int line, unsigned char colour);

// Draws a join code's symbols (digits and lower-case letters but i, l, o and u) as DrawBandText
// places text, in shapes of their own, four or five cells wide and five high: any two of them
// differ in three cells or more, where the font's 5 and s, 0 and d, or h and k differ in one or
// two. Other characters draw nothing and take no room. The title screen's words keep the font.
void DrawBandCode(const char* code, int line, unsigned char colour);
