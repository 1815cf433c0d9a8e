// Showing the canvas in the page: the texture drawn over the whole canvas element as one quad
// through WebGL itself, a shader pair of a few lines instead of emulated fixed-function GL.
#include "display/present.h"

#include "display/canvas.h"
#include "display/texture.h"

#include <GLES2/gl2.h>

namespace
{
GLuint ScreenTexture; // 256 x 256 texels, the canvas transposed in its first 128 rows
GLuint QuadProgram;   // the two shaders below
GLuint QuadBuffer;    // the quad's four corners

constexpr GLuint CornerAttribute = 0; // the one vertex attribute: a corner of the canvas, 0..1

// The corner's canvas position (x, y from the bottom left, 0..1) to clip space, and to the
// texel it shows: texture s follows canvas y (96 of 256 texels), t follows canvas x (128 of
// 256), as the texture holds the canvas transposed.
const char* const VertexShader = R"(
attribute vec2 corner;
varying vec2 texel;
void main()
{
    texel = vec2(corner.y * 0.375, corner.x * 0.5);
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
)";

const char* const FragmentShader = R"(
precision mediump float;
uniform sampler2D screen;
varying vec2 texel;
void main()
{
    gl_FragColor = texture2D(screen, texel);
}
)";

// The canvas's corners as a triangle strip.
const GLfloat QuadCorners[8] = {0, 0, 1, 0, 0, 1, 1, 1};

GLuint CompileShader(GLenum kind, const char* source)
{
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// The shader pair, the quad, the texture from TexturePixels (nearest filtering) and the
// drawing state, all bound for good: the page draws nothing else.
void SetUpDrawing()
{
    const GLuint vertex = CompileShader(GL_VERTEX_SHADER, VertexShader);
    const GLuint fragment = CompileShader(GL_FRAGMENT_SHADER, FragmentShader);
    QuadProgram = glCreateProgram();
    glAttachShader(QuadProgram, vertex);
    glAttachShader(QuadProgram, fragment);
    glBindAttribLocation(QuadProgram, CornerAttribute, "corner");
    glLinkProgram(QuadProgram);
    glDeleteShader(vertex); // kept by the program as long as it lives
    glDeleteShader(fragment);
    glUseProgram(QuadProgram);
    glUniform1i(glGetUniformLocation(QuadProgram, "screen"), 0);

    glGenBuffers(1, &QuadBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, QuadBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof QuadCorners, QuadCorners, GL_STATIC_DRAW);
    glEnableVertexAttribArray(CornerAttribute);
    glVertexAttribPointer(CornerAttribute, 2, GL_FLOAT, GL_FALSE, 0, nullptr);

    glActiveTexture(GL_TEXTURE0);
    glGenTextures(1, &ScreenTexture);
    glBindTexture(GL_TEXTURE_2D, ScreenTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, TextureSide, TextureSide, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 TexturePixels);
}
} // namespace

// The quad covers the whole canvas and every texel is opaque, so the page needs no depth,
// culling, blending or projection: only the viewport and a first clear.
void SetUpViewport(int width, int height)
{
    ClearCanvas();
    glClearColor(0, 0, 0, 1);
    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT);
}

void SetUpScreenTexture()
{
    FillTextureNoise();
    SetUpDrawing();
}

// A lost and restored WebGL context keeps none of the old objects: they are made again, the
// texture with the texels as they are.
void ResizeViewport(int width, int height)
{
    SetUpViewport(width, height);
    if (glIsTexture(ScreenTexture) == GL_FALSE || glIsProgram(QuadProgram) == GL_FALSE)
    {
        SetUpDrawing();
    }
}

// Only the texture's first CanvasWidth rows hold the canvas; the rest is never shown. The
// browser shows the frame once this frame's callback returns: there is no swap to ask for.
void PresentCanvas()
{
    ConvertCanvasToTexture();
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, TextureSide, CanvasWidth, GL_RGBA, GL_UNSIGNED_BYTE,
                    TexturePixels);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}
