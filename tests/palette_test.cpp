// Tests of the drifting palette.
#include "display/palette.h"

#include "platform/rand.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

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

// Every base colour is one the screen can show (each part within 0..1). Jittered within 0.08 of
// the base at start-up, in steps of 0.0008 and reaching both ends, the palette drifts fast to
// targets within 0.04, then from tick 2000 in small steps; a match start restarts the count.
TEST(Palette, DriftsFastToNearTargetsThenSlowlyFromTick2000)
{
    float lowest = 0, highest = 0;
    for (unsigned seed = 0; seed < 40; ++seed)
    {
        SeedRand(seed);
        InitPalette();
        for (int i = 0; i < PaletteEntries; ++i)
        {
            const float base = BasePalette[i / 6][i % 3];
            ASSERT_TRUE(base >= 0.0f && base <= 1.0f) << i;
            for (const float value : {Palette[i], PaletteTarget[i]})
            {
                const float offset = (value - base) / 0.0008f;
                lowest = std::min(lowest, offset), highest = std::max(highest, offset);
                ASSERT_NEAR(offset, std::round(offset), 0.02f) << i;
            }
        }
    }
    EXPECT_TRUE(std::round(lowest) == -100 && std::round(highest) == 100) << lowest << highest;

    SeedRand(99);
    InitPalette();
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
