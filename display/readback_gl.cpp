// Screenshots: reading the frame on screen back from OpenGL.
#include "display/readback.h"

#include "display/screenshot.h"

#include <GL/gl.h>
#include <cstddef>
#include <vector>

void TakeScreenshot(int width, int height)
{
    if (width <= 0 || height <= 0)
    {
        return; // no window size known
    }
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
    glReadBuffer(GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    SaveScreenshot(width, height, pixels.data());
}
