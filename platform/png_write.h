// PNG writing for screenshots and the picture tools.
#pragma once

// Writes width x height RGBA pixels, given bottom row first as the screen is read back, as
// a PNG image whose top row is the top of the screen, to the open file descriptor, which
// stays open. Returns false when the image could not be encoded or not every byte
// written.
bool WritePngBottomUp(int file, int width, int height, const unsigned char* rgba);

// The same image saved at path, which is created or replaced. Returns false as above, or
// when the file cannot be opened; a partly written file may then be left behind at path.
bool WritePngBottomUp(const char* path, int width, int height, const unsigned char* rgba);
