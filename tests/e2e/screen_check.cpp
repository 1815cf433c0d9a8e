// Checks a screenshot of the game, cell by cell, against what the core draws.
//
//   screen_check title <screenshot.png> <width> <height>
//
// Run from the game's working folder: the pictures are read from its dat/ as the game
// reads them, the title screen is drawn into the canvas, and every one of the 128 x 96
// cells is looked up at the centre of its rectangle in the screenshot. A cell matches
// when each channel lies within the palette's drift of its base colour (pure black for
// 128..255). Exits 0 when the size is right and every cell matches.
#include "app/title_screen.h"
#include "display/canvas.h"
#include "display/palette.h"
#include "display/pictures.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stb_image.h>

namespace
{
// The shown colours stray at most 0.08 from their base; allow a little rounding more.
constexpr int Tolerance = 24;

bool Matches(const unsigned char* pixel, unsigned char value)
{
    for (int channel = 0; channel < 3; ++channel)
    {
        float base = 0.0f;
        if (value < PaletteColours)
        {
            base = BasePalette[value][channel];
        }
        const float clamped = base < 0.0f ? 0.0f : (base > 1.0f ? 1.0f : base);
        const int expected = static_cast<int>(clamped * 255.0f);
        const int tolerance = value >= 128 ? 0 : Tolerance;
        if (std::abs(pixel[channel] - expected) > tolerance)
        {
            return false;
        }
    }
    return true;
}

int CompareWithCanvas(const unsigned char* image, int width, int height)
{
    int mismatches = 0;
    for (int x = 0; x < CanvasWidth; ++x)
    {
        for (int y = 0; y < CanvasHeight; ++y)
        {
            const int px = (2 * x + 1) * width / (2 * CanvasWidth);
            const int rowFromTop = (2 * (CanvasHeight - 1 - y) + 1) * height / (2 * CanvasHeight);
            const unsigned char* pixel = &image[(rowFromTop * width + px) * 4];
            const unsigned char value = ScreenCells[x * CanvasHeight + y];
            if (!Matches(pixel, value))
            {
                if (++mismatches <= 10)
                {
                    std::fprintf(stderr, "cell (%d, %d): expected colour %d, found %d %d %d\n", x,
                                 y, value, pixel[0], pixel[1], pixel[2]);
                }
            }
        }
    }
    return mismatches;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 5 || std::strcmp(argv[1], "title") != 0)
    {
        std::fprintf(stderr, "usage: screen_check title <screenshot.png> <width> <height>\n");
        return 2;
    }
    const int expectedWidth = std::atoi(argv[3]);
    const int expectedHeight = std::atoi(argv[4]);
    int width = 0, height = 0, channels = 0;
    unsigned char* image = stbi_load(argv[2], &width, &height, &channels, 4);
    if (image == nullptr)
    {
        std::fprintf(stderr, "%s: not a readable PNG\n", argv[2]);
        return 1;
    }
    if (width != expectedWidth || height != expectedHeight)
    {
        std::fprintf(stderr, "%s: %d x %d, expected %d x %d\n", argv[2], width, height,
                     expectedWidth, expectedHeight);
        stbi_image_free(image);
        return 1;
    }
    LoadPictures();
    ClearCanvas();
    DrawTitleScreen();
    const int mismatches = CompareWithCanvas(image, width, height);
    stbi_image_free(image);
    if (mismatches != 0)
    {
        std::fprintf(stderr, "%s: %d of %d cells differ from the title screen\n", argv[2],
                     mismatches, CanvasCells);
        return 1;
    }
    return 0;
}
