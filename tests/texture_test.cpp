// Tests of turning the canvas into the screen texture.
#include "display/texture.h"

#include "display/canvas.h"
#include "display/palette.h"

#include <gtest/gtest.h>

namespace
{
const unsigned char* Texel(int row, int column)
{
    return &TexturePixels[(row * TextureSide + column) * 4];
}
} // namespace

TEST(Texture, CanvasIsStoredTransposedAndOpaqueThroughThePalette)
{
    InitPalette();
    Palette[(2 * 4 + 1) * 3 + 0] = 1.0f; // orange, odd rows
    Palette[(2 * 4 + 1) * 3 + 1] = 0.5f;
    Palette[(2 * 4 + 1) * 3 + 2] = -0.2f;
    ClearCanvas();
    ScreenCells[127 * CanvasHeight + 95] = 4; // top-right cell, an odd row
    ScreenCells[10 * CanvasHeight + 0] = Black;
    ConvertCanvasToTexture();

    EXPECT_EQ(Texel(127, 95)[0], 255);
    EXPECT_EQ(Texel(127, 95)[1], 127);
    EXPECT_EQ(Texel(127, 95)[2], 0);
    EXPECT_EQ(Texel(127, 95)[3], 255);
    EXPECT_EQ(Texel(10, 0)[0] + Texel(10, 0)[1] + Texel(10, 0)[2], 0);
    EXPECT_EQ(Texel(10, 0)[3], 255);
    EXPECT_EQ(Texel(0, 1)[1], static_cast<unsigned char>(CellColour(0, 1).green * 255.0f));
}
