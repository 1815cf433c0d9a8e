// Previews of the pictures as the game shows them.
#include "tools/pictures/picture_preview.h"

#include "app/title_screen.h"
#include "display/canvas.h"
#include "display/font.h"
#include "display/palette.h"
#include "display/pictures.h"
#include "platform/png_write.h"
#include "platform/rand.h"

#include <cstdio>
#include <vector>

namespace
{
// The parts of the match screen that lie under the emblems or next to them: goal zones,
// striped side panels, frame lines, and the turn banner of the given team (0 or 1), whose
// corner reaches into that team's panel.
void DrawMatchStandIn(int team)
{
    for (int x = 28; x <= 99; ++x)
    {
        for (int y = 0; y < 12; ++y)
        {
            PlotCell(x, y, 7);
            PlotCell(x, 95 - y, 7);
        }
    }
    for (int x = 0; x < 27; ++x)
    {
        for (int y = 0; y < CanvasHeight; ++y)
        {
            PlotCell(x, y, x % 2 == 0 ? 7 : 8);
            PlotCell(127 - x, y, x % 2 == 0 ? 8 : 7);
        }
    }
    for (int y = 0; y < CanvasHeight; ++y)
    {
        PlotCell(27, y, 9);
        PlotCell(100, y, 9);
    }
    const int centreX = 42 * (team + 1);
    const auto frameColour = static_cast<unsigned char>(2 * team + 1);
    for (int x = centreX - 30; x <= centreX + 29; ++x)
    {
        for (int y = 40; y <= 55; ++y)
        {
            const bool ring = x == centreX - 30 || x == centreX + 29 || y == 40 || y == 55;
            PlotCell(x, y, ring ? frameColour : Black);
        }
    }
    char text[16];
    std::snprintf(text, sizeof text, "player %d turn", team + 1);
    DrawText(text, centreX - TextWidth(text) / 2, 46, static_cast<unsigned char>(2 * team + 2), 1);
}
} // namespace

bool WritePicturePreview(int picture, const char* path)
{
    if (picture < 0 || picture >= PictureCount)
    {
        return false; // no such picture
    }
    ClearCanvas();
    if (picture == 0)
    {
        DrawTitleScreen();
    }
    else
    {
        DrawMatchStandIn(picture - 1);
        DrawPicture(picture, picture == 1 ? 32 : 96, 64);
    }
    SeedRand(PreviewSeed);
    InitPalette();

    const int width = CanvasWidth * PreviewScale;
    const int height = CanvasHeight * PreviewScale;
    std::vector<unsigned char> rgba(static_cast<std::size_t>(width) * height * 4);
    for (int py = 0; py < height; ++py)
    {
        for (int px = 0; px < width; ++px)
        {
            const int x = px / PreviewScale;
            const int y = py / PreviewScale;
            const CellRgba colour = CellColour(ScreenCells[x * CanvasHeight + y], y & 1);
            unsigned char* pixel = &rgba[(static_cast<std::size_t>(py) * width + px) * 4];
            pixel[0] = static_cast<unsigned char>(colour.red * 255.0f);
            pixel[1] = static_cast<unsigned char>(colour.green * 255.0f);
            pixel[2] = static_cast<unsigned char>(colour.blue * 255.0f);
            pixel[3] = 255;
        }
    }
    return WritePngBottomUp(path, width, height, rgba.data());
}
