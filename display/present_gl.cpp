// Showing the canvas: one texture stretched over the window with OpenGL 1.1.
#include "display/present.h"

#include "display/canvas.h"
#include "display/texture.h"

#include <GL/gl.h>
#include <SDL.h>

namespace
{
GLuint ScreenTexture;

// One quad of two triangles over the whole canvas, in canvas cells.
const GLfloat QuadVertices[12] = {0, 0, 128, 0, 128, 96, 0, 0, 128, 96, 0, 96};
// Texture s follows canvas y (96 of 256 texels), t follows canvas x (128 of 256).
const GLfloat QuadTexCoords[12] = {0, 0, 0, 0.5f, 0.375f, 0.5f, 0, 0, 0.375f, 0.5f, 0.375f, 0};

void UploadTexture()
{
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, TextureSide, TextureSide, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 TexturePixels);
}

// The screen texture from TexturePixels, the quad's arrays and the blending.
void SetUpDrawing()
{
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &ScreenTexture);
    glBindTexture(GL_TEXTURE_2D, ScreenTexture);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    UploadTexture();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glVertexPointer(2, GL_FLOAT, 0, QuadVertices);
    glTexCoordPointer(2, GL_FLOAT, 0, QuadTexCoords);
}
} // namespace

void SetUpViewport(int width, int height)
{
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glClearColor(0, 0, 0, 1);
    ClearCanvas();
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, CanvasWidth, 0, CanvasHeight, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT);
}

void SetUpScreenTexture()
{
    FillTextureNoise();
    SetUpDrawing();
}

void ResizeViewport(int width, int height)
{
    SetUpViewport(width, height);
    if (glIsTexture(ScreenTexture) == GL_FALSE)
    {
        SetUpDrawing(); // a new context: the old one's texture and state went with it
    }
}

void PresentCanvas()
{
    glClear(GL_COLOR_BUFFER_BIT);
    ConvertCanvasToTexture();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, ScreenTexture);
    UploadTexture();
    glDrawArrays(GL_TRIANGLES, 0, 6);
    SDL_GL_SwapBuffers();
}
