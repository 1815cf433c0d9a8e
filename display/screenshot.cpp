// Screenshots: numbering the files and writing each one whole or not at all.
#include "display/screenshot.h"

#include "display/text_scratch.h"
#include "platform/png_write.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
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
    char partial[64];
    int file = -1;
    unsigned number = ScreenshotCounter;
    for (;; ++number)
    {
        std::snprintf(TextScratch, TextScratchSize, "screen%u.png", number);
        if (FileExists(TextScratch))
        {
            continue; // never replace an earlier screenshot
        }
        std::snprintf(partial, sizeof partial, "screen%u.png.tmp", number);
        // Only a file made here is ever written: O_EXCL refuses any existing name, links
        // included.
        file = open(partial, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file >= 0 || errno != EEXIST)
        {
            break;
        }
        // The temporary name is someone else's file: leave it, take the next number.
    }
    ScreenshotCounter = number + 1;
    if (file < 0)
    {
        return false; // the folder cannot be written
    }

    const bool written = WritePngBottomUp(file, width, height, rgbaBottomUp);
    if (close(file) != 0 || !written)
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
