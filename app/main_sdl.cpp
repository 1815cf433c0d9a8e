// The game's entry point: start-up, the main loop around SDL's events and clock, and
// shutdown. Every decision is made by the core; this file only talks to SDL.
#include "app/main_loop.h"
#include "app/shell.h"
#include "audio/device.h"
#include "audio/mixer.h"
#include "audio/sample_bank.h"
#include "audio/status_handoff.h"
#include "display/palette.h"
#include "display/pictures.h"
#include "display/present.h"
#include "display/readback.h"
#include "platform/desktop_size.h"
#include "platform/rand.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace
{
DesktopSize ScreenSize; // pixels; the window covers the whole desktop

[[noreturn]] void FailStartUp(const char* what)
{
    std::fprintf(stderr, "tumblequay: cannot %s: %s\n", what, SDL_GetError());
    SDL_Quit();
    std::exit(1);
}

void StartUp()
{
    ResetShell();
    SeedRand(static_cast<unsigned>(std::time(nullptr)));
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
    {
        FailStartUp("start the video system");
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    ScreenSize = QueryDesktopSize();
    if (SDL_SetVideoMode(ScreenSize.width, ScreenSize.height, 32, SDL_FULLSCREEN | SDL_OPENGL) ==
        nullptr)
    {
        FailStartUp("open the window");
    }
    SDL_WM_SetCaption("marrowfen", "marrowfen");
    SDL_EnableUNICODE(1);
    SDL_EnableKeyRepeat(500, 30);
    SDL_ShowCursor(SDL_DISABLE);
    SetUpViewport(ScreenSize.width, ScreenSize.height);
    SetUpScreenTexture();
    InitPalette();
    if (!StartAudio())
    {
        std::perror("tumblequay: cannot start the sample loader"); // errno names the cause
        SDL_Quit();
        std::exit(1);
    }
    OpenAudioDevice();
    RequestEchoHalving();
    ResumeAudioDevice();
    LoadPictures();
}

void HandleEvent(const SDL_Event& event)
{
    if (event.type == SDL_KEYDOWN)
    {
        switch (HandleKeyDown(event.key.keysym.sym))
        {
            case KeyResponse::TakeScreenshot:
                TakeScreenshot(ScreenSize.width, ScreenSize.height);
                break;
            case KeyResponse::MatchStarted:
                SDL_EnableKeyRepeat(0, 0);
                break;
            case KeyResponse::None:
                break;
        }
    }
    else if (event.type == SDL_KEYUP)
    {
        HandleKeyUp(event.key.keysym.sym);
    }
}

void RunMainLoop()
{
    LoopClock clock = StartLoopClock(SDL_GetTicks());
    for (;;)
    {
        SDL_Event event;
        while (SDL_PollEvent(&event))
        {
            if (event.type == SDL_QUIT)
            {
                return;
            }
            HandleEvent(event);
        }
        const StepsDue due = AdvanceLoopClock(clock, SDL_GetTicks());
        RunSteps(due.steps);
        if (QuitRequested)
        {
            return;
        }
        if (due.drawFrame)
        {
            DrawFrame();
            PresentCanvas();
        }
        SDL_Delay(ChooseSleep(clock, due.steps));
    }
}

void ShutDown()
{
    CloseAudioDevice();
    ReleaseAudio();
    ResetShell();
    SDL_Quit();
}
} // namespace

int main(int, char**)
{
    StartUp();
    RunMainLoop();
    ShutDown();
    return 0;
}
