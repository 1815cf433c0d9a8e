// The browser's entry point: start-up, one iteration of the main loop per browser frame, the
// canvas kept at the size the page gives it, full screen, the page's buttons as the game's
// keys, the title's hint while the browser holds the sound back, and online play through the
// meeting point the page names. Every decision is made by the core; this file only talks to
// SDL, WebGL and the page.
#include "app/keys.h"
#include "app/main_loop.h"
#include "app/meeting.h"
#include "app/online.h"
#include "app/page_play.h"
#include "app/settings.h"
#include "app/shell.h"
#include "app/sound_control.h"
#include "app/title_screen.h"
#include "audio/device.h"
#include "audio/mixer.h"
#include "audio/sample_bank.h"
#include "audio/status_handoff.h"
#include "display/canvas.h"
#include "display/palette.h"
#include "display/pictures.h"
#include "display/present.h"
#include "display/readback.h"
#include "match/computer_level.h"
#include "match/game_title.h"
#include "match/match_draw.h"
#include "net/link.h"
#include "net/meet_link_web.h"
#include "net/meet_play.h"
#include "platform/rand.h"

#include <SDL.h>
#include <cstdio>
#include <cstring>
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

double FirstFrameMs = 0;   // ms from the page's start to the end of the first frame drawn
double ChangedFrameMs = 0; // ms from the page's start to the last frame whose move counts changed
unsigned ShownDigest;      // of the cells shown last
bool SoundOpened;          // the audio device is open: a person has acted on the page

// The page's controls (the elements with data-control="name"), each one of the game's keys.
// They reach the game as the keys of a pad would, apart from the keyboard's: the page reads no
// pads.
enum class Acts
{
    Held,      // pressed and released with the control
    InMatch,   // as Held, but only in a match: on the title screen it does nothing
    WhenLetGo, // pressed and released as it is let go
};
struct Control
{
    const char* name;
    Key key;
    Acts acts;
};
const Control Controls[] = {
    {"turn-left", KeyCursorLeft, Acts::Held},
    {"step", KeyCursorUp, Acts::Held},
    {"turn-right", KeyCursorRight, Acts::Held},
    {"switch", KeyCursorDown, Acts::Held},
    {"people", KeySpace, Acts::Held}, // on the title screen: a match of two people
    {"easy", Key1, Acts::Held},
    {"normal", Key2, Acts::Held},
    {"hard", Key3, Acts::Held},
    {"leave", KeyEscape, Acts::Held},
    {"picture", KeySpace, Acts::InMatch}, // takes the turn's banner away
    // A browser grants full screen to a touch only as the finger is lifted.
    {"full-screen", KeyAltEnter, Acts::WhenLetGo},
};
constexpr int ControlCount = sizeof Controls / sizeof Controls[0];

// A tap may come and go between two steps, which would leave the match nothing to see: its
// release waits for the next step.
bool PressUnseen[ControlCount]; // pressed since the last step
bool ReleaseDue[ControlCount];  // let go before a step saw the press

char ShownScreen[32]; // what the page's controls were last told: "title", or "match" and rival

// Online play: the meeting point meet.txt names, and what the page asked for, carried out in
// the next iteration (a button's event may come while the iteration awaits Web Crypto).
enum class OnlineRequest
{
    None,
    Host,
    Join,
};
PageMeet Meet;
bool MeetNamed;
OnlineRequest Requested = OnlineRequest::None;
JoinCode RequestedCode;
bool OnlineShown; // the page was told the code and the link, or the join

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

// Browsers let a page start its sound only from a person's action, and not every key counts
// (Alt alone does not). The device, and with it the browser's audio, opens at the first action
// that counts, so that the browser never has to refuse it; every later one tries again while
// the browser holds the sound back.
void StartSoundOnAction()
{
    EM_ASM({
        ([ 'keydown', 'mousedown', 'pointerup', 'touchend' ]).forEach(function(type) {
            document.addEventListener(
                type,
                function() {
                    var activation = navigator.userActivation;
                    if (activation && !activation.isActive)
                        return; // an action that lets no sound start
                    _StartSound();
                    if (SDL.audioContext.state == 'suspended')
                        SDL.audioContext.resume();
                },
                true);
        });
    });
}

bool SoundHeldBack()
{
    return !SoundOpened ||
           EM_ASM_INT({ return SDL.audioContext && SDL.audioContext.state != 'running'; }) != 0;
}

