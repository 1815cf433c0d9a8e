// The bare baseline for whole-process measurements: the game's full-screen OpenGL window,
// its 18 ms loop with the same sleep rule, and the same texture upload of a constant
// canvas, with no scene, no palette drift and no audio. What it costs is the floor the
// platform sets. Escape or closing the window ends it.
#include "app/main_loop.h"
#include "display/canvas.h"
#include "display/palette.h"
#include "display/present.h"
#include "platform/desktop_size.h"
#include "platform/rand.h"

#include <SDL.h>
#include <cstdio>
#include <ctime>

namespace
{
bool PollQuit()
{
    SDL_Event event;
    while (SDL_PollEvent(&event))
    {
        if (event.type == SDL_QUIT ||
            (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE))
        {
            return true;
        }
    }
    return false;
}
} // namespace

int main(int, char**)
{
    SeedRand(static_cast<unsigned>(std::time(nullptr)));
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
    {
        std::fprintf(stderr, "baseline: cannot start the video system: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    const DesktopSize size = QueryDesktopSize();
    if (SDL_SetVideoMode(size.width, size.height, 32, SDL_FULLSCREEN | SDL_OPENGL) == nullptr)
    {
        std::fprintf(stderr, "baseline: cannot open the window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_WM_SetCaption("baseline", "baseline");
    SDL_ShowCursor(SDL_DISABLE);
    SetUpViewport(size.width, size.height);
    SetUpScreenTexture();
    InitPalette();
    for (int cell = 0; cell < CanvasCells; ++cell)
    {
        ScreenCells[cell] = static_cast<unsigned char>(cell % PaletteColours);
    }

    LoopClock clock = StartLoopClock(SDL_GetTicks());
    while (!PollQuit())
    {
        const StepsDue due = AdvanceLoopClock(clock, SDL_GetTicks());
        if (due.drawFrame)
        {
            PresentCanvas();
        }
        SDL_Delay(ChooseSleep(clock, due.steps));
    }
    SDL_Quit();
    return 0;
}
