// The texture that carries the canvas to the screen: cells turned into RGBA texels.
#pragma once

constexpr int TextureSide = 256; // texels per row and column

// 256 x 256 texels of red, green, blue, alpha; texel (row r, column c) at byte
// (r * 256 + c) * 4. Canvas cell (x, y) is texel row x, column y: the canvas is stored
// transposed, one canvas column per texture row. Main thread only.
extern unsigned char TexturePixels[TextureSide * TextureSide * 4];

// Start-up: every texel gets random red, green and blue of 0..254 and alpha 255, four
// draws per texel in the order red, green, blue, alpha (the fourth unused).
void FillTextureNoise();

// Writes the colour of every canvas cell into its texel (channel value x 255, truncated)
// through the palette. Texels are opaque from start-up on and stay so.
void ConvertCanvasToTexture();
