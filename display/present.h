// Showing the canvas: the OpenGL side of the display, implemented in present_gl.cpp (the
// page's, through WebGL, in browser/present_web.cpp).
#pragma once

// Start-up, first half: depth test and culling off, opaque black clear colour, the
// canvas cleared, a viewport of width x height pixels, a projection of one unit per
// canvas cell with the origin at the bottom left, and one clear of the screen.
void SetUpViewport(int width, int height);

// Start-up, second half: the noise-filled screen texture (nearest filtering, repeat
// wrap), the vertex and texture-coordinate arrays of the one screen quad, and additive
// blending. Needs the window's OpenGL context.
void SetUpScreenTexture();

// After a change of the video mode: the viewport of SetUpViewport for the new width x
// height pixels, and, where the change cost the OpenGL context (SDL 1.2 keeps it on some
// systems and not on others), the screen texture and drawing state of SetUpScreenTexture
// again with the texels as they are.
void ResizeViewport(int width, int height);

// Turns the canvas into the texture, uploads the whole texture, draws it over the
// whole window and swaps the buffers.
void PresentCanvas();
