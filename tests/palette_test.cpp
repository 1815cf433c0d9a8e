// Tests of the drifting palette and the colour of a cell.
#include "display/palette.h"

#include "platform/rand.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(Palette, StartUpJitterDrawsShownValueThenTargetPerEntry)
{
    SeedRand(99);
    const int firstShown = Rand() % 201 - 100;
    const int firstTarget = Rand() % 201 - 100;
    SeedRand(99);
    InitPalette();
    EXPECT_FLOAT_EQ(Palette[0], BasePalette[0][0] + firstShown * 0.0008f);
    EXPECT_FLOAT_EQ(PaletteTarget[0], BasePalette[0][0] + firstTarget * 0.0008f);
    for (int colour = 0; colour < PaletteColours; ++colour)
    {
        for (int i = 0; i < 6; ++i)
        {
            const float base = BasePalette[colour][i % 3];
            EXPECT_LE(std::fabs(Palette[colour * 6 + i] - base), 0.0801f);
            EXPECT_LE(std::fabs(PaletteTarget[colour * 6 + i] - base), 0.0801f);
        }
    }
    EXPECT_EQ(PaletteSpeed, 24);
    EXPECT_EQ(PaletteTick, 0);
}

TEST(Palette, FirstTickRetargetsNearBaseAndColoursSettleQuickly)
{
    SeedRand(5);
    InitPalette();
    TickDisplay();
    for (int i = 0; i < PaletteEntries; ++i)
    {
        EXPECT_LE(std::fabs(PaletteTarget[i] - BasePalette[i / 6][i % 3]), 0.0401f) << i;
    }
    TickDisplay();
    TickDisplay();
    for (int i = 0; i < PaletteEntries; ++i)
    {
        EXPECT_EQ(Palette[i], PaletteTarget[i]) << i;
    }
}

TEST(Palette, DriftSlowsAtTick2000AndMatchStartRestartsTheCount)
{
    SeedRand(1);
    InitPalette();
    for (int i = 0; i < 2000; ++i)
    {
        TickDisplay();
    }
    EXPECT_EQ(PaletteSpeed, 24);
    TickDisplay(); // tick 2000: new targets, and the slow drift from now on
    EXPECT_EQ(PaletteSpeed, 1);

    InitPalette();
    for (int i = 0; i < 1500; ++i)
    {
        TickDisplay();
    }
    PaletteTick = 0; // a match starts
    for (int i = 0; i < 1999; ++i)
    {
        TickDisplay();
    }
    EXPECT_EQ(PaletteSpeed, 24);
}

TEST(Palette, SlowDriftStepsThenSnapsToTarget)
{
    InitPalette();
    PaletteSpeed = 1;
    PaletteTick = 1;
    Palette[7] = 0.5f;
    PaletteTarget[7] = 0.512f;
    TickDisplay();
    EXPECT_FLOAT_EQ(Palette[7], 0.505f);
    TickDisplay();
    EXPECT_FLOAT_EQ(Palette[7], 0.51f);
    TickDisplay();
    EXPECT_EQ(Palette[7], 0.512f);
}

TEST(Palette, CellColourClampsAndShowsBlackWithoutAPaletteEntry)
{
    InitPalette();
    Palette[(2 * 4 + 1) * 3 + 0] = 1.07f;  // orange, odd rows, red above 1
    Palette[(2 * 0 + 0) * 3 + 1] = -0.03f; // background, even rows, green below 0
    const CellRgba orange = CellColour(4, 1);
    EXPECT_EQ(orange.red, 1.0f);
    EXPECT_EQ(orange.alpha, 1.0f);
    EXPECT_EQ(CellColour(0, 0).green, 0.0f);
    EXPECT_EQ(CellColour(5, 0).green, Palette[(2 * 5 + 0) * 3 + 1]);
    EXPECT_EQ(CellColour(5, 1).green, Palette[(2 * 5 + 1) * 3 + 1]);
    for (int value : {10, 11, 64, 127, 128, 200, 255})
    {
        for (int shade = 0; shade < 2; ++shade)
        {
            const CellRgba colour = CellColour(static_cast<unsigned char>(value), shade);
            EXPECT_EQ(colour.red + colour.green + colour.blue, 0.0f) << value;
            EXPECT_EQ(colour.alpha, 1.0f);
        }
    }
}
