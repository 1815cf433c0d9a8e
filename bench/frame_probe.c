/* A probe preloaded into the game or the baseline for whole-process measurements. It
 * watches two calls the main loop makes: SDL_GL_SwapBuffers, one per presented frame, and
 * SDL_GetTicks, one per loop iteration. From the clock readings it counts the simulation
 * steps exactly as the loop does (18 ms each, at most 32 per iteration, the surplus
 * dropped). At exit it writes one line to the file named by FRAME_PROBE_OUT:
 *   first_frame_ms=<ms from FRAME_PROBE_T0_NS to the first swap> frames=<n> steps=<n>
 *   loop_seconds=<span of the clock readings>
 * FRAME_PROBE_T0_NS is the launch time in nanoseconds of CLOCK_REALTIME. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double FirstFrameMs = -1.0;
static unsigned long long Frames;
static unsigned long long Steps;
static int SeenTicks;
static uint32_t FirstTicks, LastTicks, PendingMs;

static double NowNs(void)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return (double)now.tv_sec * 1e9 + (double)now.tv_nsec;
}

void SDL_GL_SwapBuffers(void)
{
    static void (*real)(void);
    if (real == NULL)
    {
        real = (void (*)(void))dlsym(RTLD_NEXT, "SDL_GL_SwapBuffers");
    }
    real();
    if (Frames++ == 0)
    {
        const char* start = getenv("FRAME_PROBE_T0_NS");
        if (start != NULL)
        {
            FirstFrameMs = (NowNs() - strtod(start, NULL)) / 1e6;
        }
    }
}

uint32_t SDL_GetTicks(void)
{
    static uint32_t (*real)(void);
    if (real == NULL)
    {
        real = (uint32_t(*)(void))dlsym(RTLD_NEXT, "SDL_GetTicks");
    }
    const uint32_t now = real();
    if (!SeenTicks)
    {
        SeenTicks = 1;
        FirstTicks = now;
    }
    else
    {
        PendingMs += now - LastTicks;
        const uint32_t due = PendingMs / 18;
        PendingMs -= 18 * due;
        Steps += due < 32 ? due : 32;
    }
    LastTicks = now;
    return now;
}

__attribute__((destructor)) static void WriteReport(void)
{
    const char* path = getenv("FRAME_PROBE_OUT");
    FILE* out = path != NULL ? fopen(path, "w") : NULL;
    if (out == NULL)
    {
        return;
    }
    fprintf(out, "first_frame_ms=%.1f frames=%llu steps=%llu loop_seconds=%.3f\n", FirstFrameMs,
            Frames, Steps, (double)(uint32_t)(LastTicks - FirstTicks) / 1000.0);
    fclose(out);
}
