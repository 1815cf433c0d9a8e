// PNG writing for screenshots: stb_image_write encodes, we write and check the file.
#include "platform/png_write.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

bool WritePngBottomUp(int file, int width, int height, const unsigned char* rgba)
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
    const unsigned char* next = png;
    while (length > 0)
    {
        const ssize_t written = write(file, next, static_cast<size_t>(length));
        if (written < 0 && errno == EINTR)
        {
            continue;
        }
        if (written <= 0)
        {
            break; // disk full, file too large, or another error: the rest stays unwritten
        }
        next += written;
        length -= static_cast<int>(written);
    }
    STBIW_FREE(png);
    return length == 0;
}

bool WritePngBottomUp(const char* path, int width, int height, const unsigned char* rgba)
{
    if (width <= 0 || height <= 0 || rgba == nullptr)
    {
        return false; // nothing to write: the file is not even created
    }
    const int file = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0)
    {
        return false;
    }
    const bool written = WritePngBottomUp(file, width, height, rgba);
    return close(file) == 0 && written;
}
