// A stand-in for parts of SDL at the game's edge, preloaded into the game by end-to-end
// tests: one gamepad whose events come from a file, and a video system without window modes.
//   TQ_SHIM_PADS=<file>   SDL sees one pad. Every whole line appended to the file becomes one
//                         of its events, in order: "axis <axis> <value>" or "button
//                         <button> <1 down | 0 up>" (any word but axis is a button).
//   TQ_SHIM_NO_WINDOW=1   setting a video mode without SDL_FULLSCREEN fails.
#define _GNU_SOURCE
#include <SDL.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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
    memset(event, 0, sizeof *event);
    if (strcmp(kind, "axis") == 0)
    {
        event->type = SDL_JOYAXISMOTION;
        event->jaxis.axis = (Uint8)a;
        event->jaxis.value = (Sint16)b;
    }
    else
    {
        event->type = b ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
        event->jbutton.button = (Uint8)a;
        event->jbutton.state = b ? SDL_PRESSED : SDL_RELEASED;
    }
    return 1;
}
