// Fuzz target: a picture file of any content is read as formatted integer input reads it,
// and drawn without harm.
#include "display/canvas.h"
#include "display/pictures.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // fmemopen refuses an empty buffer, so every input gets a trailing space, which
    // reads the same as the end of the file.
    static char text[1 << 20];
    if (size >= sizeof text)
    {
        return 0;
    }
    std::memcpy(text, data, size);
    text[size] = ' ';
    std::FILE* stream = fmemopen(text, size + 1, "r");
    if (stream == nullptr)
    {
        return 0;
    }
    ReadPicture(stream, Pictures[0]);
    std::fclose(stream);

    // The standard stream's integer extraction is the reference: the same numbers in the same
    // cells, up to the first token it refuses, and zeros from there on.
    std::istringstream reference(std::string(text, size));
    bool reading = true;
    for (int k = 0; k < PictureCells; ++k)
    {
        std::int32_t number = 0;
        reading = reading && static_cast<bool>(reference >> number);
        if (Pictures[0][(k % PictureSide) * PictureSide + k / PictureSide] !=
            (reading ? number : 0))
        {
            std::abort();
        }
    }

    ClearCanvas();
    DrawPicture(0, static_cast<int>(size % 200) - 36, static_cast<int>(size % 170) - 37);
    return 0;
}
