// Screenshots: numbering the files and writing each one whole or not at all.
#include "display/screenshot.h"

#include "display/text_scratch.h"
#include "platform/png_write.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

unsigned ScreenshotCounter = 0;

namespace
{
bool FileExists(const char* path)
{
    struct stat status;
    return lstat(path, &status) == 0;
}
} // namespace

bool SaveScreenshot(int width, int height, const unsigned char* rgbaBottomUp)
{
    unsigned number = ScreenshotCounter;
    for (;;)
    {
        std::snprintf(TextScratch, TextScratchSize, "screen%u.png", number);
        if (!FileExists(TextScratch))
        {
            break;
        }
        ++number; // never replace an earlier screenshot
    }
    ScreenshotCounter = number + 1;

    char partial[64];
    std::snprintf(partial, sizeof partial, "screen%u.png.tmp", number);
    if (!WritePngBottomUp(partial, width, height, rgbaBottomUp))
    {
        unlink(partial); // leave no half-written file behind
        return false;
    }
    // link() refuses to replace a file that appeared meanwhile; rename() would not.
    if (link(partial, TextScratch) == 0)
    {
        unlink(partial);
        return true;
    }
    // A file system without hard links: rename, now that the name is still free.
    if (errno != EEXIST && !FileExists(TextScratch) && std::rename(partial, TextScratch) == 0)
    {
        return true;
    }
    unlink(partial);
    return false;
}
