// For the end-to-end test of a thread that cannot be started: preloaded into the game, it makes
// every thread start that the game's own code asks for fail, as when the system has no thread
// to spare (EAGAIN), directly or through the C++ library; the threads that SDL, X and OpenGL
// start on their own go through as usual.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <execinfo.h>
#include <pthread.h>
#include <string.h>

typedef int (*ThreadCreate)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*entry)(void*),
                   void* argument)
{
    const ThreadCreate create = (ThreadCreate)dlsym(RTLD_NEXT, "pthread_create");
    void* callers[8];
    const int count = backtrace(callers, 8);
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
