// The three decorative pictures: reading them and drawing them into the canvas.
#include "display/pictures.h"

#include "display/canvas.h"
#include "display/text_scratch.h"

#include <cctype>
#include <cstring>

std::int32_t Pictures[PictureCount][PictureCells];

namespace
{
// Reads one decimal integer as formatted input does: leading white space of any kind,
// an optional sign, then digits. Returns false, having consumed the bad characters,
// for anything else and for a number outside the signed 32-bit range.
bool ReadNumber(std::FILE* stream, std::int32_t* number)
{
    int c = std::getc(stream);
    while (c != EOF && std::isspace(c))
    {
        c = std::getc(stream);
    }
    bool negative = false;
    if (c == '+' || c == '-')
    {
        negative = c == '-';
        c = std::getc(stream);
    }
    if (c == EOF || !std::isdigit(c))
    {
        return false;
    }
    std::int64_t value = 0;
    bool overflow = false;
    for (; c != EOF && std::isdigit(c); c = std::getc(stream))
    {
        if (!overflow)
        {
            value = value * 10 + (c - '0');
            overflow = value > static_cast<std::int64_t>(INT32_MAX) + 1;
        }
    }
    if (c != EOF)
    {
        std::ungetc(c, stream);
    }
    if (negative)
    {
        value = -value;
    }
    if (overflow || value > INT32_MAX || value < INT32_MIN)
    {
        return false;
    }
    *number = static_cast<std::int32_t>(value);
    return true;
}
} // namespace

void ReadPicture(std::FILE* stream, std::int32_t* picture)
{
    std::memset(picture, 0, sizeof(std::int32_t) * PictureCells);
    for (int k = 0; k < PictureCells; ++k)
    {
        std::int32_t number = 0;
        if (!ReadNumber(stream, &number))
        {
            return; // short file or bad token: the rest stays transparent
        }
        picture[(k % PictureSide) * PictureSide + k / PictureSide] = number;
    }
}

void LoadPictures()
{
    for (int n = 0; n < PictureCount; ++n)
    {
        std::snprintf(TextScratch, TextScratchSize, "dat/ms%d.txt", n);
        std::FILE* file = std::fopen(TextScratch, "r");
        if (file == nullptr)
        {
            std::memset(Pictures[n], 0, sizeof Pictures[n]); // missing: draws nothing
            continue;
        }
        ReadPicture(file, Pictures[n]);
        std::fclose(file);
    }
}

void DrawPicture(int picture, int centreX, int centreY)
{
    if (picture < 0 || picture >= PictureCount)
    {
        return; // no such picture
    }
    const std::int32_t* cells = Pictures[picture];
    for (int c = 0; c < PictureSide; ++c)
    {
        for (int r = 0; r < PictureSide; ++r)
        {
            const std::int32_t value = cells[c * PictureSide + r];
            if (value != 0)
            {
                PlotCell(centreX - 32 + c, centreY - 32 + r, static_cast<unsigned char>(value));
            }
        }
    }
}
