// The texture that carries the canvas to the screen.
#include "display/texture.h"

#include "display/canvas.h"
#include "display/palette.h"
#include "platform/rand.h"

unsigned char TexturePixels[TextureSide * TextureSide * 4];

void FillTextureNoise()
{
    for (int texel = 0; texel < TextureSide * TextureSide; ++texel)
    {
        unsigned char* bytes = &TexturePixels[texel * 4];
        bytes[0] = static_cast<unsigned char>(Rand() % 255);
        bytes[1] = static_cast<unsigned char>(Rand() % 255);
        bytes[2] = static_cast<unsigned char>(Rand() % 255);
        Rand(); // the alpha draw is made but not used
        bytes[3] = 255;
    }
}

void ConvertCanvasToTexture()
{
    // The colour of a cell depends only on its value and its row's parity, so look each
    // of the 2 x 256 combinations up once per frame rather than once per cell.
    unsigned char lookup[2][256][3];
    for (int shade = 0; shade < 2; ++shade)
    {
        for (int value = 0; value < 256; ++value)
        {
            const CellRgba colour = CellColour(static_cast<unsigned char>(value), shade);
            lookup[shade][value][0] = static_cast<unsigned char>(colour.red * 255.0f);
            lookup[shade][value][1] = static_cast<unsigned char>(colour.green * 255.0f);
            lookup[shade][value][2] = static_cast<unsigned char>(colour.blue * 255.0f);
        }
    }
    for (int x = 0; x < CanvasWidth; ++x)
    {
        const unsigned char* column = &ScreenCells[x * CanvasHeight];
        unsigned char* row = &TexturePixels[x * TextureSide * 4];
        for (int y = 0; y < CanvasHeight; ++y)
        {
            const unsigned char* rgb = lookup[y & 1][column[y]];
            row[y * 4 + 0] = rgb[0];
            row[y * 4 + 1] = rgb[1];
            row[y * 4 + 2] = rgb[2];
        }
    }
}
