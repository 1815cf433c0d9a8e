// PNG writing for screenshots: stb_image_write encodes, we write and check the file.
#include "platform/png_write.h"

#include <cstdio>
#include <cstdlib>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

bool WritePngBottomUp(const char* path, int width, int height, const unsigned char* rgba)
{
    if (width <= 0 || height <= 0 || rgba == nullptr)
    {
        return false;
    }
    const int stride = width * 4;
    // Start at the top row and step down through memory: a negative stride flips the
    // image without a copy.
    const unsigned char* topRow = rgba + static_cast<long>(stride) * (height - 1);
    int length = 0;
    unsigned char* png = stbi_write_png_to_mem(topRow, -stride, width, height, 4, &length);
    if (png == nullptr)
    {
        return false; // out of memory
    }
    bool written = false;
    if (FILE* file = std::fopen(path, "wb"))
    {
        written = std::fwrite(png, 1, length, file) == static_cast<size_t>(length);
        written = std::fclose(file) == 0 && written;
    }
    STBIW_FREE(png);
    return written;
}
