// The animated palette.
#include "display/palette.h"

#include "platform/rand.h"

#include <cmath>

const float BasePalette[PaletteColours][3] = {
    {0.0f, 0.0f, 0.0f},    // 0 background
    {0.4f, 0.4f, 0.44f},   // 1 grey
    {0.75f, 0.75f, 0.8f},  // 2 light grey
    {0.5f, 0.29f, 0.04f},  // 3 brown
    {1.0f, 0.5f, 0.0f},    // 4 orange
    {0.01f, 0.17f, 0.74f}, // 5 deep blue
    {0.07f, 0.33f, 1.0f},  // 6 blue
    {0.05f, 0.1f, 0.0f},   // 7 dark green
    {0.3f, 0.0f, 0.4f},    // 8 purple
    {1.0f, 0.05f, 0.33f},  // 9 red
};
static_assert(sizeof BasePalette / sizeof BasePalette[0] == PaletteColours);

float Palette[PaletteEntries];
float PaletteTarget[PaletteEntries];
int PaletteSpeed = 24;
int PaletteTick = 0;

namespace
{
// A random offset of -100..100 steps of the given size around 0.
float Jitter(float stepSize)
{
    return static_cast<float>(Rand() % 201 - 100) * stepSize;
}

float Clamp01(float value)
{
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}
} // namespace

void InitPalette()
{
    for (int colour = 0; colour < PaletteColours; ++colour)
    {
        for (int shade = 0; shade < 2; ++shade)
        {
            for (int channel = 0; channel < 3; ++channel)
            {
                const int i = (2 * colour + shade) * 3 + channel;
                Palette[i] = BasePalette[colour][channel] + Jitter(0.0008f);
                PaletteTarget[i] = BasePalette[colour][channel] + Jitter(0.0008f);
            }
        }
    }
    PaletteSpeed = 24;
    PaletteTick = 0;
}

void TickPalette()
{
    const float step = static_cast<float>(PaletteSpeed) * 0.005f;
    for (int i = 0; i < PaletteEntries; ++i)
    {
        if (std::fabs(Palette[i] - PaletteTarget[i]) < step)
        {
            Palette[i] = PaletteTarget[i];
        }
        else if (PaletteTarget[i] > Palette[i])
        {
            Palette[i] += step;
        }
        else
        {
            Palette[i] -= step;
        }
    }
    if (PaletteTick % PaletteRetargetTicks == 0)
    {
        if (PaletteTick > 0)
        {
            PaletteSpeed = 1;
        }
        for (int colour = 0; colour < PaletteColours; ++colour)
        {
            for (int shade = 0; shade < 2; ++shade)
            {
                for (int channel = 0; channel < 3; ++channel)
                {
                    PaletteTarget[(2 * colour + shade) * 3 + channel] =
                        BasePalette[colour][channel] + Jitter(0.0004f);
                }
            }
        }
    }
    ++PaletteTick;
}

void RestartPaletteDrift()
{
    PaletteTick = 0;
}

CellRgba CellColour(unsigned char value, int shade)
{
    if (value >= PaletteColours)
    {
        return {0.0f, 0.0f, 0.0f, 1.0f}; // black, and 10..127 have no colour of their own
    }
    const float* rgb = &Palette[(2 * value + (shade & 1)) * 3];
    return {Clamp01(rgb[0]), Clamp01(rgb[1]), Clamp01(rgb[2]), 1.0f};
}
