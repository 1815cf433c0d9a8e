// Thread start for background work, through POSIX threads.
#include "platform/thread.h"

#include <cerrno>

namespace
{
void* RunEntry(void* thread)
{
    static_cast<Thread*>(thread)->entry();
    return nullptr;
}
} // namespace

bool StartThread(Thread& thread, void (*entry)())
{
    if (thread.running)
    {
        errno = EBUSY;
        return false; // one thread per record
    }
    thread.entry = entry;
    const int failure = pthread_create(&thread.handle, nullptr, RunEntry, &thread);
    if (failure != 0)
    {
        errno = failure; // pthread_create reports the cause instead of setting errno
        return false;
    }
    thread.running = true;
    return true;
}

void JoinThread(Thread& thread)
{
    if (!thread.running)
    {
        return; // never started, or joined already
    }
    pthread_join(thread.handle, nullptr);
    thread.running = false;
}
