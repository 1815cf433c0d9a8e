// Tests of turning the canvas into the screen texture.
#include "display/texture.h"

#include "display/canvas.h"
#include "display/palette.h"
#include "platform/rand.h"

#include <gtest/gtest.h>

namespace
{
const unsigned char* Texel(int row, int column)
{
    return &TexturePixels[(row * TextureSide + column) * 4];
}
} // namespace

TEST(Texture, StartUpNoiseIsOpaqueWithColoursBelow255)
{
    SeedRand(11);
    FillTextureNoise();
    for (int texel = 0; texel < TextureSide * TextureSide; ++texel)
    {
        ASSERT_LT(TexturePixels[texel * 4 + 0], 255);
        ASSERT_LT(TexturePixels[texel * 4 + 1], 255);
        ASSERT_LT(TexturePixels[texel * 4 + 2], 255);
        ASSERT_EQ(TexturePixels[texel * 4 + 3], 255);
    }
    SeedRand(11);
    Rand();
    Rand();
    Rand();
    Rand(); // four draws per texel, the alpha one unused
    EXPECT_EQ(Texel(0, 1)[0], Rand() % 255);
}

TEST(Texture, CanvasIsStoredTransposedThroughThePalette)
{
    SeedRand(2);
    FillTextureNoise();
    InitPalette();
    Palette[(2 * 4 + 1) * 3 + 0] = 1.0f; // orange, odd rows
    Palette[(2 * 4 + 1) * 3 + 1] = 0.5f;
    Palette[(2 * 4 + 1) * 3 + 2] = -0.2f;
    ClearCanvas();
    ScreenCells[127 * CanvasHeight + 95] = 4; // top-right cell, an odd row
    ScreenCells[10 * CanvasHeight + 0] = Black;
    ConvertCanvasToTexture();

    const unsigned char* topRight = Texel(127, 95);
    EXPECT_EQ(topRight[0], 255);
    EXPECT_EQ(topRight[1], 127);
    EXPECT_EQ(topRight[2], 0);
    EXPECT_EQ(topRight[3], 255);
    const unsigned char* black = Texel(10, 0);
    EXPECT_EQ(black[0] + black[1] + black[2], 0);

    const CellRgba background = CellColour(0, 1);
    EXPECT_EQ(Texel(0, 1)[1], static_cast<unsigned char>(background.green * 255.0f));
    // Texels outside the shown part keep their start-up noise.
    SeedRand(2);
    for (int draw = 0; draw < 4 * 96; ++draw)
    {
        Rand();
    }
    EXPECT_EQ(Texel(0, 96)[0], Rand() % 255);
}