// A hidden page gets no frames and its timers run only now and then: the sound pauses rather
// than stutter, and on its return the game goes on from where it was.
EM_BOOL NoteVisibility(int, const EmscriptenVisibilityChangeEvent* event, void*)
{
    SDL_PauseAudio(event->hidden);
    PageShownAgain = PageShownAgain || !event->hidden;
    return EM_FALSE;
}

// The browser gave back the WebGL context it took away (the page asked for it): none of the
// old objects came back with it.
EM_BOOL RestoreContext(int, const void*, void*)
{
    ResizeViewport(ScreenWidth, ScreenHeight);
    return EM_FALSE;
}

// The settings the page keeps in the browser's local storage (the settings file's text), read at
// start; storage the browser refuses or has none of counts as none.
Settings LoadStoredSettings()
{
    static char text[MaxSettingsBytes + 1];
    const int size = EM_ASM_INT(
        {
            var text = null;
            try
            {
                text = localStorage.getItem('tumblequay-settings');
            }
            catch (refused)
            {
            }
            if (text == null)
                return -1;
            var length = lengthBytesUTF8(text);
            if (length > $1)
                return $1 + 1;
            stringToUTF8(text, $0, $1 + 1);
            return length;
        },
        text, MaxSettingsBytes);
    return TakeSettings(size >= 0 ? text : nullptr, size >= 0 ? static_cast<std::size_t>(size) : 0,
                        "the browser's storage", stderr);
}

// What the player changed goes into the browser's local storage; a browser that refuses it
// keeps nothing, silently.
void StoreSettings()
{
    if (!SettingsChanged)
    {
        return;
    }
    SettingsChanged = false;
    char text[MaxSettingsBytes];
    text[FormatSettings(KeptSettings, text, sizeof text - 1)] = '\0';
    EM_ASM(
        {
            try
            {
                localStorage.setItem('tumblequay-settings', UTF8ToString($0));
            }
            catch (refused)
            {
            }
        },
        text);
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

void RespondToKey(KeyResponse response)
{
    switch (response)
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

void PressKey(Key key, KeySource source)
{
    RespondToKey(RouteKeyDown(key, SDL_GetTicks(), source));
}

void ReleaseKey(Key key, KeySource source)
{
    RouteKeyUp(key, SDL_GetTicks(), source);
}

void HandleEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event))
    {
        if (event.type == SDL_KEYDOWN)
        {
            PressKey(KeyOf(event.key.keysym), KeySource::Keyboard);
        }
        else if (event.type == SDL_KEYUP)
        {
            ReleaseKey(KeyOf(event.key.keysym), KeySource::Keyboard);
        }
    }
}

// After steps, every control's press has been seen; those let go meanwhile are released.
void ReleaseSeenControls(int steps)
{
    if (steps == 0)
    {
        return; // no step has seen the presses yet
    }
    for (int n = 0; n < ControlCount; ++n)
    {
        if (ReleaseDue[n])
        {
            ReleaseKey(Controls[n].key, KeySource::Pads);
        }
        PressUnseen[n] = false;
        ReleaseDue[n] = false;
    }
}

// Tells the page which controls to show: those of the title screen, or of a match, naming
// the computer's level in a match against it (its team has no buttons). Only changes go out.
void ShowControls()
{
    char screen[sizeof ShownScreen] = "title";
    if (MatchRunning || FriendSide.stage == FriendStage::Joined)
    {
        std::snprintf(screen, sizeof screen, "match %s",
                      MatchRunning && ComputerMatch != nullptr
                          ? LevelName(ComputerMatch->computerLevel)
                          : "");
    }
    if (std::strcmp(screen, ShownScreen) == 0)
    {
        return;
    }
    std::strcpy(ShownScreen, screen);
    EM_ASM({ showControls(UTF8ToString($0)); }, ShownScreen);
}

// Gives every control of the page its index in Controls, for PressControl.
void WireControls()
{
    for (int n = 0; n < ControlCount; ++n)
    {
        EM_ASM({ wireControl(UTF8ToString($0), $1); }, Controls[n].name, n);
    }
}

