// Screenshots in the browser: the frame just drawn read back from WebGL, saved by the core
// under the native game's name, and handed to the person as a download.
#include "display/readback.h"

#include "display/screenshot.h"

#include <GLES2/gl2.h>
#include <cstddef>
#include <cstdio>
#include <emscripten.h>
#include <vector>

// In the browser the frame on show cannot be read; the caller reads the one it has just
// drawn, before the browser takes it. The file goes from the page's memory to the person.
void TakeScreenshot(int width, int height)
{
    if (width <= 0 || height <= 0)
    {
        return; // no canvas size known
    }
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    if (!SaveScreenshot(width, height, pixels.data()))
    {
        return; // nothing written
    }
    char name[32];
    std::snprintf(name, sizeof name, "screen%u.png", ScreenshotCounter - 1);
    EM_ASM(
        {
            var name = UTF8ToString($0);
            var link = document.createElement('a');
            link.href = URL.createObjectURL(new Blob([FS.readFile(name)],
                                                     {
                                                         type:
                                                             'image/png'
                                                     }));
            link.download = name;
            link.click();
            FS.unlink(name);
            setTimeout(
                function() { URL.revokeObjectURL(link.href); }, 60000);
        },
        name);
}
