// The game's entry point: the command line, start-up, the main loop around SDL's events
// and clock, the screen modes, and shutdown. Every decision is made by the core; this
// file only talks to SDL.
#include "app/gamepad.h"
#include "app/held_lines.h"
#include "app/keys.h"
#include "app/main_loop.h"
#include "app/meeting.h"
#include "app/online.h"
#include "app/options.h"
#include "app/page_online.h"
#include "app/reach.h"
#include "app/replay.h"
#include "app/settings.h"
#include "app/shell.h"
#include "app/sound_control.h"
#include "audio/device.h"
#include "audio/mixer.h"
#include "audio/sample_bank.h"
#include "audio/status_handoff.h"
#include "display/palette.h"
#include "display/pictures.h"
#include "display/present.h"
#include "display/readback.h"
#include "display/screen_mode.h"
#include "match/controls.h"
#include "net/link.h"
#include "net/meet_play.h"
#include "net/port_map_upnp.h"
#include "net/search_link.h"
#include "platform/desktop_size.h"
#include "platform/names.h"
#include "platform/rand.h"

#include <SDL.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <pthread.h>
#include <unistd.h>

namespace
{
DesktopSize Desktop;                    // pixels, asked before the first mode was set
bool FullScreen;                        // the mode set: the whole desktop, else a window
int ScreenWidth = 0;                    // pixels of the mode set, as SDL made it
int ScreenHeight = 0;                   // pixels
constexpr int KeyRepeatDelayMs = 500;   // a key held on the title screen repeats after this
constexpr int KeyRepeatIntervalMs = 30; // and then this often
bool KeyRepeating = true;               // until the first match starts
volatile std::sig_atomic_t Stopping;    // SIGINT, SIGTERM or SIGHUP came: the main loop ends
bool Ended;                             // the game has ended its own way, or is ending
pthread_t MainThread;                   // the thread of main
bool AskRouter;                         // hosting asks the router for the port, which the
                                        // port map holds until the game ends

static_assert(HatUp == SDL_HAT_UP && HatRight == SDL_HAT_RIGHT && HatDown == SDL_HAT_DOWN &&
              HatLeft == SDL_HAT_LEFT);

// The game's code of a key event's key.
Key KeyOf(const SDL_keysym& keysym)
{
    return TranslateKey(keysym.sym, (keysym.mod & KMOD_ALT) != 0);
}

[[noreturn]] void FailStartUp(const char* what, const char* why)
{
    std::fprintf(stderr, "%s: cannot %s: %s\n", ProgramName, what, why);
    SDL_Quit();
    std::exit(1);
}

// Sets the video mode, full screen or a window, with the cursor hidden only in full
// screen. Returns false, having changed nothing that the game keeps, when SDL refuses.
bool SetScreenMode(bool fullScreen)
{
    const ScreenMode mode = ChooseScreenMode(fullScreen, Desktop);
    const SDL_Surface* surface = SDL_SetVideoMode(mode.width, mode.height, 32,
                                                  SDL_OPENGL | (fullScreen ? SDL_FULLSCREEN : 0));
    if (surface == nullptr)
    {
        return false;
    }
    FullScreen = fullScreen;
    ScreenWidth = surface->w;
    ScreenHeight = surface->h;
    SDL_ShowCursor(fullScreen ? SDL_DISABLE : SDL_ENABLE);
    return true;
}

// Alt+Enter: the other mode, or, when SDL refuses it, the mode the game was in.
void SwitchScreenMode()
{
    const bool before = FullScreen;
    if (!SetScreenMode(!FullScreen) && !SetScreenMode(FullScreen))
    {
        return; // neither mode: the game goes on with what SDL left
    }
    ResizeViewport(ScreenWidth, ScreenHeight);
    if (FullScreen != before)
    {
        KeepScreenChoice(FullScreen);
    }
}

// Every joystick and gamepad SDL sees now, up to MaxPads; without a joystick system the
// game is played from the keyboard alone.
void OpenPads()
{
    ResetPads();
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
    {
        return; // no pads
    }
    const int count = SDL_NumJoysticks();
    for (int pad = 0; pad < count && pad < MaxPads; ++pad)
    {
        SDL_JoystickOpen(pad);
    }
    SDL_JoystickEventState(SDL_ENABLE);
}

// The settings file, with the command line's options over it.
void StartUp(const Options& options)
{
    const Settings settings = LoadSettingsFile(stderr);
    const bool fullScreen = options.screenGiven ? options.fullScreen : settings.fullScreen;
    ResetShell();
    SeedRand(static_cast<unsigned>(std::time(nullptr)));
    // A window opens centred, and pads come in the common game controller layout (see
    // app/gamepad.h), unless the player's environment says otherwise.
    setenv("SDL_VIDEO_CENTERED", "1", 0);
    setenv("SDL12COMPAT_USE_GAME_CONTROLLERS", "1", 0);
    std::atexit(PassOwnLines);
    HoldLibraryLines();
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
    {
        FailStartUp("start the video system", SDL_GetError());
    }
    // SDL falls back to a driver that shows nothing when no display answers; only a person
    // who asks for one by name gets it.
    char driver[32] = "";
    if (ScreenRefused(SDL_VideoDriverName(driver, sizeof driver), std::getenv("SDL_VIDEODRIVER")))
    {
        const char* display = std::getenv("DISPLAY");
        char why[MaxAddressLength + 32] = "DISPLAY is not set";
        if (display != nullptr && display[0] != '\0')
        {
            std::snprintf(why, sizeof why, "no display answers at %.*s", MaxAddressLength, display);
        }
        FailStartUp("open the screen", why);
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    Desktop = QueryDesktopSize();
    if (!SetScreenMode(fullScreen) && !SetScreenMode(!fullScreen))
    {
        FailStartUp("open the window", SDL_GetError());
    }
    SDL_WM_SetCaption(WindowCaption, WindowCaption);
    SDL_EnableUNICODE(1);
    SDL_EnableKeyRepeat(KeyRepeatDelayMs, KeyRepeatIntervalMs);
    OpenPads();
    SetUpViewport(ScreenWidth, ScreenHeight);
    SetUpScreenTexture();
    InitPalette();
    if (!StartAudio())
    {
        std::fprintf(stderr, "%s: cannot start the sample loader: %s\n", ProgramName,
                     std::strerror(errno));
        SDL_Quit();
        std::exit(1);
    }
    SetSound(settings.volume, settings.muted || options.mute);
    SoundDeviceSilent = OpenAudioDevice(options.mute);
    PassOwnLines();
    RequestEchoHalving();
    ResumeAudioDevice();
    LoadPictures();
}

// What the window side does after a key press.
void RespondToKey(KeyResponse response)
{
    switch (response)
    {
        case KeyResponse::TakeScreenshot:
            // Reading the screen back can outlast the key repeat's delay; a repeat falling due
            // meanwhile would come after the key is up and take a second screenshot.
            SDL_EnableKeyRepeat(0, 0);
            TakeScreenshot(ScreenWidth, ScreenHeight);
            SDL_EnableKeyRepeat(KeyRepeating ? KeyRepeatDelayMs : 0, KeyRepeatIntervalMs);
            break;
        case KeyResponse::MatchStarted:
            KeyRepeating = false;
            SDL_EnableKeyRepeat(0, 0);
            break;
        case KeyResponse::SwitchScreen:
            SwitchScreenMode();
            break;
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

// A pad's keys go through the shell as the keyboard's do.
void ChangeKeys(const KeyChanges& changes)
{
    for (int n = 0; n < changes.count; ++n)
    {
        if (changes.down[n])
        {
            PressKey(changes.keys[n], KeySource::Pads);
        }
        else
        {
            ReleaseKey(changes.keys[n], KeySource::Pads);
        }
    }
}

void HandleEvent(const SDL_Event& event)
{
    switch (event.type)
    {
        case SDL_KEYDOWN:
            PressKey(KeyOf(event.key.keysym), KeySource::Keyboard);
            break;
        case SDL_KEYUP:
            ReleaseKey(KeyOf(event.key.keysym), KeySource::Keyboard);
            break;
        case SDL_JOYAXISMOTION:
            ChangeKeys(MovePadAxis(event.jaxis.which, event.jaxis.axis, event.jaxis.value));
            break;
        case SDL_JOYHATMOTION:
            ChangeKeys(MovePadHat(event.jhat.which, event.jhat.hat, event.jhat.value));
            break;
        case SDL_JOYBUTTONDOWN:
        case SDL_JOYBUTTONUP:
            ChangeKeys(PressPadButton(event.jbutton.which, event.jbutton.button,
                                      event.type == SDL_JOYBUTTONDOWN));
            break;
        default:
            break;
    }
}

// The friend's search of the home network: its answers in, its orders carried out.
void SearchHomeNetwork(unsigned now)
{
    std::uint32_t address;
    unsigned char bytes[64];
    int size;
    while (ReceiveSearchAnswer(address, bytes, sizeof bytes, size))
    {
        HearHomeAnswer(address, bytes, size, now);
    }
    const SearchStep step = TickHomeJoin(now);
    if (step.order == SearchOrder::Broadcast)
    {
        BroadcastSearch(DefaultPort);
    }
    else if (step.order == SearchOrder::Connect)
    {
        CloseLink(); // the host before, which turned us away
        char text[AddressTextBytes];
        FormatAddress(step.host.address, text);
        JoinFoundHost(OpenFriendLink(text, step.host.port), now);
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
        SaveSettingsFile(stderr);
        if (Stopping)
        {
            return;
        }
        const unsigned now = SDL_GetTicks();
        TickMeetPlay(now);
        LinkEvent linkEvent;
        for (int n = 0; n < MaxLinkEventsPerIteration && PollLink(linkEvent); ++n)
        {
            HandleOnlineEvent(linkEvent, now);
        }
        RespondToKey(TickOnline(now));
        SearchHomeNetwork(now);
        RunMeeting(stdout, stderr, PortMappingReport(), now);
        TellFriendNotice(stderr);
        WatchPortMap(stdout, PortMappingReport());
        const StepsDue due = AdvanceLoopClock(clock, now);
        if (ShowingHost())
        {
            RunJoinedSteps(due.steps);
            if (DrawJoinedFrame())
            {
                DrawMeetingWords();
                PresentCanvas();
            }
        }
        else
        {
            RunSteps(MatchWaits() ? 0 : due.steps);
            SendHostSounds();
            if (QuitRequested)
            {
                return;
            }
            if (due.drawFrame)
            {
                DrawFrame();
                if (!RulesShown) // the page covers the band
                {
                    DrawOnlineBand(now);
                    DrawPortWord();
                    DrawMeetingWords();
                }
                PresentCanvas();
                SendHostFrame(now);
            }
        }
        FlushLinkOrders();
        SDL_Delay(ChooseSleep(clock, due.steps));
    }
}

// The window and the sound go at once; the router is given a moment to remove the mapping,
// but never waited for while it is inside a call.
void ShutDown()
{
    Ended = true;
    LeaveOnline();
    CloseLink();
    EndMeetPlay();
    CloseSearch();
    CloseAudioDevice();
    ReleaseAudio();
    ResetShell();
    SDL_Quit();
    if (AskRouter)
    {
        StopPortMapping(StopWaitMs); // the mapping goes with the game
    }
}

// Any other end of the process once the game runs: a library that calls exit (Xlib does when
// the display goes away, the window is destroyed by another client or the game is killed
// through the window system). What can still be done is done (the mapping removed, the other
// side told, on the main thread only), and the process ends at once with the exit's status,
// before destructors could meet threads still at work: the mixer, the window system's, the
// port map's.
void EndAbruptly(int status, void*)
{
    if (Ended)
    {
        return; // the game's own end
    }
    Ended = true;
    if (AskRouter)
    {
        StopPortMapping(StopWaitMs);
    }
    if (pthread_equal(pthread_self(), MainThread))
    {
        LeaveOnline();
        CloseLink();
    }
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(status);
}

// Hosting, before the window opens: opens the port and tells how to join, or ends the game
// with status 1 when it cannot.
void StartHostingOnline(const Options& options)
{
    if (options.host)
    {
        JoinCode code;
        if (!MakeJoinCode(code))
        {
            std::fprintf(stderr,
                         "%s: cannot host: the system gives no random bytes for a join code\n",
                         ProgramName);
            std::exit(1);
        }
        if (!StartHosting(code))
        {
            std::fprintf(stderr, "%s: cannot host: the join code's key cannot be made\n",
                         ProgramName);
            std::exit(1);
        }
        if (!OpenHostLink(options.port))
        {
            std::fprintf(stderr, "%s: cannot host on UDP port %d: it is in use or not allowed\n",
                         ProgramName, options.port);
            std::exit(1);
        }
        std::uint32_t own[MaxOwnAddresses];
        // TUMBLEQUAY_NO_PORT_MAP hosts without asking the router (the tests on this machine's
        // own addresses set it).
        AskRouter = std::getenv("TUMBLEQUAY_NO_PORT_MAP") == nullptr;
        const int ownCount = OwnAddresses(own, MaxOwnAddresses);
        TellHosting(stdout, options.port, code, own, ownCount, AskRouter);
        // TUMBLEQUAY_PAGE: where the web page is served, for the link a friend with a browser
        // opens.
        if (options.meet[0] != '\0' &&
            StartMeetingHost(stdout, stderr, options.meet, options.meetPort,
                             options.meetFromEnvironment, options.port, own, ownCount))
        {
            TellPageLink(stdout, std::getenv("TUMBLEQUAY_PAGE"), code);
        }
    }
}

// --replay, before the window opens: the file is read and checked whole, or the game ends with
// one line on standard error and the usage's status.
void LoadReplayToWatch(const Options& options)
{
    if (options.replay == nullptr)
    {
        return;
    }
    const char* reason = nullptr;
    if (!LoadReplayFile(options.replay, reason))
    {
        std::fprintf(stderr, "%s: cannot play %s: %s\n", ProgramName, options.replay, reason);
        std::exit(UsageStatus);
    }
}

void Stop(int)
{
    Stopping = 1;
}

// Once the window is open: the router is asked for the port beside the main loop, and a
// SIGINT, SIGTERM or SIGHUP ends the game as Escape does, so that the mapping is removed.
void StartAskingRouter(const Options& options)
{
    if (!options.host)
    {
        return;
    }
    struct sigaction action = {};
    action.sa_handler = Stop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr); // the terminal it was started from closed
    if (AskRouter)
    {
        StartPortMapping(HomeRouter, options.port);
    }
}

// Answers --help, --version or a command line the game does not take; returns the exit
// status, or -1 to play. A help or version that cannot be written fails with status 1.
int AnswerCommandLine(const Options& options)
{
    switch (options.request)
    {
        case StartRequest::ShowHelp:
        case StartRequest::ShowVersion:
        {
            const char* text = options.request == StartRequest::ShowHelp ? HelpText : VersionText;
            return std::fputs(text, stdout) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
        }
        case StartRequest::ShowUsage:
            std::fputs(UsageText, stderr);
            return UsageStatus;
        case StartRequest::Play:
            break;
    }
    return -1;
}
} // namespace

int main(int argc, char** argv)
{
    Options options = ParseOptions(argc, argv);
    const int status = AnswerCommandLine(options);
    if (status >= 0)
    {
        return status;
    }
    if (!ChooseMeetingPoint(options, std::getenv("TUMBLEQUAY_MEET")))
    {
        std::fprintf(stderr, "%s: TUMBLEQUAY_MEET names no meeting point: HOST or HOST:PORT\n",
                     ProgramName);
        return UsageStatus;
    }
    LoadReplayToWatch(options);
    StartHostingOnline(options);
    KeepReplays = true;
    StartUp(options);
    StartAskingRouter(options);
    if (options.replay != nullptr)
    {
        RespondToKey(KeyResponse::MatchStarted); // no key repeat: Space would pause again
    }
    if (options.join)
    {
        // The host's match takes a held key as one press, as its own keyboard gives it.
        KeyRepeating = false;
        SDL_EnableKeyRepeat(0, 0);
    }
    if (options.join && options.address[0] == '\0')
    {
        // The code alone: a host on the home network is searched for.
        OpenSearch();
        StartHomeJoin(options.code, SDL_GetTicks());
        if (options.meet[0] != '\0')
        {
            std::uint32_t own[MaxOwnAddresses];
            StartMeetingJoin(stderr, options.meet, options.meetPort, options.code, own,
                             OwnAddresses(own, MaxOwnAddresses), SDL_GetTicks());
        }
    }
    else if (options.join)
    {
        // Joining, once the title screen can tell what goes wrong.
        const bool asked = OpenFriendLink(options.address, options.port);
        StartJoining(options.code, asked, SDL_GetTicks());
    }
    MainThread = pthread_self();
    on_exit(EndAbruptly, nullptr); // after the libraries' own: it runs before theirs
    RunMainLoop();
    ShutDown();
    return 0;
}
