// The texture that carries the canvas to the screen.
#include "display/texture.h"

#include "display/canvas.h"
#include "display/palette.h"
#include "platform/rand.h"

#include <cstdint>
#include <cstring>

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
    // of the 2 x 256 combinations up once per frame rather than once per cell, as a whole
    // texel. Every texel has been opaque since start-up, so writing alpha 255 with the
    // colour leaves it as it was.
    std::uint32_t even[256]; // shade 0, even rows
    std::uint32_t odd[256];  // shade 1, odd rows
    for (int shade = 0; shade < 2; ++shade)
    {
        std::uint32_t* lookup = shade == 0 ? even : odd;
        for (int value = 0; value < 256; ++value)
        {
            const CellRgba colour = CellColour(static_cast<unsigned char>(value), shade);
            const unsigned char texel[4] = {static_cast<unsigned char>(colour.red * 255.0f),
                                            static_cast<unsigned char>(colour.green * 255.0f),
                                            static_cast<unsigned char>(colour.blue * 255.0f), 255};
            std::memcpy(&lookup[value], texel, sizeof texel);
        }
    }
    for (int x = 0; x < CanvasWidth; ++x)
    {
        const unsigned char* column = &ScreenCells[x * CanvasHeight];
        unsigned char* row = &TexturePixels[x * TextureSide * 4];
        for (int y = 0; y < CanvasHeight; y += 2)
        {
            std::memcpy(row + y * 4, &even[column[y]], 4);
            std::memcpy(row + y * 4 + 4, &odd[column[y + 1]], 4);
        }
    }
}
