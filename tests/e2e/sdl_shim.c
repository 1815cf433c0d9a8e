// A stand-in for parts of SDL and the system at the game's edge, preloaded into the game by
// end-to-end tests: one gamepad whose events come from a file, a video system without window
// modes, and a system without threads to spare.
//   TQ_SHIM_PADS=<file>   SDL sees one pad. Every whole line appended to the file becomes one
//                         of its events, in order: "axis <axis> <value>" or "button
//                         <button> <1 down | 0 up>" (any word but axis is a button).
//   TQ_SHIM_NO_WINDOW=1   setting a video mode without SDL_FULLSCREEN fails.
//   TQ_SHIM_NO_THREADS=1  every thread start that the game's own code asks for fails (EAGAIN),
//                         directly or through the C++ library; the threads that SDL, X and
//                         OpenGL start on their own go through as usual.
//   TQ_SHIM_FILE_LOG=<file>  each fsync and link is appended to the file as it happens, as
//                         "fsync <path of the descriptor>" or "link <from> <to>".
#define _GNU_SOURCE
#include <SDL.h>
#include <dlfcn.h>
#include <errno.h>
#include <execinfo.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static FILE* PadEvents;  // the file, once it exists
static long PadEventsAt; // bytes of it read
static int PadOpened;    // SDL gives a joystick's events only once it is opened; its
                         // address is the pad's handle

int SDL_NumJoysticks(void)
{
    return getenv("TQ_SHIM_PADS") != NULL;
}

SDL_Joystick* SDL_JoystickOpen(int index)
{
    PadOpened |= index == 0;
    return index == 0 ? (SDL_Joystick*)&PadOpened : NULL;
}

SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    SDL_Surface* (*real)(int, int, int, Uint32) = dlsym(RTLD_NEXT, "SDL_SetVideoMode");
    const int refused = getenv("TQ_SHIM_NO_WINDOW") != NULL && (flags & SDL_FULLSCREEN) == 0;
    return refused ? NULL : real(width, height, bpp, flags);
}

int SDL_PollEvent(SDL_Event* event)
{
    int (*real)(SDL_Event*) = dlsym(RTLD_NEXT, "SDL_PollEvent");
    const char* path = getenv("TQ_SHIM_PADS");
    char line[128], kind[8];
    int a = 0, b = 0;
    // fseek also clears the end of the file that an earlier read met.
    if (event == NULL || path == NULL || !PadOpened ||
        (PadEvents == NULL && (PadEvents = fopen(path, "r")) == NULL) ||
        fseek(PadEvents, PadEventsAt, SEEK_SET) != 0 ||
        fgets(line, sizeof line, PadEvents) == NULL || strchr(line, '\n') == NULL ||
        sscanf(line, "%7s %d %d", kind, &a, &b) != 3)
    {
        return real(event); // no pad, or no whole new line of it yet
    }
    PadEventsAt = ftell(PadEvents);
    const SDL_Event axis = {.jaxis = {SDL_JOYAXISMOTION, 0, (Uint8)a, (Sint16)b}};
    const SDL_Event button = {.jbutton = {b ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP, 0, (Uint8)a,
                                          b ? SDL_PRESSED : SDL_RELEASED}};
    *event = strcmp(kind, "axis") == 0 ? axis : button;
    return 1;
}

int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*entry)(void*),
                   void* argument)
{
    int (*create)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*) =
        dlsym(RTLD_NEXT, "pthread_create");
    void* callers[8];
    const int count = getenv("TQ_SHIM_NO_THREADS") != NULL ? backtrace(callers, 8) : 0;
    Dl_info info;
    // callers[0] is this function; the first caller past the C++ library decides: the game
    // itself (no shared library) is refused.
    for (int i = 1; i < count && dladdr(callers[i], &info) != 0 && info.dli_fname != NULL; ++i)
    {
        if (strstr(info.dli_fname, "libstdc++") == NULL)
        {
            const int game = info.dli_fname[0] != '\0' && strstr(info.dli_fname, ".so") == NULL;
            return game ? EAGAIN : create(thread, attributes, entry, argument);
        }
    }
    return create(thread, attributes, entry, argument);
}

// Appends one line to TQ_SHIM_FILE_LOG, if set.
static void LogFileCall(const char* what, const char* first, const char* second)
{
    const char* path = getenv("TQ_SHIM_FILE_LOG");
    FILE* log = path != NULL ? fopen(path, "a") : NULL;
    if (log != NULL)
    {
        fprintf(log, "%s %s%s%s\n", what, first, second != NULL ? " " : "",
                second != NULL ? second : "");
        fclose(log);
    }
}

int fsync(int file)
{
    int (*real)(int) = dlsym(RTLD_NEXT, "fsync");
    char link[64], target[4096] = "";
    snprintf(link, sizeof link, "/proc/self/fd/%d", file);
    const ssize_t length = readlink(link, target, sizeof target - 1);
    target[length > 0 ? length : 0] = '\0';
    LogFileCall("fsync", target, NULL);
    return real(file);
}

int link(const char* from, const char* to)
{
    int (*real)(const char*, const char*) = dlsym(RTLD_NEXT, "link");
    LogFileCall("link", from, to);
    return real(from, to);
}
