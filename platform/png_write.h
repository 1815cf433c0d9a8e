// PNG writing for screenshots.
#pragma once

// Saves width x height RGBA pixels, given bottom row first as the screen is read back,
// as a PNG file whose top row is the top of the screen. Returns false when the image
// could not be encoded or the file not completely written; a partly written file may
// then be left behind at path.
bool WritePngBottomUp(const char* path, int width, int height, const unsigned char* rgba);
