// The game's icon: the title picture on its own, coloured as the game shows it, at the
// sizes desktops look for.
#pragma once

#include <vector>

// Scales a square RGBA image of side x side pixels to size x size. Every new pixel is the
// average of the source area it covers, weighted by how much of each source pixel lies
// in it; colours are weighted by alpha too, so transparent pixels thin an edge out
// without darkening it. Rows keep their order.
std::vector<unsigned char> ScaleSquare(const std::vector<unsigned char>& rgba, int side, int size);

// Writes picture n (0..2) from Pictures as a size x size PNG: its coloured cells in the
// palette's start-up colours (the same as the previews), the rest transparent, moved so
// that the coloured cells sit in the middle. Returns false when n is not 0..2, size is
// not positive or the file could not be written.
bool WritePictureIcon(int picture, int size, const char* path);
