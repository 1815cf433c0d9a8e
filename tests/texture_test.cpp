// Tests of turning the canvas into the screen texture.
#include "display/texture.h"

#include "display/canvas.h"
#include "display/palette.h"
#include "platform/rand.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace
{
// The red, green, blue and alpha of one texel.
std::vector<int> Texel(int row, int column)
{
    const unsigned char* texel = &TexturePixels[(row * TextureSide + column) * 4];
    return {texel[0], texel[1], texel[2], texel[3]};
}
} // namespace

// Noise at start-up: four draws per texel, red, green and blue of 0..254 from the first three,
// and every texel opaque. Then the canvas's cells go to their texels through the palette.
TEST(Texture, CanvasIsStoredTransposedAndOpaqueThroughThePalette)
{
    SeedRand(8);
    const int red = Rand() % 255, green = Rand() % 255, blue = Rand() % 255;
    for (int n = 3; n < 4 * TextureSide * TextureSide; ++n)
    {
        Rand();
    }
    const int next = Rand();
    SeedRand(8);
    FillTextureNoise();
    EXPECT_EQ(std::pair(Rand(), Texel(0, 0)), std::pair(next, std::vector{red, green, blue, 255}));
    unsigned char highest[4] = {};
    for (int n = 0; n < TextureSide * TextureSide * 4; ++n)
    {
        highest[n % 4] = std::max(highest[n % 4], TexturePixels[n]);
        ASSERT_TRUE(n % 4 != 3 || TexturePixels[n] == 255) << n;
    }
    EXPECT_EQ(std::vector<int>(highest, highest + 3), (std::vector{254, 254, 254}));

    InitPalette();
    float* orange = &Palette[(2 * 4 + 1) * 3]; // odd rows
    orange[0] = 1.07f, orange[1] = 0.5f, orange[2] = -0.2f;
    ClearCanvas();
    ScreenCells[127 * CanvasHeight + 95] = 4; // top-right cell, an odd row
    ScreenCells[10 * CanvasHeight + 0] = Black;
    ScreenCells[11 * CanvasHeight + 0] = PaletteColours; // 10..127 have no colour either
    ConvertCanvasToTexture();

    EXPECT_EQ(Texel(127, 95), (std::vector{255, 127, 0, 255})); // clamped into 0..1
    EXPECT_EQ(Texel(10, 0), (std::vector{0, 0, 0, 255}));
    EXPECT_EQ(Texel(11, 0), (std::vector{0, 0, 0, 255}));
    EXPECT_EQ(Texel(0, 1)[1], static_cast<unsigned char>(CellColour(0, 1).green * 255.0f));
}