// A control of the page went down (down 1) or up (0): its key reaches the game as a pad's
// would, the release no sooner than a step after the press. The page keeps them for the next
// iteration (TakeControlPress). The page sends each control's
// press once however many fingers hold it, and its release once the last lets go. An index
// out of range does nothing.
void PressControl(int index, int down)
{
    if (index < 0 || index >= ControlCount)
    {
        return; // no control of ours
    }
    const Control& control = Controls[index];
    if (control.acts == Acts::InMatch && !MatchRunning && !ShowingHost() && down != 0)
    {
        return; // the title screen has no use for it
    }
    if (control.acts == Acts::WhenLetGo)
    {
        if (down == 0)
        {
            PressKey(control.key, KeySource::Pads);
            ReleaseKey(control.key, KeySource::Pads);
        }
        return;
    }
    if (down != 0)
    {
        PressKey(control.key, KeySource::Pads);
        PressUnseen[index] = true;
        ReleaseDue[index] = false;
    }
    else if (PressUnseen[index])
    {
        ReleaseDue[index] = true;
    }
    else
    {
        ReleaseKey(control.key, KeySource::Pads);
    }
}

// The next press or release of the page's controls since the last iteration: the control's
// index times 2, plus 1 when it went down; -1 when none is left.
EM_JS(int, TakeControlPress, (), {
    var press = controlPresses.shift();
    return press ? press[0] * 2 + press[1] : -1;
});

void TakeControlPresses()
{
    for (int press; (press = TakeControlPress()) >= 0;)
    {
        PressControl(press / 2, press % 2);
    }
}

// Tells the page once what online play it started: hosting, with the code and the link to
// give, or joining.
void ShowOnline()
{
    if (OnlineShown || Role == OnlineRole::Offline)
    {
        return;
    }
    OnlineShown = true;
    if (Role != OnlineRole::Hosting)
    {
        EM_ASM({ showOnline("joining", "", ""); });
        return;
    }
    char page[MaxPageLinkBytes];
    EM_ASM({ stringToUTF8(location.href, $0, $1); }, page, sizeof page);
    char code[JoinCodeLength + 1];
    FormatJoinCode(HostSide.code, code);
    char link[MaxPageLinkBytes];
    if (FormatPageLink(page, HostSide.code, link, sizeof link) == 0)
    {
        link[0] = '\0'; // an address too long to give
    }
    EM_ASM({ showOnline('hosting', UTF8ToString($0), UTF8ToString($1)); }, code, link);
}

// What the page asked for, once the iteration can wait for Web Crypto.
void StartRequested(unsigned now)
{
    const OnlineRequest request = Requested;
    Requested = OnlineRequest::None;
    if (request == OnlineRequest::Host)
    {
        StartPageHosting(Meet, now);
    }
    else if (request == OnlineRequest::Join)
    {
        StartPageJoining(Meet, RequestedCode, now);
    }
}

// The online part of an iteration, before the steps: what came from the meeting point and
// the link, the sessions' timeouts, the friend's choice of path.
void RunOnline(unsigned now)
{
    StartRequested(now);
    PumpMeet(now);
    TickMeetPlay(now);
    LinkEvent linkEvent;
    for (int n = 0; n < MaxLinkEventsPerIteration && PollLink(linkEvent); ++n)
    {
        HandleOnlineEvent(linkEvent, now);
    }
    RespondToKey(TickOnline(now));
    TickPageOnline(now);
    RunMeeting(stdout, stdout, {PortState::Asking, 0, 0}, now);
    ShowOnline();
}

// Keeps the time of a frame whose move counts (the panels' rows 14..21) differ from the one
// shown before, for the measure of a key's way to the picture: a move a key spends shows there
// at once, and nothing else moves them.
void NoteChangedFrame()
{
    unsigned digest = 2166136261u;
    for (int x = 0; x < CanvasWidth; x += x == LeftFrame - 1 ? RightFrame - LeftFrame + 2 : 1)
    {
        for (int y = 14; y <= 21; ++y)
        {
            digest = (digest ^ ScreenCells[x * CanvasHeight + y]) * 16777619u;
        }
    }
    ChangedFrameMs = digest != ShownDigest ? emscripten_get_now() : ChangedFrameMs;
    ShownDigest = digest;
}

