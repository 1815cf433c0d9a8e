// Screenshots: numbering the files and writing each one whole or not at all.
#include "display/screenshot.h"

#include "platform/numbered_file.h"
#include "platform/png_write.h"

unsigned ScreenshotCounter = 0;

namespace
{
struct Image
{
    int width, height;
    const unsigned char* rgbaBottomUp;
};

bool WriteImage(int file, const void* context)
{
    const auto* image = static_cast<const Image*>(context);
    return WritePngBottomUp(file, image->width, image->height, image->rgbaBottomUp);
}
} // namespace

bool SaveScreenshot(int width, int height, const unsigned char* rgbaBottomUp)
{
    const Image image = {width, height, rgbaBottomUp};
    return SaveNumberedFile("screen%u.png", ScreenshotCounter, WriteImage, &image);
}
