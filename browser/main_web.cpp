// The browser's entry point: start-up, one iteration of the main loop per browser frame, the
// canvas kept at the page's size, full screen, and the title's hint while the browser holds
// the sound back. Every decision is made by the core; this file only talks to SDL and the page.
#include "app/keys.h"
#include "app/main_loop.h"
#include "app/shell.h"
#include "app/title_screen.h"
#include "audio/device.h"
#include "audio/mixer.h"
#include "audio/sample_bank.h"
#include "audio/status_handoff.h"
#include "display/palette.h"
#include "display/pictures.h"
#include "display/present.h"
#include "display/readback.h"
#include "platform/rand.h"

#include <SDL.h>
#include <ctime>
#include <emscripten.h>
#include <emscripten/html5.h>

namespace
{
constexpr const char* Canvas = "#canvas"; // the page's one canvas

LoopClock Clock;
bool PageShownAgain;   // the page was hidden: the time it was away is not played
int ScreenWidth = 0;   // pixels of the canvas, the page's size times the device's pixel ratio
int ScreenHeight = 0;  // pixels
bool ScreenshotWanted; // Print Screen: read back the next frame drawn, while it is on hand

double FirstFrameMs = 0; // ms from the page's start to the end of the first frame drawn

// The canvas's size in pixels for the size the page gives it.
void MeasureCanvas(int& width, int& height)
{
    double cssWidth = 0, cssHeight = 0;
    emscripten_get_element_css_size(Canvas, &cssWidth, &cssHeight);
    const double ratio = emscripten_get_device_pixel_ratio();
    width = static_cast<int>(cssWidth * ratio + 0.5);
    height = static_cast<int>(cssHeight * ratio + 0.5);
}

// Keeps the canvas at the page's size, as the native game fills the screen: a resized
// window, a turned phone or full screen all give a new viewport.
void FitCanvas()
{
    int width = 0, height = 0;
    MeasureCanvas(width, height);
    if ((width == ScreenWidth && height == ScreenHeight) || width < 1 || height < 1)
    {
        return; // unchanged, or the page is not laid out
    }
    emscripten_set_canvas_element_size(Canvas, width, height);
    ScreenWidth = width;
    ScreenHeight = height;
    ResizeViewport(width, height);
}

// Alt+Enter: the page full screen, or back from it. The key press just before lets the
// browser grant it; a refusal changes nothing.
void SwitchFullScreen()
{
    EM_ASM({
        if (document.fullscreenElement)
            document.exitFullscreen().catch(function(){});
        else
            document.documentElement.requestFullscreen().catch(function(){});
    });
}

// Browsers start sound only after a person acts on the page, and not every key counts (Alt
// alone does not): every click, touch or key press tries until the sound runs. SDL's own
// attempt listens only once.
void UnlockSoundOnAction()
{
    EM_ASM({
        ([ 'keydown', 'mousedown', 'touchstart' ]).forEach(function(type) {
            document.addEventListener(
                type,
                function() {
                    if (SDL.audioContext && SDL.audioContext.state == 'suspended')
                        SDL.audioContext.resume();
                },
                true);
        });
    });
}

bool SoundHeldBack()
{
    return EM_ASM_INT({ return SDL.audioContext && SDL.audioContext.state != 'running'; }) != 0;
}

// A hidden page gets no frames and its timers run only now and then: the sound pauses rather
// than stutter, and on its return the game goes on from where it was.
EM_BOOL NoteVisibility(int, const EmscriptenVisibilityChangeEvent* event, void*)
{
    SDL_PauseAudio(event->hidden);
    PageShownAgain = PageShownAgain || !event->hidden;
    return EM_FALSE;
}

// The page's sentence in place of the game, when the game cannot run.
void ShowFailure(const char* sentence)
{
    EM_ASM({ showFailure(UTF8ToString($0)); }, sentence);
}

Key KeyOf(const SDL_keysym& keysym)
{
    return TranslateKey(keysym.sym, (keysym.mod & KMOD_ALT) != 0);
}

void PressKey(Key key)
{
    switch (HandleKeyDown(key))
    {
        case KeyResponse::TakeScreenshot:
            ScreenshotWanted = true;
            break;
        case KeyResponse::SwitchScreen:
            SwitchFullScreen();
            break;
        case KeyResponse::MatchStarted: // the page passes no key repeats on
        case KeyResponse::None:
            break;
    }
}

void HandleEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event))
    {
        if (event.type == SDL_KEYDOWN)
        {
            PressKey(KeyOf(event.key.keysym));
        }
        else if (event.type == SDL_KEYUP)
        {
            HandleKeyUp(KeyOf(event.key.keysym));
        }
    }
}

// One iteration of the main loop, run by the browser before it shows each frame: the
// steps due, the frame, and one more sample file while the bank fills.
void RunFrame()
{
    HandleEvents();
    FitCanvas();
    if (PageShownAgain)
    {
        Clock = StartLoopClock(SDL_GetTicks());
        PageShownAgain = false;
    }
    const StepsDue due = AdvanceLoopClock(Clock, SDL_GetTicks());
    RunSteps(due.steps);
    QuitRequested = false; // a page cannot close itself: Escape leaves the title screen up
    SoundWaitsForPerson = SoundHeldBack();
    if (due.drawFrame)
    {
        DrawFrame();
        PresentCanvas();
        FirstFrameMs = FirstFrameMs == 0 ? emscripten_get_now() : FirstFrameMs;
        if (ScreenshotWanted)
        {
            TakeScreenshot(ScreenWidth, ScreenHeight); // WebGL keeps a frame only until it shows
            ScreenshotWanted = false;
        }
    }
    if (!SamplesLoaded.load(std::memory_order_relaxed))
    {
        LoadNextSample(SampleFolder);
    }
}
} // namespace

// The time from the page's start (its navigation) to the end of the first frame drawn, in
// ms; 0 before it. Called from the page by its test.
extern "C" EMSCRIPTEN_KEEPALIVE double FirstFrameMilliseconds()
{
    return FirstFrameMs;
}

int main()
{
    ResetShell();
    SeedRand(static_cast<unsigned>(std::time(nullptr)));
    MeasureCanvas(ScreenWidth, ScreenHeight);
    if (SDL_Init(SDL_INIT_VIDEO) != 0 ||
        SDL_SetVideoMode(ScreenWidth, ScreenHeight, 32, SDL_OPENGL) == nullptr)
    {
        ShowFailure("This game needs a browser that can show WebGL.");
        return 1;
    }
    SetUpViewport(ScreenWidth, ScreenHeight);
    SetUpScreenTexture();
    InitPalette();
    PrepareAudio();
    OpenAudioDevice();
    RequestEchoHalving();
    ResumeAudioDevice();
    UnlockSoundOnAction();
    LoadPictures();
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, NoteVisibility);
    Clock = StartLoopClock(SDL_GetTicks());
    emscripten_set_main_loop(RunFrame, 0, EM_FALSE);
    return 0;
}
