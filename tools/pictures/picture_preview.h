// Previews of the pictures as the game shows them, written as PNG files for the artist.
#pragma once

constexpr int PreviewScale = 8; // image pixels per canvas cell along each axis

// The palette's start-up jitter under this seed colours the previews and the icon, so the
// same art always gives the same images.
constexpr unsigned PreviewSeed = 1;

// Draws picture n (0..2) from Pictures into a cleared canvas the way the game shows it:
// picture 0 on the real title screen, pictures 1 and 2 at their match places over a
// stand-in of the match screen (side panels, frame lines, goal zones and the turn banner
// of the picture's team). The colours come from the palette's start-up values under
// PreviewSeed. Writes the canvas scaled up 8 times to path; returns false when the file
// could not be written or n is not 0..2.
bool WritePicturePreview(int picture, const char* path);
