// Tests of the drifting palette and the colour of a cell.
#include "display/palette.h"

#include "platform/rand.h"

#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

namespace
{
void Tick(int times)
{
    for (int i = 0; i < times; ++i)
    {
        TickPalette();
    }
}
} // namespace

// Jittered near the base at start-up, the palette drifts fast to nearer targets, then from
// tick 2000 in small steps; a match start restarts the count.
TEST(Palette, DriftsFastToNearTargetsThenSlowlyFromTick2000)
{
    SeedRand(99);
    InitPalette();
    for (int i = 0; i < PaletteEntries; ++i)
    {
        EXPECT_LE(std::fabs(Palette[i] - BasePalette[i / 6][i % 3]), 0.0801f) << i;
    }

    Tick(3); // the first tick draws new targets; three fast steps reach them
    for (int i = 0; i < PaletteEntries; ++i)
    {
        EXPECT_LE(std::fabs(PaletteTarget[i] - BasePalette[i / 6][i % 3]), 0.0401f) << i;
        EXPECT_EQ(Palette[i], PaletteTarget[i]) << i;
    }
    Tick(1997);
    EXPECT_EQ(PaletteSpeed, 24);
    TickPalette(); // tick 2000: new targets, and the slow drift from now on
    EXPECT_EQ(PaletteSpeed, 1);
    Palette[7] = 0.5f;
    PaletteTarget[7] = 0.512f;
    TickPalette();
    EXPECT_FLOAT_EQ(Palette[7], 0.505f);
    TickPalette();
    EXPECT_FLOAT_EQ(Palette[7], 0.51f);
    TickPalette(); // closer than a step: snaps to the target
    EXPECT_EQ(Palette[7], 0.512f);

    InitPalette();
    Tick(1500);
    RestartPaletteDrift(); // a match starts
    Tick(1999);
    EXPECT_EQ(PaletteSpeed, 24);
}

TEST(Palette, CellColourClampsAndShowsBlackWithoutAPaletteEntry)
{
    InitPalette();
    Palette[(2 * 4 + 1) * 3 + 0] = 1.07f;  // orange, odd rows, red above 1
    Palette[(2 * 0 + 0) * 3 + 1] = -0.03f; // background, even rows, green below 0
    EXPECT_EQ(std::tuple(CellColour(4, 1).red, CellColour(4, 1).alpha, CellColour(0, 0).green),
              std::tuple(1.0f, 1.0f, 0.0f));
    for (int value : {10, 11, 127, 128, 255}) // 10..127 are black too, like 128..255
    {
        const CellRgba colour = CellColour(static_cast<unsigned char>(value), value & 1);
        EXPECT_EQ(std::tuple(colour.red, colour.green, colour.blue, colour.alpha),
                  std::tuple(0.0f, 0.0f, 0.0f, 1.0f))
            << value;
    }
}
