// The game's icon, made from a picture.
#include "tools/pictures/picture_icon.h"

#include "display/palette.h"
#include "display/pictures.h"
#include "platform/png_write.h"
#include "platform/rand.h"
#include "tools/pictures/picture_preview.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace
{
// How much of source pixel k (covering k..k+1) lies under new pixel i, in source pixels,
// when side source pixels are spread over size new ones.
double Overlap(int i, int k, int side, int size)
{
    const double scale = static_cast<double>(side) / size;
    const double from = std::max(i * scale, static_cast<double>(k));
    const double to = std::min((i + 1) * scale, k + 1.0);
    return to > from ? to - from : 0.0;
}

unsigned char Byte(double value)
{
    return static_cast<unsigned char>(std::clamp(std::lround(value), 0L, 255L));
}

// Moves the range of columns or rows that hold colour to the middle of 0..side-1.
int CentringShift(int first, int last)
{
    return first > last ? 0 : (PictureSide - 1 - first - last) / 2;
}
} // namespace

std::vector<unsigned char> ScaleSquare(const std::vector<unsigned char>& rgba, int side, int size)
{
    std::vector<unsigned char> scaled(static_cast<std::size_t>(size) * size * 4);
    const double scale = static_cast<double>(side) / size;
    for (int y = 0; y < size; ++y)
    {
        const int firstY = static_cast<int>(y * scale);
        const int lastY = std::min(side - 1, static_cast<int>(std::ceil((y + 1) * scale)) - 1);
        for (int x = 0; x < size; ++x)
        {
            const int firstX = static_cast<int>(x * scale);
            const int lastX = std::min(side - 1, static_cast<int>(std::ceil((x + 1) * scale)) - 1);
            double sums[4] = {}; // alpha-weighted red, green, blue; alpha
            for (int sy = firstY; sy <= lastY; ++sy)
            {
                const double weightY = Overlap(y, sy, side, size);
                for (int sx = firstX; sx <= lastX; ++sx)
                {
                    const unsigned char* pixel =
                        &rgba[(static_cast<std::size_t>(sy) * side + sx) * 4];
                    const double weight = weightY * Overlap(x, sx, side, size) * pixel[3];
                    for (int channel = 0; channel < 3; ++channel)
                    {
                        sums[channel] += weight * pixel[channel];
                    }
                    sums[3] += weight;
                }
            }
            unsigned char* out = &scaled[(static_cast<std::size_t>(y) * size + x) * 4];
            for (int channel = 0; channel < 3; ++channel)
            {
                out[channel] = sums[3] > 0.0 ? Byte(sums[channel] / sums[3]) : 0;
            }
            out[3] = Byte(sums[3] / (scale * scale));
        }
    }
    return scaled;
}

bool WritePictureIcon(int picture, int size, const char* path)
{
    if (picture < 0 || picture >= PictureCount || size <= 0)
    {
        return false;
    }
    const std::int32_t* cells = Pictures[picture];
    int firstX = PictureSide, lastX = -1, firstY = PictureSide, lastY = -1;
    for (int x = 0; x < PictureSide; ++x)
    {
        for (int y = 0; y < PictureSide; ++y)
        {
            if (cells[x * PictureSide + y] != 0)
            {
                firstX = std::min(firstX, x);
                lastX = std::max(lastX, x);
                firstY = std::min(firstY, y);
                lastY = std::max(lastY, y);
            }
        }
    }
    const int shiftX = CentringShift(firstX, lastX);
    const int shiftY = CentringShift(firstY, lastY);

    SeedRand(PreviewSeed);
    InitPalette();
    std::vector<unsigned char> rgba(static_cast<std::size_t>(PictureCells) * 4, 0);
    for (int x = 0; x < PictureSide; ++x)
    {
        for (int y = 0; y < PictureSide; ++y)
        {
            const std::int32_t value = cells[x * PictureSide + y];
            if (value == 0)
            {
                continue; // transparent, as when the game draws the picture
            }
            // Rows keep the shade they have on the title screen, which starts on an even row.
            const CellRgba colour = CellColour(static_cast<unsigned char>(value), y & 1);
            const int row = y + shiftY;
            unsigned char* pixel =
                &rgba[(static_cast<std::size_t>(row) * PictureSide + x + shiftX) * 4];
            pixel[0] = Byte(colour.red * 255.0f);
            pixel[1] = Byte(colour.green * 255.0f);
            pixel[2] = Byte(colour.blue * 255.0f);
            pixel[3] = 255;
        }
    }
    // Picture rows count up from the bottom, as screen rows are read back.
    return WritePngBottomUp(path, size, size, ScaleSquare(rgba, PictureSide, size).data());
}