// One iteration of the main loop, run by the browser before it shows each frame: the
// steps due, the frame, and one more sample file while the bank fills.
void RunFrame()
{
    HandleEvents();
    TakeControlPresses();
    StoreSettings();
    FitCanvas();
    if (PageShownAgain)
    {
        Clock = StartLoopClock(SDL_GetTicks());
        PageShownAgain = false;
    }
    const unsigned now = SDL_GetTicks();
    RunOnline(now);
    const StepsDue due = AdvanceLoopClock(Clock, now);
    const bool joined = ShowingHost();
    if (joined)
    {
        RunJoinedSteps(due.steps);
    }
    else
    {
        RunSteps(MatchWaits() ? 0 : due.steps);
        SendHostSounds();
    }
    ReleaseSeenControls(due.steps);
    QuitRequested = false; // a page cannot close itself: Escape leaves the title screen up
    SoundWaitsForPerson = SoundHeldBack();
    ShowControls();
    if (joined ? DrawJoinedFrame() : due.drawFrame)
    {
        if (!joined)
        {
            DrawFrame();
        }
        if (!joined && !RulesShown) // the rules' page covers the band
        {
            DrawOnlineBand(now);
        }
        if (!RulesShown)
        {
            DrawMeetingWords();
        }
        PresentCanvas();
        SendHostFrame(now);
        FirstFrameMs = FirstFrameMs == 0 ? emscripten_get_now() : FirstFrameMs;
        NoteChangedFrame();
        if (ScreenshotWanted)
        {
            TakeScreenshot(ScreenWidth, ScreenHeight); // WebGL keeps a frame only until it shows
            ScreenshotWanted = false;
        }
    }
    FlushLinkOrders();
    if (!SamplesLoaded.load(std::memory_order_relaxed))
    {
        LoadNextSample(SampleFolder);
    }
}
} // namespace

// The text of meet.txt beside the page (size bytes): the meeting point online play goes
// through. 1 when it names one (the page then offers hosting and joining), 0 when not.
extern "C" EMSCRIPTEN_KEEPALIVE int NameMeetingPoint(const char* text, int size)
{
    MeetNamed = ReadPageMeet(text, size, Meet);
    UseSecureMeet(MeetNamed && Meet.secure);
    return MeetNamed ? 1 : 0;
}

// The page's Host button: a game to host through the meeting point, from the next iteration.
// 0 when no meeting point is named or online play has started.
extern "C" EMSCRIPTEN_KEEPALIVE int HostOnline()
{
    if (!MeetNamed || Role != OnlineRole::Offline)
    {
        return 0;
    }
    Requested = OnlineRequest::Host;
    return 1;
}

// The page's Join button, or a link's "#CODE": joins the host of the code as typed or copied.
// 0 when the text is no code, no meeting point is named or online play has started.
extern "C" EMSCRIPTEN_KEEPALIVE int JoinOnline(const char* text)
{
    if (!MeetNamed || Role != OnlineRole::Offline || !ReadLinkCode(text, RequestedCode))
    {
        return 0;
    }
    Requested = OnlineRequest::Join;
    return 1;
}

// The first action of a person on the page that lets sound start: the audio device opens
// and runs. Later calls do nothing.
extern "C" EMSCRIPTEN_KEEPALIVE void StartSound()
{
    if (SoundOpened)
    {
        return; // open already
    }
    SoundOpened = true;
    OpenAudioDevice();
    ResumeAudioDevice();
}

// The time from the page's start (its navigation) to the end of the first frame drawn, in
// ms; 0 before it. Called from the page by its test.
extern "C" EMSCRIPTEN_KEEPALIVE double FirstFrameMilliseconds()
{
    return FirstFrameMs;
}

// The time from the page's start to the last frame drawn whose move counts changed, in ms. Called
// from the page by the measure of a key's way to the picture (bench/page_latency.py).
extern "C" EMSCRIPTEN_KEEPALIVE double ChangedFrameMilliseconds()
{
    return ChangedFrameMs;
}

int main()
{
    ResetShell();
    SeedRand(static_cast<unsigned>(std::time(nullptr)));
    MeasureCanvas(ScreenWidth, ScreenHeight);
    // The page made the canvas's context already, with its own attributes: the game takes it up.
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context(Canvas, &attributes);
    if (SDL_Init(0) != 0 || context <= 0 ||
        emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS)
    {
        ShowFailure("This game needs a browser that can show WebGL.");
        return 1;
    }
    emscripten_set_canvas_element_size(Canvas, ScreenWidth, ScreenHeight);
    SetUpViewport(ScreenWidth, ScreenHeight);
    SetUpScreenTexture();
    emscripten_set_webglcontextrestored_callback(Canvas, nullptr, EM_FALSE, RestoreContext);
    InitPalette();
    PrepareAudio();
    const Settings settings = LoadStoredSettings();
    SetSound(settings.volume, settings.muted);
    RequestEchoHalving();
    StartSoundOnAction();
    WireControls();
    LoadPictures();
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, NoteVisibility);
    Clock = StartLoopClock(SDL_GetTicks());
    emscripten_set_main_loop(RunFrame, 0, EM_FALSE);
    return 0;
}
